// The basket window driven as a user drives it: Delete, the menu's save and open through the
// file dialog (answered here), a failed open, emptying, and how a position is shown.

#include "basket/ui/TBasketCustomView.h"
#include "catalog/TCSVRequest.h"
#include "data/TListDataSet.h"
#include "tests/common/TestEnv.h"
#include "tests/platform_ui/ModalDriver.h"

#include <QAction>
#include <QListView>
#include <QTest>

#include <gtest/gtest.h>

namespace artikel::test {
namespace {

using TRow = std::array<std::string, 7>;

class Basket : public ::testing::Test {
protected:
    void SetUp() override
    {
        catalog_ = std::make_unique<TCSVRequest>(MakeTempDir("client").string() + "/");
        view_ = ShowBasket(catalog_.get(), nullptr, [](TBasketCustomView*) { CloseBasket(); });
        ASSERT_TRUE(QTest::qWaitFor([&] { return view_->Opened(); }, 3000));
        view_->SetFileDialog([this](QWidget*, bool save, const std::string& folder, const std::string& proposed,
                                    const QStringList& filters, int& index) {
            asked_.push_back({save ? "save" : "open", folder, proposed, filters.join(QStringLiteral("|")).toStdString(),
                              std::to_string(index)});
            return answer_;
        });
    }
    void TearDown() override { CloseBasket(); }

    void Add(const TRow& values)
    {
        auto row = std::make_unique<TListRecordData>();
        for (size_t i = 0; i < values.size(); ++i)
            (*row)[i] = values[i];
        catalog_->PositionSet().AddRecord(std::move(row), true, true);
    }
    std::vector<std::string> Descriptions() const
    {
        std::vector<std::string> out;
        const TListDataSet& set = catalog_->PositionSet();
        for (int r = 0; r < set.RecordCount(); ++r)
            out.emplace_back(set.Cell(r, 0));
        return out;
    }

    std::unique_ptr<TCSVRequest> catalog_;
    TBasketCurrentView* view_ = nullptr;
    std::string answer_;
    std::vector<std::vector<std::string>> asked_;
};

TEST_F(Basket, DeleteRemovesTheCurrentPositionUntilNoneIsLeft)
{
    Add({"Rohr", "", "10", "1,50", "m", "2", ""});
    Add({"Bogen", "", "20", "2,00", "St", "", ""});
    QListView* grid = view_->I_DBGrid1();
    ASSERT_EQ(grid->model()->rowCount(), 2);
    grid->setCurrentIndex(grid->model()->index(0, 0));
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Delete);
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Bogen"});
    QTest::keyClick(grid, Qt::Key_Delete);
    QTest::keyClick(grid, Qt::Key_Delete);
    EXPECT_TRUE(Descriptions().empty());
    EXPECT_EQ(grid->model()->rowCount(), 0);
}

TEST_F(Basket, SavedAndOpenedThroughTheMenuComesBackUnchanged)
{
    const TRow tricky = {"Rohr 1/2\" verzinkt", "Lang;text\tmit; Tabs", "10;20", "1,50", "m", "2", "1.1"};
    Add(tricky);
    Add({"Bogen", "", "20", "2,00", "St", "", ""});
    answer_ = (std::filesystem::path(catalog_->BasketsFolder()) / "korb.txt").string();
    view_->MNU_SAVE()->trigger();
    ASSERT_EQ(asked_.size(), 1u);
    EXPECT_EQ(asked_[0][0], "save");
    EXPECT_EQ(asked_[0][1], catalog_->BasketsFolder());
    EXPECT_EQ(asked_[0][3], "Korb Zeug (*.csv)");
    EXPECT_EQ(asked_[0][4], "1");
    const auto saved = std::filesystem::path(catalog_->BasketsFolder()) / "korb.csv";
    ASSERT_TRUE(std::filesystem::exists(saved));
    const std::string header =
        "\"sfdescription\",\"sflongtext\",\"sfpartNo\",\"sfPrice\",\"sfpartUnit\",\"sfQuantity\",\"sfPos\"\r\n";
    EXPECT_EQ(ReadFileBytes(saved).substr(0, header.size()), header);

    view_->MNU_EMPTY()->trigger();
    EXPECT_TRUE(Descriptions().empty());

    answer_ = saved.string();
    view_->MNU_OPEN()->trigger();
    ASSERT_EQ(catalog_->PositionSet().RecordCount(), 2);
    for (size_t f = 0; f < 7; ++f)
        EXPECT_EQ(catalog_->PositionSet().Cell(0, static_cast<int>(f)), tricky[f]) << f;
    EXPECT_EQ(view_->I_DBGrid1()->model()->rowCount(), 2);
}

TEST_F(Basket, AFailedOpenKeepsTheBasketAndNoChoiceChangesNothing)
{
    Add({"Rohr", "", "10", "1,50", "m", "2", ""});
    answer_.clear();
    view_->MNU_OPEN()->trigger();
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Rohr"});

    answer_ = (std::filesystem::path(catalog_->BasketsFolder()) / "fehlt.csv").string();
    OnNextModal([](QWidget* modal) { modal->close(); });
    view_->MNU_OPEN()->trigger();
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Rohr"});
}

TEST_F(Basket, APositionShowsTwoLinesAndItsHintWithoutMarkup)
{
    Add({"Rohr", std::string(250, 'x'), "10", "1,50", "m", "2", "7"});
    view_->I_DBGrid1()->setCurrentIndex(view_->I_DBGrid1()->model()->index(0, 0));
    const std::string line = view_->RowText(0);
    EXPECT_NE(line.find("<br>"), std::string::npos);
    EXPECT_NE(line.find(std::string(198, 'x') + ".."), std::string::npos);
    const std::string hint = view_->RowHint();
    EXPECT_EQ(hint.find('<'), std::string::npos) << hint;
    EXPECT_NE(hint.find("Rohr"), std::string::npos);
    EXPECT_NE(hint.find("2* 1,50"), std::string::npos) << hint;
    // Two bold lines with room to spare.
    EXPECT_GE(view_->I_DBGrid1()->sizeHintForRow(0), TBasketCurrentView::RowHeight(view_->font()));
}

TEST(BasketSlide, EasesOutOverThreeHundredMilliseconds)
{
    EXPECT_EQ(TBasketCurrentView::SlideOffset(0), 0);
    EXPECT_EQ(TBasketCurrentView::SlideOffset(60), 13); // (0.8^5 ...) most of the way early
    EXPECT_EQ(TBasketCurrentView::SlideOffset(150), 19);
    EXPECT_EQ(TBasketCurrentView::SlideOffset(300), 20);
    EXPECT_EQ(TBasketCurrentView::SlideOffset(900), 20);
}

TEST(BasketWindow, OpeningASecondReleasesTheFirst)
{
    TCSVRequest catalog(MakeTempDir("client2").string() + "/");
    QPointer<TBasketCurrentView> first = ShowBasket(&catalog, nullptr, nullptr);
    TBasketCurrentView* second = ShowBasket(&catalog, nullptr, nullptr);
    EXPECT_EQ(CurrentBasket(), second);
    EXPECT_TRUE(QTest::qWaitFor([&] { return first.isNull(); }, 2000));
    EXPECT_TRUE(second->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(second->windowFlags() & Qt::FramelessWindowHint);
    CloseBasket();
    EXPECT_EQ(CurrentBasket(), nullptr);
}

} // namespace
} // namespace artikel::test
