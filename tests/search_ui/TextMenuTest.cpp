// The German text menu, the suggestion editor and the symbol dialog.

#include "platform/uUserMode.h"
#include "platform/ui/TMarkupLabel.h"
#include "search/ui/TAutoComplete.h"
#include "search/ui/TSuggestEdit.h"
#include "search/ui/TSymbolDlg.h"
#include "search/ui/TTextoxPopupMenu.h"
#include "tests/common/TestEnv.h"
#include "tests/platform_ui/ModalDriver.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace artikel {
namespace {

using test::MakeTempDir;
using test::ReadFileBytes;
using test::WriteFileBytes;

TEST(TextMenu, EntriesFollowTheSelectionAndReadOnly)
{
    QWidget form;
    auto* edit = new QLineEdit(&form);
    form.show();
    TTextoxPopupMenu menu(edit);
    struct Case {
        QString text;
        int start, length;
        bool readOnly;
        bool cut, copy, paste;
    };
    const Case cases[] = {
        {QStringLiteral("Kupferrohr"), 0, 0, false, false, false, true},
        {QStringLiteral("Kupferrohr"), 2, 3, false, true, true, true},
        {QStringLiteral("a   b"), 1, 3, false, true, true, true}, // blanks are a selection too
        {QStringLiteral("Kupferrohr"), 2, 3, true, false, true, false},
        {QStringLiteral("Kupferrohr"), 0, 0, true, false, false, false},
    };
    for (const Case& c : cases) {
        edit->setReadOnly(c.readOnly);
        edit->setText(c.text);
        edit->setSelection(c.start, c.length);
        menu.Prepare();
        const std::string what =
            c.text.toStdString() + (c.readOnly ? " read-only" : "") + " " + std::to_string(c.length);
        EXPECT_EQ(menu.cutAction->isEnabled(), c.cut) << what;
        EXPECT_EQ(menu.copyAction->isEnabled(), c.copy) << what;
        EXPECT_EQ(menu.pasteAction->isEnabled(), c.paste) << what;
        EXPECT_EQ(menu.symbolAction->isEnabled(), c.paste) << what;
        EXPECT_TRUE(menu.selectAllAction->isEnabled());
    }
    // A widget without a read-only property counts as read-only.
    QWidget plain;
    TTextoxPopupMenu other(&plain);
    EXPECT_TRUE(other.EditReadOnly());
}

TEST(TextMenu, ActionsWorkOnTheEdit)
{
    QWidget form;
    auto* edit = new QLineEdit(&form);
    form.show();
    TTextoxPopupMenu menu(edit);
    edit->setText(QStringLiteral("Rohr 15 mm"));
    menu.selectAllAction->trigger();
    EXPECT_EQ(edit->selectedText(), QStringLiteral("Rohr 15 mm"));
    edit->setSelection(5, 2);
    menu.cutAction->trigger();
    EXPECT_EQ(edit->text(), QStringLiteral("Rohr  mm"));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("15"));

    // A symbol goes in through the clipboard, which keeps it.
    menu.ChooseSymbol = [] { return QStringLiteral("m\u00B2"); };
    edit->setCursorPosition(edit->text().size());
    menu.symbolAction->trigger();
    EXPECT_EQ(edit->text(), QStringLiteral("Rohr  mmm\u00B2"));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("m\u00B2"));
}

class SuggestEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = MakeTempDir("editor");
        SetUserModeFolder(dir_.string());
        file_ = dir_ / "autocomplete.txt";
        WriteFileBytes(file_, "kabel\r\nrohr\r\n");
        edit_ = new QLineEdit(&form_);
        ac_ = std::make_unique<TAutoComplete>(file_.string());
        ac_->SetUpForFindBox();
        ac_->Attach(edit_);
        ac_->Reload();
        form_.show();
    }

    std::filesystem::path dir_, file_;
    QWidget form_;
    QLineEdit* edit_;
    std::unique_ptr<TAutoComplete> ac_;
};

TEST_F(SuggestEditorTest, ConfirmedLinesReplaceThePhrases)
{
    TAutoComplete other(file_.string());
    other.AutoLearning = true;
    bool labelHidden = false;
    test::OnNextModal([&](QWidget* w) {
        auto* dlg = qobject_cast<TSuggestEdit*>(w);
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Bearbeiten"));
        EXPECT_EQ(dlg->RTFControl->toPlainText(), QStringLiteral("kabel\nrohr"));
        labelHidden = !dlg->HTMLabel1->isVisible() && dlg->sCheckBox1->isVisible();
        dlg->RTFControl->setPlainText(QStringLiteral("ab\nKupfer \"rohr\"\nkupfer rohr\nKABEL NYM\nkabel nym\n"));
        dlg->sCheckBox1->setChecked(false);
        QTest::keyClick(dlg->RTFControl, Qt::Key_F3);
    });
    ac_->EditSuggestions();
    EXPECT_TRUE(labelHidden) << "single-line mode hides the hint, the switch shows";
    EXPECT_EQ(ReadFileBytes(file_), "Kupfer rohr\r\nKABEL NYM\r\n");
    EXPECT_FALSE(ac_->AutoLearning);
    EXPECT_FALSE(other.AutoLearning);
    EXPECT_FALSE(ReadUserModeBool("AutoCompleteFindSuggest.AutoLearning", true));
}

TEST_F(SuggestEditorTest, CancelChangesNothing)
{
    test::OnNextModal([](QWidget* w) {
        auto* dlg = qobject_cast<TSuggestEdit*>(w);
        ASSERT_NE(dlg, nullptr);
        dlg->RTFControl->clear();
        dlg->sCheckBox1->setChecked(false);
        QTest::keyClick(dlg->RTFControl, Qt::Key_Escape);
    });
    ac_->EditSuggestions();
    EXPECT_EQ(ReadFileBytes(file_), "kabel\r\nrohr\r\n");
    EXPECT_TRUE(ac_->AutoLearning);
}

TEST_F(SuggestEditorTest, AllLinesDeletedLeaveAnEmptyWordFile)
{
    test::OnNextModal([](QWidget* w) {
        auto* dlg = qobject_cast<TSuggestEdit*>(w);
        ASSERT_NE(dlg, nullptr);
        dlg->RTFControl->clear();
        QTest::mouseClick(dlg->FlatButton2, Qt::LeftButton);
    });
    ac_->EditSuggestions();
    EXPECT_EQ(ReadFileBytes(file_), "");
}

TEST(SuggestEdit, BreakEntryOnlyOutsideSingleLineMode)
{
    TSuggestEdit dlg;
    dlg.RTFControl->setPlainText(QStringLiteral("Rohr  mm"));
    QTextCursor c = dlg.RTFControl->textCursor();
    c.setPosition(4);
    c.setPosition(5, QTextCursor::KeepAnchor);
    dlg.RTFControl->setTextCursor(c);
    dlg.SingleLineMode = true;
    dlg.InsertBreak();
    EXPECT_EQ(dlg.RTFControl->toPlainText(), QStringLiteral("Rohr  mm"));
    dlg.SingleLineMode = false;
    dlg.InsertBreak();
    EXPECT_EQ(dlg.RTFControl->toPlainText(), QStringLiteral("Rohr <br>  mm"));
}

TEST(SymbolDlg, CellsFromTheSettingInASquareGrid)
{
    const auto dir = MakeTempDir("symbol");
    SetUserModeFolder(dir.string());
    WriteUserModeString("TSymbolDlg.ASCII.Chars", "(kg)(m\xB2)x");
    WriteUserModeInteger("TSymbolDlg.Grid.XY", 99);
    TSymbolDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Symbol einf\u00FCgen"));
    EXPECT_EQ(dlg.CellSize(), 50);
    ASSERT_EQ(dlg.Grid->columnCount(), 3);
    ASSERT_EQ(dlg.Grid->rowCount(), 1);
    EXPECT_EQ(dlg.Grid->item(0, 0)->text(), QStringLiteral("kg"));
    EXPECT_EQ(dlg.Grid->item(0, 1)->text(), QStringLiteral("m\u00B2"));
    EXPECT_EQ(dlg.Grid->item(0, 2)->text(), QStringLiteral("x"));
    // A long text gets a smaller font than a single character, never below 4 points.
    EXPECT_LT(dlg.FontPointSizeFor(QStringLiteral("Kilogramm")), dlg.FontPointSizeFor(QStringLiteral("x")));
    EXPECT_GE(dlg.FontPointSizeFor(QString(40, QLatin1Char('W'))), 4);

    QString inserted;
    dlg.OnInsert = [&](const QString& t) { inserted = t; };
    dlg.Grid->setCurrentCell(0, 1);
    dlg.show();
    QTest::keyClick(dlg.Grid, Qt::Key_Return);
    EXPECT_EQ(inserted, QStringLiteral("m\u00B2"));
    EXPECT_EQ(dlg.result(), QDialog::Accepted);

    WriteUserModeString("TSymbolDlg.ASCII.Chars", "");
    WriteUserModeInteger("TSymbolDlg.Grid.XY", 5);
    TSymbolDlg defaults;
    EXPECT_EQ(defaults.CellSize(), 20);
    EXPECT_EQ(defaults.Grid->columnCount(), 9);
    EXPECT_EQ(defaults.Grid->rowCount(), 7);
}

} // namespace
} // namespace artikel
