// The balloon of the tree's quick search: key rules, hide timer, shape, focus and mouse.

#include "catalog/ui/TVisualFindHelperDataModule.h"
#include "platform/ui/AnsiQString.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace artikel {
namespace {

// A hide timer the test fires itself.
class TFakeTimer : public THideTimer {
public:
    explicit TFakeTimer(TFakeTimer** self) { *self = this; }
    void Start(int milliseconds) override
    {
        interval = milliseconds;
        active = true;
    }
    void Stop() override { active = false; }
    bool Active() const override { return active; }
    void Fire()
    {
        active = false;
        onTimeout();
    }
    int interval = 0;
    bool active = false;
};

class QuickSearchHintTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        helper_.CloseBalloon();
        helper_.TimerFactory = [this] { return std::make_unique<TFakeTimer>(&timer_); };
        tree_.resize(300, 200);
        tree_.show();
        tree_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&tree_));
        tree_.setFocus();
    }
    void TearDown() override
    {
        helper_.CloseBalloon();
        helper_.TimerFactory = nullptr;
    }
    QString Key(QChar c, int key = 0, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        return helper_.QuickSearchKey(&tree_, QRect(10, 20, 100, 20), c, key, mods, -1);
    }
    std::string Markup() const { return helper_.Balloon() ? helper_.Balloon()->Text() : std::string("<none>"); }

    TVisualFindHelperDataModule& helper_ = TVisualFindHelperDataModule::Instance();
    TFakeTimer* timer_ = nullptr;
    QTreeWidget tree_;
};

TEST_F(QuickSearchHintTest, TypedCharactersCollectWithTheLastOneBold)
{
    EXPECT_EQ(Key(QLatin1Char('d')), QStringLiteral("d"));
    EXPECT_EQ(Key(QLatin1Char('a')), QStringLiteral("da"));
    EXPECT_EQ(Key(QLatin1Char('t')), QStringLiteral("dat"));
    EXPECT_EQ(Markup(), "da<b>t");
    ASSERT_NE(timer_, nullptr);
    EXPECT_TRUE(timer_->active);
    EXPECT_EQ(timer_->interval, 5000);
    EXPECT_TRUE(helper_.Balloon()->isVisible());
    // The balloon sits under the node's centre.
    EXPECT_EQ(helper_.Balloon()->pos(), tree_.mapToGlobal(QPoint(60, 37)));

    // Five seconds without a key: hidden and empty, the next key starts anew.
    timer_->Fire();
    ASSERT_NE(helper_.Balloon(), nullptr);
    EXPECT_FALSE(helper_.Balloon()->isVisible());
    EXPECT_EQ(Key(QLatin1Char('e')), QStringLiteral("e"));
    EXPECT_EQ(Markup(), "<b>e");
}

TEST_F(QuickSearchHintTest, KeysThatDoNotType)
{
    EXPECT_EQ(Key(QLatin1Char('r')), QStringLiteral("r"));
    // The tree's expand and collapse keys, copy and select-all change nothing.
    EXPECT_EQ(Key(QLatin1Char('+')), QString());
    EXPECT_EQ(Key(QLatin1Char('-')), QString());
    EXPECT_EQ(Key(QChar(3), Qt::Key_C, Qt::ControlModifier), QString());
    EXPECT_EQ(Key(QChar(9)), QString());
    EXPECT_EQ(Key(QChar(13)), QString());
    EXPECT_EQ(Markup(), "<b>r");
    // Characters 33 to 41 are no search text: the balloon closes.
    EXPECT_EQ(Key(QLatin1Char('(')), QString());
    EXPECT_EQ(helper_.Balloon(), nullptr);

    EXPECT_EQ(Key(QLatin1Char('r')), QStringLiteral("r"));
    EXPECT_EQ(Key(QChar(27)), QString());
    EXPECT_EQ(helper_.Balloon(), nullptr);
}

TEST_F(QuickSearchHintTest, BackspaceTakesBackAndClosesOnTheLastCharacter)
{
    Key(QLatin1Char('a'));
    EXPECT_EQ(Key(QLatin1Char('b')), QStringLiteral("ab"));
    EXPECT_EQ(Key(QChar(8), Qt::Key_Backspace), QStringLiteral("a"));
    EXPECT_EQ(Markup(), "a");
    EXPECT_EQ(Key(QChar(8), Qt::Key_Backspace), QString());
    EXPECT_EQ(helper_.Balloon(), nullptr);
}

TEST_F(QuickSearchHintTest, CtrlSearchesForTheClipboardsFirstTwentyCharacters)
{
    QApplication::clipboard()->setText(QStringLiteral("  Kupferrohr 15 mm hart, Stange 5 m  "));
    EXPECT_EQ(Key(QChar(22), Qt::Key_V, Qt::ControlModifier), QStringLiteral("Kupferrohr 15 mm har"));
}

TEST_F(QuickSearchHintTest, NeverTakesTheFocusAndLetsClicksThrough)
{
    Key(QLatin1Char('x'));
    TMessageWindow* balloon = helper_.Balloon();
    ASSERT_NE(balloon, nullptr);
    QApplication::processEvents();
    EXPECT_TRUE(tree_.hasFocus());
    EXPECT_EQ(QApplication::activeWindow(), &tree_);
    EXPECT_TRUE(balloon->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_TRUE(balloon->windowFlags() & Qt::WindowTransparentForInput);
    EXPECT_TRUE(balloon->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_EQ(balloon->focusPolicy(), Qt::NoFocus);
    // The pointer at the top left belongs to the shape, the corner beside it does not.
    EXPECT_TRUE(balloon->mask().contains(QPoint(9, 5)));
    EXPECT_FALSE(balloon->mask().contains(QPoint(20, 3)));
    EXPECT_TRUE(balloon->mask().contains(QPoint(balloon->width() / 2, balloon->height() / 2)));
}

} // namespace
} // namespace artikel
