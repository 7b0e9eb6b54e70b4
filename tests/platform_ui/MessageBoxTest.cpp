#include "platform/ui/AnsiQString.h"
#include "platform/ui/TFSB_BOX.h"
#include "platform/ui/TMarkupLabel.h"
#include "tests/platform_ui/ModalDriver.h"

#include <QPushButton>

#include <gtest/gtest.h>

using namespace artikel;
using artikel::test::OnNextModal;
using artikel::test::PressKeys;

namespace {

QString Lines(int count, const QString& separator)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("Zeile %1").arg(i);
    return lines.join(separator);
}

} // namespace

TEST(MessageBox, LongMessagesKeepTwentyOneLinesAndTheLast)
{
    QStringList kept;
    for (int i = 1; i <= 21; ++i)
        kept << QStringLiteral("Zeile %1").arg(i);
    const QString cut = kept.join(QLatin1String("<br>")) + QStringLiteral("<br>................<br>Zeile 30");
    struct Case {
        QString in, out;
    } cases[] = {
        {Lines(30, QStringLiteral("\r\n")), cut},
        {Lines(30, QStringLiteral("<BR>")), cut},
        {Lines(30, QStringLiteral("<br>")), cut},
        {Lines(21, QStringLiteral("\r\n")), Lines(21, QStringLiteral("<br>"))},
        {Lines(22, QStringLiteral("\n")),
         kept.join(QLatin1String("<br>")) + QStringLiteral("<br>................<br>Zeile 22")},
        {u"a\r\nb<Br>c\rd"_qs, u"a<br>b<br>c<br>d"_qs},
        {u"<B>Möglicher Fehler:</B><BR>Zugriff verweigert"_qs, u"<B>Möglicher Fehler:</B><br>Zugriff verweigert"_qs},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TFSB_BOX::PrepareText(c.in), c.out) << c.in.toStdString();

    TFSB_BOX box(TFSB_BOX::Kind::Message, Lines(30, QStringLiteral("\r\n")), {}, {});
    EXPECT_EQ(FromAnsi(box.MessageLabel()->text()), cut) << "the box shows the prepared text";
    EXPECT_LE(box.height(), box.screen()->availableGeometry().height() * 7 / 10);
}

TEST(MessageBox, MessageClosesOnAnyPlainKey)
{
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool closes;
    } cases[] = {
        {Qt::Key_X, Qt::NoModifier, true},      {Qt::Key_Space, Qt::NoModifier, true},
        {Qt::Key_Return, Qt::NoModifier, true}, {Qt::Key_X, Qt::ControlModifier, false},
        {Qt::Key_X, Qt::ShiftModifier, false},  {Qt::Key_Shift, Qt::ShiftModifier, false},
        {Qt::Key_F1, Qt::NoModifier, false},
    };
    for (const Case& c : cases) {
        bool openAfter = false;
        QString caption;
        OnNextModal([&](QWidget* box) {
            caption = box->windowTitle();
            QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, c.key, c.modifiers);
            openAfter = box->isVisible();
            if (openAfter)
                PressKeys(box, {Qt::Key_Escape});
        });
        ShowMessageBox(u"<B>Möglicher Fehler:</B><BR>Datei gesperrt"_qs, {}, QStringLiteral("Kopieren"));
        EXPECT_EQ(!openAfter, c.closes) << "key " << c.key;
        EXPECT_EQ(caption, QStringLiteral("Kopieren"));
    }
}

TEST(MessageBox, QuestionKeysAndLinks)
{
    struct Case {
        std::initializer_list<Qt::Key> keys;
        bool expected;
    } cases[] = {
        {{Qt::Key_Return}, true},
        {{Qt::Key_Escape}, false},
        {{Qt::Key_Right, Qt::Key_Return}, false}, // Enter on a focused "Nein" says no
        {{Qt::Key_Right, Qt::Key_Left, Qt::Key_Return}, true},
        {{Qt::Key_F1, Qt::Key_Return}, true},
    };
    for (const Case& c : cases) {
        OnNextModal([&](QWidget* box) { PressKeys(box, c.keys); });
        EXPECT_EQ(AskYesNoBox(u"C:\\Daten\\liste.csv<BR>existiert bereits.<B> Überschreiben?"_qs), c.expected)
            << c.keys.size() << " keys";
    }
    OnNextModal([&](QWidget* w) { emit static_cast<TFSB_BOX*>(w)->MessageLabel()->linkClicked(QStringLiteral("x")); });
    EXPECT_FALSE(AskYesNoBox(u"Mehr in der <a href=\"x\">Hilfe</a>"_qs)) << "a link ends the box with cancel";
}

TEST(MessageBox, HelpPanelOpensAndGrowsTheBox)
{
    TFSB_BOX plain(TFSB_BOX::Kind::Question, QStringLiteral("Frage"), {}, {});
    EXPECT_FALSE(plain.HelpButton()->isVisibleTo(&plain));

    TFSB_BOX box(TFSB_BOX::Kind::Question, QStringLiteral("Frage"), QStringLiteral("Zeile 1\r\nZeile 2"), {});
    ASSERT_TRUE(box.HelpButton()->isVisibleTo(&box));
    EXPECT_FALSE(box.FP_help()->isVisibleTo(&box));
    const int before = box.height();
    QTest::mouseClick(box.HelpButton(), Qt::LeftButton);
    EXPECT_TRUE(box.FP_help()->isVisibleTo(&box));
    EXPECT_GT(box.height(), before);
    EXPECT_EQ(FromAnsi(box.HelpLabel()->text()), u"Zeile 1<br>Zeile 2"_qs);
    EXPECT_GE(box.FP_help()->geometry().top(), box.FB_OK()->parentWidget()->geometry().bottom())
        << "the help text shows below the buttons";
}
