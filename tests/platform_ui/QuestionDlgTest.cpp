#include "platform/MiniMarkup.h"
#include "platform/ui/AnsiQString.h"
#include "platform/ui/MainForm.h"
#include "platform/ui/TDimmedForm.h"
#include "platform/ui/TMarkupLabel.h"
#include "platform/ui/TQuestionDlg.h"
#include "tests/platform_ui/ModalDriver.h"

#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

using namespace artikel;
using artikel::test::OnNextModal;
using artikel::test::PressKeys;

namespace {

struct FastFade : testing::Test {
    void SetUp() override { SetDimmedFadeStep(std::chrono::milliseconds(0)); }
    void TearDown() override { SetMainForm(nullptr); }
};

using QuestionDlg = FastFade;
using Dimming = FastFade;

} // namespace

TEST_F(QuestionDlg, YesNoKeys)
{
    struct Case {
        std::initializer_list<Qt::Key> keys;
        bool expected;
    } cases[] = {
        {{Qt::Key_Escape}, false},
        {{Qt::Key_Return}, true},
        {{Qt::Key_Enter}, true},
        {{Qt::Key_Right, Qt::Key_Return}, false}, // focus on "Abbrechen", Enter presses it
        {{Qt::Key_Right, Qt::Key_Left, Qt::Key_Return}, true},
        {{Qt::Key_Right, Qt::Key_Escape}, false},
    };
    for (const Case& c : cases) {
        QString focused, ok, cancel;
        OnNextModal([&](QWidget* dlg) {
            focused = dlg->focusWidget() ? dlg->focusWidget()->objectName() : QString();
            ok = dlg->findChild<QPushButton*>(QStringLiteral("FOK"))->text();
            cancel = dlg->findChild<QPushButton*>(QStringLiteral("FCANCEL"))->text();
            PressKeys(dlg, c.keys);
        });
        EXPECT_EQ(AskYesNo(u"</b>Datenbank <b>Kupfer</b> löschen?"_qs), c.expected) << c.keys.size() << " keys";
        EXPECT_EQ(focused, QStringLiteral("FOK"));
        EXPECT_EQ(ok, QStringLiteral("Weiter"));
        EXPECT_EQ(cancel, QStringLiteral("Abbrechen"));
    }

    // Given captions replace the defaults.
    QString ok, cancel;
    OnNextModal([&](QWidget* dlg) {
        ok = dlg->findChild<QPushButton*>(QStringLiteral("FOK"))->text();
        cancel = dlg->findChild<QPushButton*>(QStringLiteral("FCANCEL"))->text();
        PressKeys(dlg, {Qt::Key_Escape});
    });
    EXPECT_FALSE(AskYesNo(QStringLiteral("Frage"), false, {}, QStringLiteral("Nein"), QStringLiteral("Ja")));
    EXPECT_EQ(ok, QStringLiteral("Ja"));
    EXPECT_EQ(cancel, QStringLiteral("Nein"));
}

TEST_F(QuestionDlg, AskTextResults)
{
    struct Case {
        const char* what;
        bool compare, prefill;
        QString typed; // appended to the prefilled text
        Qt::Key end;
        QString expected;
    } cases[] = {
        {"compare: blanks and case do not matter", true, false, u"  löschen  "_qs, Qt::Key_Return, u"Löschen"_qs},
        {"compare: upper case umlaut", true, false, u"LÖSCHEN"_qs, Qt::Key_Return, u"Löschen"_qs},
        {"compare: another word gives empty", true, false, u"Loeschen"_qs, Qt::Key_Return, QString()},
        {"compare: Esc gives empty", true, false, u"Löschen"_qs, Qt::Key_Escape, QString()},
        {"plain input is trimmed", false, false, u"  Neuer Name "_qs, Qt::Key_Return, u"Neuer Name"_qs},
        {"prefill starts with the text", false, true, u" 2"_qs, Qt::Key_Enter, u"Löschen 2"_qs},
    };
    for (const Case& c : cases) {
        bool editFocused = false;
        QString startText;
        OnNextModal([&](QWidget* dlg) {
            auto* edit = dlg->findChild<QLineEdit*>(QStringLiteral("InputEdit"));
            editFocused = edit->isVisible() && dlg->focusWidget() == edit;
            startText = edit->text();
            edit->end(false);
            artikel::test::TypeText(edit, c.typed);
            PressKeys(dlg, {c.end});
        });
        QString result = QStringLiteral("stale");
        const bool answered =
            AskText(u"Geben Sie <b>Löschen</b> ein"_qs, false, u"Löschen"_qs, result, {}, {}, {}, c.compare, c.prefill);
        EXPECT_EQ(result, c.expected) << c.what;
        EXPECT_EQ(answered, !c.expected.isEmpty()) << c.what;
        EXPECT_TRUE(editFocused) << c.what;
        EXPECT_EQ(startText, c.prefill ? u"Löschen"_qs : QString()) << c.what;
    }
}

TEST_F(QuestionDlg, InformationHasOnlyOkAndIcons)
{
    struct Case {
        bool notice;
        int icon;
    } cases[] = {{true, 0}, {false, 1}};
    for (const Case& c : cases) {
        bool cancelVisible = true;
        int icon = -1;
        OnNextModal([&](QWidget* w) {
            auto* dlg = static_cast<TQuestionDlg*>(w);
            cancelVisible = dlg->FCANCEL()->isVisible();
            icon = dlg->IconIndex();
            PressKeys(dlg, {Qt::Key_Return});
        });
        ShowInformation(u"Sie müssen für diese Funktion in <b>Ledgix einen Auftrag bearbeiten</b>."_qs, c.notice);
        EXPECT_FALSE(cancelVisible);
        EXPECT_EQ(icon, c.icon);
    }
    // Icon 3 with prefill, 0 for a notice whatever else.
    for (const auto& [notice, prefill, icon] : {std::tuple{false, true, 3}, std::tuple{true, true, 0}}) {
        int shown = -1;
        OnNextModal([&](QWidget* w) {
            shown = static_cast<TQuestionDlg*>(w)->IconIndex();
            PressKeys(w, {Qt::Key_Escape});
        });
        QString result;
        AskText(QStringLiteral("Name"), notice, QStringLiteral("x"), result, {}, {}, {}, false, prefill);
        EXPECT_EQ(shown, icon);
    }
}

TEST_F(QuestionDlg, HeightFollowsTheMessageAndFooterHint)
{
    for (bool input : {false, true}) {
        for (int lines : {1, 12}) {
            TQuestionDlg dlg;
            dlg.ShowInput(input);
            QString message = QStringLiteral("Zeile 1");
            for (int i = 2; i <= lines; ++i)
                message += QStringLiteral("\r\nZeile %1").arg(i);
            dlg.SetMessage(message);
            const int label = dlg.HLSK()->sizeHint().height();
            const int expected = std::max(TQuestionDlg::kMinimumHeight,
                                          static_cast<int>(std::floor(1.1 * label)) + TQuestionDlg::kBottomPanelHeight +
                                              (input ? TQuestionDlg::kEditHeight + 5 : 0));
            EXPECT_EQ(dlg.height(), expected) << lines << " lines, input " << input;
            if (lines == 12) {
                EXPECT_GT(dlg.height(), TQuestionDlg::kMinimumHeight) << "CR LF must break the lines";
            }
            // The message never runs into the input line.
            if (input) {
                EXPECT_LE(dlg.HLSK()->geometry().bottom(), dlg.InputEdit()->geometry().top());
            }
        }
    }
    TQuestionDlg dlg;
    dlg.SetFooter(u"<b>Hinweis:</b> mehr unter <a href=\"x\">Hilfe</a>"_qs);
    EXPECT_EQ(dlg.HLHLP()->toolTip(), u"Hinweis: mehr unter Hilfe"_qs);
    EXPECT_TRUE(dlg.HLHLP()->ellipsis());
}

TEST_F(QuestionDlg, LinkCallsTheHandler)
{
    QString clicked;
    OnNextModal([&](QWidget* w) {
        auto* dlg = static_cast<TQuestionDlg*>(w);
        // Click on the first point of the message that is over the link.
        TMarkupLabel* label = dlg->HLSK();
        for (int x = 0; x < label->width(); x += 2) {
            const QPoint p(x, label->height() / 2);
            if (label->linkAt(p).hit) {
                QTest::mouseClick(label, Qt::LeftButton, {}, p);
                break;
            }
        }
        PressKeys(dlg, {Qt::Key_Return});
    });
    ShowInformation(u"Siehe <a href=\"file://Handbuch.pdf\">Handbuch</a>"_qs, false, {},
                    [&](const QString& link) { clicked = link; });
    EXPECT_EQ(clicked, QStringLiteral("file://Handbuch.pdf"));
}

TEST_F(Dimming, TargetRules)
{
    struct Case {
        const char* what;
        bool visible;
        QSize size;
        Qt::WindowFlags flags;
        bool expected;
    } cases[] = {
        {"visible main window", true, {400, 300}, Qt::Window, true},
        {"hidden main window", false, {400, 300}, Qt::Window, false},
        {"too small", true, {99, 300}, Qt::Window, false},
        {"tool window", true, {400, 300}, Qt::Tool, false},
        {"frameless", true, {400, 300}, Qt::Window | Qt::FramelessWindowHint, false},
    };
    for (const Case& c : cases) {
        QWidget main(nullptr, c.flags);
        main.resize(c.size);
        SetMainForm(&main);
        if (c.visible)
            main.show();
        EXPECT_EQ(DimmingTarget(true) == &main, c.expected) << c.what;
        EXPECT_EQ(DimmingTarget(true) != nullptr, c.expected) << c.what;
    }

    QWidget main;
    main.resize(400, 300);
    SetMainForm(&main);
    main.show();
    qputenv("XRDP_SESSION", "1");
    EXPECT_EQ(DimmingTarget(true), nullptr) << "no backdrop in a remote session";
    qunsetenv("XRDP_SESSION");
    EXPECT_EQ(DimmingTarget(true), &main);
}

TEST_F(Dimming, BackdropDuringTheQuestionOnly)
{
    QWidget main;
    main.resize(500, 400);
    SetMainForm(&main);

    for (bool shown : {true, false}) {
        main.setVisible(shown);
        int layers = -1, alpha = -1;
        QColor colour;
        OnNextModal([&](QWidget* dlg) {
            const auto found = main.findChildren<TDimmedForm*>();
            layers = static_cast<int>(found.size());
            if (!found.isEmpty()) {
                alpha = found.front()->Alpha();
                colour = found.front()->LayerColor();
                EXPECT_EQ(found.front()->geometry(), main.rect());
            }
            PressKeys(dlg, {Qt::Key_Return});
        });
        EXPECT_TRUE(AskYesNo(QStringLiteral("Weiter?")));
        EXPECT_EQ(layers, shown ? 1 : 0);
        if (shown) {
            EXPECT_EQ(alpha, TDimmedForm::kMaxAlpha);
            EXPECT_EQ(colour, QColor(0, 0, 0));
        }
        EXPECT_TRUE(main.findChildren<TDimmedForm*>().isEmpty()) << "the layer goes with the question";
    }
}

TEST_F(Dimming, RedLayerDarkensTheWindow)
{
    QWidget main;
    main.resize(300, 200);
    QPalette pal = main.palette();
    pal.setColor(QPalette::Window, Qt::white);
    main.setPalette(pal);
    main.setAutoFillBackground(true);
    main.show();
    TDimmedForm layer(&main, TBackdropMode::Red);
    layer.SetAlpha(TDimmedForm::kMaxAlpha);
    layer.show();
    const QColor pixel = main.grab().toImage().pixelColor(150, 100);
    EXPECT_EQ(pixel.red(), 255);
    EXPECT_NEAR(pixel.green(), 127, 2);
    EXPECT_NEAR(pixel.blue(), 127, 2);
    main.resize(350, 250);
    EXPECT_EQ(layer.geometry(), main.rect()) << "the layer follows the window's size";
}

TEST_F(Dimming, LayerGoesWhenTheDialogRaises)
{
    struct ThrowingDialog : QDialog {
        int exec() override { throw std::runtime_error("Datei gesperrt"); }
    };
    QWidget main;
    main.resize(400, 300);
    SetMainForm(&main);
    main.show();
    ThrowingDialog dlg;
    EXPECT_THROW(ShowModalDimmed(&dlg, true, TBackdropMode::Black), std::runtime_error);
    EXPECT_TRUE(main.findChildren<TDimmedForm*>().isEmpty());
}
