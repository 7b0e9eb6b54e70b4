// Sending rows to the office application from the main window and from the basket, with an
// office application the test plays: what arrives, what the user is told, what stays queued.

#include "basket/ui/TBasketCustomView.h"
#include "data/TListDataSet.h"
#include "mainwindow/ui/TI_DBGrid.h"
#include "officelink/ui/TVisualDeliverySetup.h"
#include "platform/ui/AnsiQString.h"
#include "platform/ui/TMarkupLabel.h"
#include "platform/ui/TQuestionDlg.h"
#include "tests/mainwindow_ui/MainWindowFixture.h"
#include "tests/platform_ui/ModalDriver.h"

#include <QListView>
#include <QPushButton>
#include <QToolButton>

namespace artikel::test {
namespace {

using TPosition = std::array<std::string, 7>;

struct TOffice {
    bool canPost = true;
    bool replies = true;
    int canPostCalls = 0;
    std::vector<std::vector<TPosition>> documents;
};

class TFakeLink : public IOfficeLink {
public:
    explicit TFakeLink(TOffice& office)
        : office_(office)
    {}
    bool CanPost() override
    {
        ++office_.canPostCalls;
        return office_.canPost;
    }
    TCurrentOrder GetCurrentOrder() override { return {}; }
    bool SendPositions(const TListDataSet& positions) override
    {
        std::vector<TPosition> parts;
        for (int r = 0; r < positions.RecordCount(); ++r) {
            TPosition p;
            for (int f = 0; f < 7; ++f)
                p[static_cast<size_t>(f)] = std::string(positions.Cell(r, f));
            parts.push_back(p);
        }
        office_.documents.push_back(parts);
        return office_.replies;
    }

private:
    TOffice& office_;
};

const char* kCsv = "Nr;Text;Preis\r\n"
                   "10;Rohr;1,50\r\n"
                   "20;Bogen;2,00\r\n"
                   "30;Muffe;0,75\r\n"
                   "40;Kappe;3,00\r\n"
                   "50;Nippel;0,40\r\n"
                   "60;Stopfen;0,20\r\n";

class Send : public ::testing::Test {
protected:
    // A database whose columns are assigned (assigned = false: none are).
    TMainFrm& Start(bool assigned = true)
    {
        const auto folder = fx_.AddDatabase("db-a", "A", kCsv);
        if (assigned)
            WriteFileBytes(
                folder / "node.json",
                "{\"Caption\":\"A\",\"Filename\":\"db.csv\",\"uid\":\"db-a\",\"items\":[],"
                "\"sfdescription\":\"\\\"Text\\\"\",\"sfpartNo\":\"\\\"Nr\\\"\",\"sfPrice\":\"\\\"Preis\\\"\","
                "\"PriceFactor\":\"1\"}");
        fx_.SetLastNode("db-a");
        TMainFrm& w = fx_.Start(std::make_unique<TFakeLink>(office_));
        EXPECT_EQ(w.I_DBGrid1()->model()->rowCount(), 6);
        return w;
    }
    // Answers the next message with OK and returns its text through `text`.
    static void AnswerMessage(std::string& text)
    {
        OnNextModal([&text](QWidget* modal) {
            auto* dlg = qobject_cast<TQuestionDlg*>(modal);
            ASSERT_NE(dlg, nullptr);
            text = dlg->HLSK()->text();
            dlg->FOK()->click();
        });
    }
    static std::vector<std::string> Descriptions(const std::vector<TPosition>& parts)
    {
        std::vector<std::string> out;
        for (const TPosition& p : parts)
            out.push_back(p[0] + "/" + p[2]);
        return out;
    }

    TCatalogFixture fx_;
    TOffice office_;
};

TEST_F(Send, F7SendsTheCurrentRowAndEmptiesTheQueue)
{
    TMainFrm& w = Start();
    w.I_DBGrid1()->setCurrentIndex(w.I_DBGrid1()->model()->index(1, 0));
    QTest::keyClick(&w, Qt::Key_F7);
    ASSERT_EQ(office_.documents.size(), 1u);
    EXPECT_EQ(Descriptions(office_.documents[0]), std::vector<std::string>{"Bogen/20"});
    EXPECT_EQ(office_.documents[0][0][5], "1"); // no quantity column
    EXPECT_EQ(w.Catalog().PositionSet().RecordCount(), 0);
    EXPECT_EQ(w.SoundCount(TSound::Wave), 1);
}

TEST_F(Send, MarkedRowsGoInMarkingOrderInOneDocument)
{
    TMainFrm& w = Start();
    TI_DBGrid* grid = w.I_DBGrid1();
    grid->setCurrentIndex(grid->model()->index(5, 0));
    for (int row : {4, 0, 2, 1, 3})
        grid->RowMarks().Mark(row);
    w.FLX()->click();
    ASSERT_EQ(office_.documents.size(), 1u);
    EXPECT_EQ(Descriptions(office_.documents[0]),
              (std::vector<std::string>{"Nippel/50", "Rohr/10", "Muffe/30", "Bogen/20", "Kappe/40"}));
    // The current row is where it was.
    EXPECT_EQ(w.CurrentDataSet()->CurrentRow(), 5);
}

TEST_F(Send, WithoutAnAssignmentTheMessageThenTheDialog)
{
    TMainFrm& w = Start(false);
    std::string message;
    bool dialogOpened = false;
    OnNextModal([&](QWidget* modal) {
        auto* dlg = qobject_cast<TQuestionDlg*>(modal);
        ASSERT_NE(dlg, nullptr);
        message = dlg->HLSK()->text();
        OnNextModal([&](QWidget* next) {
            dialogOpened = qobject_cast<TVisualDeliverySetup*>(next) != nullptr;
            next->close();
        });
        dlg->FOK()->click();
    });
    w.FLX()->click();
    EXPECT_EQ(message,
              "Um nach <b>Ledgix zu senden</b>, m\xFCssen Sie die <b>Quellfelder dieser Datenbank</b> zun\xE4"
              "chst zuordnen.");
    EXPECT_TRUE(dialogOpened);
    EXPECT_TRUE(office_.documents.empty());
    EXPECT_EQ(office_.canPostCalls, 0);
}

TEST_F(Send, NoOrderOpenOrNoReplyIsToldAndNothingStaysQueued)
{
    TMainFrm& w = Start();
    office_.canPost = false;
    std::string message;
    AnswerMessage(message);
    w.FLX()->click();
    EXPECT_EQ(message, kCannotPostMessage);
    EXPECT_TRUE(office_.documents.empty());
    EXPECT_EQ(w.Catalog().PositionSet().RecordCount(), 0);

    // Once the order is open, the same row goes out once.
    office_.canPost = true;
    w.FLX()->click();
    ASSERT_EQ(office_.documents.size(), 1u);
    EXPECT_EQ(office_.documents[0].size(), 1u);

    // A send without a complete reply is not taken for a success.
    office_.replies = false;
    message.clear();
    AnswerMessage(message);
    w.FLX()->click();
    EXPECT_EQ(message,
              "<b>Ledgix antwortet nicht.</b><br>Es wurde nichts \xFC"
              "bertragen.");
    EXPECT_EQ(w.Catalog().PositionSet().RecordCount(), 0);
}

TEST_F(Send, BasketModeCollectsSendsAndKeepsUntilClosed)
{
    TMainFrm& w = Start();
    TI_DBGrid* grid = w.I_DBGrid1();
    w.FStartBasket()->click();
    ASSERT_TRUE(w.BasketMode());
    TBasketCurrentView* basket = CurrentBasket();
    ASSERT_NE(basket, nullptr);
    EXPECT_EQ(w.FLX()->text(), QStringLiteral("Zum Korb hinzuf\u00fcgen [F7]"));
    EXPECT_FALSE(w.FStartBasket()->isEnabled());

    grid->setCurrentIndex(grid->model()->index(2, 0));
    QTest::keyClick(&w, Qt::Key_F7);
    grid->RowMarks().Mark(5);
    grid->RowMarks().Mark(0);
    QTest::keyClick(&w, Qt::Key_F7);
    EXPECT_TRUE(office_.documents.empty());
    EXPECT_EQ(basket->I_DBGrid1()->model()->rowCount(), 3);

    basket->FlatSpeedButton1()->click();
    basket->FlatSpeedButton1()->click();
    ASSERT_EQ(office_.documents.size(), 2u);
    EXPECT_EQ(Descriptions(office_.documents[1]), (std::vector<std::string>{"Muffe/30", "Stopfen/60", "Rohr/10"}));
    EXPECT_EQ(w.Catalog().PositionSet().RecordCount(), 3);

    // Without an order the basket keeps its positions too.
    office_.canPost = false;
    std::string message;
    AnswerMessage(message);
    basket->FlatSpeedButton1()->click();
    EXPECT_EQ(message, kCannotPostMessage);
    EXPECT_EQ(w.Catalog().PositionSet().RecordCount(), 3);

    basket->FlatSpeedButton3()->click();
    EXPECT_FALSE(w.BasketMode());
    EXPECT_EQ(CurrentBasket(), nullptr);
    EXPECT_EQ(w.Catalog().PositionSet().RecordCount(), 0);
    EXPECT_TRUE(w.FStartBasket()->isEnabled());
    EXPECT_EQ(w.FLX()->text(), QStringLiteral("Zeile nach Ledgix senden  [F7]"));
}

} // namespace
} // namespace artikel::test
