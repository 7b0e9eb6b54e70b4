#include "catalog/ui/TLeftTree.h"

#include "catalog/ui/TreeImages.h"
#include "tests/catalog_ui/CatalogUiFixture.h"

#include <QTest>
#include <QTreeWidget>

using namespace artikel;
using namespace artikel::test;

namespace {

using TreeTest = CatalogUiTest;

QImage Picture(const QIcon& icon) { return icon.pixmap(QSize(kTreeImageSize, kTreeImageSize), 1.0).toImage(); }

void ShowAndClear(FakeHost& host)
{
    host.HostWindow()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(host.HostWindow()));
    host.Selections.clear();
}

TEST(TreeImages, RowHeightIsOnePointTwoImageHeightsRoundedHalfToEven)
{
    const std::pair<int, int> cases[] = {{16, 19}, {10, 12}, {15, 18}, {24, 29}, {32, 38}, {0, 0}, {1, 1}, {3, 4}};
    for (auto [image, row] : cases)
        EXPECT_EQ(NodeHeightForImage(image), row) << image;
}

TEST(TreeImages, DatabaseFilterAndErrorImagesDifferAndOthersShowTheError)
{
    const QImage database = Picture(TreeImage(kImageDatabase));
    const QImage filter = Picture(TreeImage(kImageFilter));
    const QImage error = Picture(TreeImage(kImageError));
    EXPECT_EQ(database.size(), QSize(16, 16));
    EXPECT_NE(database, filter);
    EXPECT_NE(database, error);
    EXPECT_NE(filter, error);
    EXPECT_EQ(Picture(TreeImage(3)), error);
    // Drawn, not empty: the centre of each picture is opaque.
    for (const QImage* image : {&database, &filter, &error})
        EXPECT_GT(qAlpha(image->pixel(8, 8)), 128);
}

TEST_F(TreeTest, RebuildShowsEveryDatabaseAndFilterInCatalogOrderExpanded)
{
    host_->Load(TwoDatabases());
    const std::vector<std::string> order = {"", "K", "K1", "K2", "S", "S1"};
    EXPECT_EQ(host_->NodeIds(), order);

    QTreeWidget* view = host_->Tree().Treeview();
    EXPECT_EQ(view->objectName(), QStringLiteral("Treeview"));
    ASSERT_EQ(view->topLevelItemCount(), 1);
    TTreeNode* root = host_->Tree().RootNode();
    EXPECT_EQ(root->Data().Text, QStringLiteral("Inhalte"));
    EXPECT_EQ(root->Kind(), TNodeKind::Root);
    EXPECT_TRUE(root->icon(0).isNull());
    ASSERT_EQ(root->childCount(), 2);

    const QImage database = Picture(TreeImage(kImageDatabase));
    const QImage filter = Picture(TreeImage(kImageFilter));
    struct Expect {
        std::string Id;
        QString Text;
        TNodeKind Kind;
        const QImage* Image;
        std::string Parent;
    };
    const Expect nodes[] = {
        {"K", QStringLiteral("Kupferrohre"), TNodeKind::Database, &database, ""},
        {"K1", QStringLiteral("Bogen"), TNodeKind::Filter, &filter, "K"},
        {"K2", QStringLiteral("Muffe"), TNodeKind::Filter, &filter, "K"},
        {"S", QStringLiteral("Sanit\u00E4r"), TNodeKind::Database, &database, ""},
        {"S1", QStringLiteral("Wanne"), TNodeKind::Filter, &filter, "S"},
    };
    for (const Expect& e : nodes) {
        TTreeNode* node = host_->NodeById(e.Id);
        ASSERT_NE(node, nullptr) << e.Id;
        EXPECT_EQ(node->Data().Text, e.Text) << e.Id;
        EXPECT_EQ(node->text(0), e.Text) << e.Id;
        EXPECT_TRUE(node->Data().SubId.empty());
        EXPECT_EQ(node->Kind(), e.Kind) << e.Id;
        EXPECT_EQ(Picture(node->icon(0)), *e.Image) << e.Id;
        EXPECT_EQ(static_cast<TTreeNode*>(node->parent())->Data().NodeId, e.Parent) << e.Id;
    }
    for (QTreeWidgetItemIterator it(view); *it; ++it) {
        if ((*it)->childCount() > 0) {
            EXPECT_TRUE((*it)->isExpanded()) << (*it)->text(0).toStdString();
        }
    }
}

TEST_F(TreeTest, RebuildSelectsTheAskedNodeOrTheRootAndNotifiesOnce)
{
    const std::pair<std::string, std::string> cases[] = {{"K2", "K2"}, {"S", "S"}, {"", ""}, {"no-such-id", ""}};
    host_->Load(TwoDatabases());
    for (const auto& [ask, expected] : cases) {
        host_->Selections.clear();
        host_->Tree().RebuildTree(ask);
        EXPECT_EQ(host_->SelectedId(), expected) << ask;
        EXPECT_EQ(host_->Tree().Treeview()->selectedItems().size(), 1) << ask;
        EXPECT_EQ(host_->Selections, (std::vector<Selection>{{expected, false}})) << ask;
    }
}

TEST_F(TreeTest, RowsHaveTheNodeHeightOfTheImages)
{
    host_->Load(TwoDatabases());
    ShowAndClear(*host_);
    QTreeWidget* view = host_->Tree().Treeview();
    EXPECT_EQ(host_->Tree().NodeHeight(), 19);
    for (const char* id : {"K", "K1", "S1"})
        EXPECT_EQ(view->visualItemRect(host_->NodeById(id)).height(), 19) << id;
}

TEST_F(TreeTest, QuickSearchSelectsTheFirstNodeContainingTheTypedTextWithoutNotifying)
{
    struct Case {
        QString Typed;
        std::string Expected;
    };
    const Case cases[] = {
        {QStringLiteral("rohr"), "K"}, // inside a word, other case
        {QStringLiteral("muf"), "K2"}, // a filter
        {QStringLiteral("SANI"), "S"}, // typed in upper case
        {QStringLiteral("te"), ""}, // the root counts too: "Inhalte"
        {QStringLiteral("\u00E4"), "S"}, // a letter beyond ASCII
        {QStringLiteral("wx\b"), "S1"}, // Backspace takes back the last letter
        {QStringLiteral("xyz"), "K1"}, // no match keeps the selection
    };
    host_->Load(TwoDatabases());
    ShowAndClear(*host_);
    for (const Case& c : cases) {
        host_->Tree().CloseQuickSearch();
        host_->Select("K1");
        for (QChar ch : c.Typed) {
            if (ch == QLatin1Char('\b'))
                QTest::keyClick(host_->Tree().Treeview(), Qt::Key_Backspace);
            else
                TypeText(host_->Tree().Treeview(), QString(ch));
        }
        EXPECT_EQ(host_->SelectedId(), c.Expected) << c.Typed.toStdString();
        EXPECT_EQ(host_->Tree().Treeview()->selectedItems().size(), 1);
        EXPECT_TRUE(host_->Selections.empty()) << c.Typed.toStdString();
    }
    EXPECT_EQ(host_->Tree().QuickSearchText(), QStringLiteral("xyz"));
}

TEST_F(TreeTest, QuickSearchStartsAfreshAfterAPauseAndAfterUpOrDown)
{
    host_->Load(TwoDatabases());
    ShowAndClear(*host_);
    QTreeWidget* view = host_->Tree().Treeview();
    host_->Tree().SetQuickSearchPause(60000);
    TypeText(view, QStringLiteral("wan"));
    EXPECT_EQ(host_->SelectedId(), "S1");
    // A short pause only now: on a busy machine the keys of "wan" may lie further apart.
    host_->Tree().SetQuickSearchPause(5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return host_->Tree().QuickSearchText().isEmpty(); }, 5000));
    TypeText(view, QStringLiteral("b"));
    EXPECT_EQ(host_->Tree().QuickSearchText(), QStringLiteral("b"));
    EXPECT_EQ(host_->SelectedId(), "K1");

    host_->Tree().SetQuickSearchPause(60000);
    TypeText(view, QStringLiteral("o"));
    EXPECT_EQ(host_->Tree().QuickSearchText(), QStringLiteral("bo"));
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_TRUE(host_->Tree().QuickSearchText().isEmpty());
    // "+" and "-" stay the tree's own keys.
    TypeText(view, QStringLiteral("+"));
    EXPECT_TRUE(host_->Tree().QuickSearchText().isEmpty());
}

TEST_F(TreeTest, ArrowsMoveSilentlyEnterAndClickNotifyEveryKeyReachesTheWindow)
{
    host_->Load(TwoDatabases());
    std::vector<std::pair<int, Qt::KeyboardModifiers>> keys;
    host_->Tree().SetOnKeyDown([&](int key, Qt::KeyboardModifiers shift) { keys.emplace_back(key, shift); });
    int doubleClicks = 0;
    host_->Tree().SetOnDblClick([&] { ++doubleClicks; });
    ShowAndClear(*host_);
    QTreeWidget* view = host_->Tree().Treeview();
    host_->Select("K");

    QTest::keyClick(view, Qt::Key_Down);
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(host_->SelectedId(), "K2");
    QTest::keyClick(view, Qt::Key_Up);
    EXPECT_EQ(host_->SelectedId(), "K1");
    EXPECT_TRUE(host_->Selections.empty());

    QTest::keyClick(view, Qt::Key_Return);
    QTest::keyClick(view, Qt::Key_Delete, Qt::ControlModifier);
    QTest::keyClick(view, Qt::Key_F5, Qt::ControlModifier);
    EXPECT_EQ(host_->Selections, (std::vector<Selection>{{"K1", false}}));
    const std::vector<std::pair<int, Qt::KeyboardModifiers>> expectedKeys = {
        {Qt::Key_Down, Qt::NoModifier},         {Qt::Key_Down, Qt::NoModifier},
        {Qt::Key_Up, Qt::NoModifier},           {Qt::Key_Return, Qt::NoModifier},
        {Qt::Key_Control, Qt::ControlModifier}, {Qt::Key_Delete, Qt::ControlModifier},
        {Qt::Key_Control, Qt::ControlModifier}, {Qt::Key_F5, Qt::ControlModifier}};
    EXPECT_EQ(keys, expectedKeys);

    host_->Selections.clear();
    const QRect s1 = view->visualItemRect(host_->NodeById("S1"));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, s1.center());
    EXPECT_EQ(host_->Selections, (std::vector<Selection>{{"S1", false}}));
    EXPECT_EQ(doubleClicks, 0);

    const QRect k = view->visualItemRect(host_->NodeById("K"));
    // Through the window, as the windowing system delivers a double click.
    QWidget* window = view->window();
    QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                       view->viewport()->mapTo(window, k.center()));
    EXPECT_EQ(doubleClicks, 1);
    EXPECT_FALSE(host_->NodeById("K")->isExpanded()); // the double click also collapses it
}

TEST_F(TreeTest, ShowingTheTreeNotifiesItsSelection)
{
    host_->Load(TwoDatabases(), "S1");
    host_->HostWindow()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(host_->HostWindow()));
    EXPECT_EQ(host_->Selections, (std::vector<Selection>{{"S1", false}}));
}

TEST_F(TreeTest, RefireSelectionRepeatsOnlyAnUnchangedRememberedSelection)
{
    struct Case {
        const char* Name;
        std::function<void(FakeHost&)> Between;
        std::vector<Selection> Expected;
    };
    const Case cases[] = {
        {"unchanged", [](FakeHost&) {}, {{"K2", true}}},
        {"moved", [](FakeHost& h) { h.Select("S1"); }, {}},
        {"moved and back",
         [](FakeHost& h) {
             h.Select("S1");
             h.Select("K2");
         },
         {{"K2", true}}},
        {"rebuilt",
         [](FakeHost& h) {
             h.Tree().RebuildTree("K2");
             h.Selections.clear();
         },
         {}},
        {"renamed", [](FakeHost& h) { h.Tree().SetNodeText(h.NodeById("K2"), QStringLiteral("Neu")); }, {}},
        {"already refired",
         [](FakeHost& h) {
             h.Tree().RefireSelection();
             h.Selections.clear();
         },
         {}},
    };
    host_->Load(TwoDatabases());
    for (const Case& c : cases) {
        host_->Tree().RebuildTree("K2");
        host_->Tree().RememberSelection();
        host_->Selections.clear();
        c.Between(*host_);
        host_->Tree().RefireSelection();
        EXPECT_EQ(host_->Selections, c.Expected) << c.Name;
    }
}

TEST_F(TreeTest, BrokenFilterListsAndEmptyCatalogStillBuildATree)
{
    // A database without filters ("items" null) is a leaf; the asked filter is found in another.
    WriteFileBytes(host_->NodesFolder() / "a" / "node.json",
                   R"({"Caption":"Alpha","uid":"A","items":[{"Caption":"Eins","uid":"A1"}]})");
    WriteFileBytes(host_->NodesFolder() / "b" / "node.json", R"({"Caption":"Beta","uid":"B","items":null})");
    host_->Catalog().ReloadNodes();
    host_->Tree().RebuildTree("A1");
    EXPECT_EQ(host_->NodeIds(), (std::vector<std::string>{"", "A", "A1", "B"}));
    EXPECT_EQ(host_->SelectedId(), "A1");

    FakeHost empty(MakeTempDir("empty"));
    empty.Catalog().ReloadNodes();
    empty.Tree().RebuildTree("A");
    EXPECT_EQ(empty.NodeIds(), (std::vector<std::string>{""}));
    EXPECT_EQ(empty.Selections, (std::vector<Selection>{{"", false}}));
}

} // namespace
