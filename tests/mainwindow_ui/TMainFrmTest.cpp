// The main window driven with real widgets: start-up with and without "Last.Node", loading,
// a click during a load, title-click sorting, the status line, closing and drops.

#include "catalog/NodeFile.h"
#include "catalog/ui/TCatalogCommands.h"
#include "catalog/ui/TImporter.h"
#include "data/TListDataSet.h"
#include "mainwindow/ProgramTitle.h"
#include "mainwindow/ui/StatusLine.h"
#include "mainwindow/ui/TI_DBGrid.h"
#include "platform/MiniMarkup.h"
#include "platform/ui/AnsiQString.h"
#include "platform/ui/BusyCursor.h"
#include "platform/ui/TFSB_BOX.h"
#include "platform/ui/TMarkupLabel.h"
#include "platform/ui/TQuestionDlg.h"
#include "platform/ui/TWiiProgressBar.h"
#include "search/ui/TAutoComplete.h"
#include "tests/mainwindow_ui/MainWindowFixture.h"
#include "tests/platform_ui/ModalDriver.h"

#include <QAbstractItemModelTester>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QUrl>
#include <QWheelEvent>

namespace artikel {
namespace {

using test::TCatalogFixture;

const char* kDbA = "11111111-AAAA-4AAA-8AAA-AAAAAAAAAAAA";
const char* kDbB = "22222222-BBBB-4BBB-8BBB-BBBBBBBBBBBB";
const char* kFilterA = "33333333-CCCC-4CCC-8CCC-CCCCCCCCCCCC";

const char* kCsvA = "Nr;Text;Preis\r\n"
                    "3;Kupferrohr;1,50\r\n"
                    "1;M\xFCtze;2,00\r\n"
                    "2;Kupferbogen;0,75\r\n"
                    "4;Schraube;0,10\r\n";
const char* kCsvB = "Artikel;Menge\r\nB1;5\r\nB2;7\r\n";

std::string Counts(int total, int filtered, const std::string& filter = {})
{
    return StatusCountsText(total, filtered, filter, LocaleGroupSeparator());
}

// The status line's first line: the counts (the second holds the times).
std::string CountsLine(const TMainFrm& w)
{
    const std::string& text = w.PSH()->text();
    return text.substr(0, text.find("\r\n"));
}

// Builds a catalog with two databases, A with one saved filter.
void AddTwoDatabases(TCatalogFixture& fx)
{
    fx.AddDatabase(kDbA, "Alpha", kCsvA, {{kFilterA, "Kupfer", "kupfer"}});
    fx.AddDatabase(kDbB, "Beta", kCsvB);
}

TEST(TMainFrm, EmptyCatalogShowsTheRootAndTheProgramTitleInTheGrid)
{
    TCatalogFixture fx;
    TMainFrm& w = fx.Start();

    EXPECT_EQ(w.Tree().Treeview()->topLevelItemCount(), 1);
    EXPECT_EQ(w.Tree().Treeview()->topLevelItem(0)->childCount(), 0);
    EXPECT_EQ(w.I_DBGrid1()->Tag(), TI_DBGrid::kTagNothingChosen);
    EXPECT_EQ(w.I_DBGrid1()->EmptyMessage(), FromAnsi(kProgramTitle));
    EXPECT_EQ(w.I_DBGrid1()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(w.CurrentDataSet(), nullptr);
    EXPECT_EQ(w.PSH()->text(), "");
    EXPECT_EQ(w.windowTitle(), FromAnsi(kProgramTitle) + QStringLiteral(" [ Version: " ARTIKELBLICK_VERSION "]"));
    EXPECT_EQ(BusyCursorDepth(), 0);
}

TEST(TMainFrm, TheAutoLearningSwitchIsReadWhereTheWindowKeepsItsSettings)
{
    const char* key = "AutoCompleteFindSuggest.AutoLearning";
    struct Case {
        const char* name;
        int stored; // -1: not stored
        bool expected;
    };
    for (const Case& c : {Case{"switched off", 0, false}, Case{"switched on", 1, true}, Case{"never set", -1, true}}) {
        SCOPED_TRACE(c.name);
        TCatalogFixture fx;
        if (c.stored >= 0) {
            ASSERT_TRUE(WriteUserModeBool(key, c.stored == 1, fx.SettingsFolder()));
        }
        TMainFrm& w = fx.Start();
        ASSERT_NE(w.AutoComplete(), nullptr);
        EXPECT_EQ(w.AutoComplete()->AutoLearning, c.expected);
        // The value read is written back where it was read: the scratch folder's settings file.
        EXPECT_NE(test::ReadFileBytes(fx.SettingsFolder() + "UserMode.INI")
                      .find(std::string(key) + (c.expected ? "=1" : "=0")),
                  std::string::npos);
        std::error_code ec;
        if (std::filesystem::exists(fx.CatalogRoot() / "UserMode.INI", ec)) {
            EXPECT_EQ(test::ReadFileBytes(fx.CatalogRoot() / "UserMode.INI").find(key), std::string::npos);
        }
        fx.Close();
    }
}

struct StartCase {
    const char* name;
    std::string lastNode;
    bool loaded; // database A is the current dataset
    int rows; // rows in view
    std::string filter; // FilterText of the dataset
    int tag;
};

TEST(TMainFrm, StartsWithTheNodeNamedByLastNode)
{
    const StartCase cases[] = {
        {"database", kDbA, true, 4, "", TI_DBGrid::kTagChosen},
        {"filter", kFilterA, true, 2, "kupfer", TI_DBGrid::kTagChosen},
        {"unknown id", "99999999-0000-4000-8000-000000000000", false, 0, "", TI_DBGrid::kTagNothingChosen},
        {"empty", "", false, 0, "", TI_DBGrid::kTagNothingChosen},
    };
    for (const StartCase& c : cases) {
        SCOPED_TRACE(c.name);
        TCatalogFixture fx;
        AddTwoDatabases(fx);
        fx.SetLastNode(c.lastNode);
        TMainFrm& w = fx.Start();

        EXPECT_EQ(w.I_DBGrid1()->Tag(), c.tag);
        EXPECT_EQ(BusyCursorDepth(), 0);
        TListDataSet* ds = w.CurrentDataSet();
        ASSERT_EQ(ds != nullptr, c.loaded);
        if (!ds) {
            EXPECT_EQ(w.I_DBGrid1()->EmptyMessage(), FromAnsi(kProgramTitle));
            continue;
        }
        EXPECT_EQ(ds->RecordCount(), c.rows);
        EXPECT_EQ(ds->FilterText(), c.filter);
        // A saved filter never changes the find box.
        EXPECT_TRUE(w.EditFind()->text().isEmpty());
        EXPECT_EQ(CountsLine(w), Counts(4, c.filter.empty() ? 0 : c.rows, c.filter));
        EXPECT_EQ(w.LastNodeId(), c.lastNode);
        EXPECT_TRUE(w.LoadComplete());

        // One column per field, a fifth of the grid wide, titled by the field.
        TI_DBGrid* grid = w.I_DBGrid1();
        EXPECT_TRUE(grid->isVisible());
        ASSERT_EQ(grid->model()->columnCount(), 3);
        EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Text"));
        for (int col = 0; col < 3; ++col)
            EXPECT_EQ(grid->columnWidth(col), grid->width() / 5);
        EXPECT_EQ(grid->model()->rowCount(), c.rows);
        EXPECT_EQ(grid->LayoutName(), (fx.CatalogRoot() / "nodes" / kDbA).string() + "/grid.col");
    }
}

TEST(TMainFrm, NodesOfTheLoadedDatabaseFilterWithoutReloading)
{
    TCatalogFixture fx;
    AddTwoDatabases(fx);
    fx.SetLastNode(kDbA);
    TMainFrm& w = fx.Start();
    TListDataSet* loaded = w.CurrentDataSet();
    ASSERT_NE(loaded, nullptr);

    fx.ClickTreeNode(kFilterA);
    EXPECT_FALSE(w.LoaderBusy());
    EXPECT_EQ(w.CurrentDataSet(), loaded);
    EXPECT_EQ(loaded->FilterText(), "kupfer");
    EXPECT_EQ(w.I_DBGrid1()->model()->rowCount(), 2);
    EXPECT_EQ(w.SearchTokens(), std::vector<std::string>{"kupfer"});

    // The database's own node drops the filter; the find box keeps its text.
    w.EditFind()->setText(QStringLiteral("bleibt"));
    fx.ClickTreeNode(kDbA);
    EXPECT_EQ(w.CurrentDataSet(), loaded);
    EXPECT_EQ(loaded->FilterText(), "");
    EXPECT_EQ(w.I_DBGrid1()->model()->rowCount(), 4);
    EXPECT_EQ(w.EditFind()->text(), QStringLiteral("bleibt"));
    EXPECT_EQ(CountsLine(w), Counts(4, 0));

    // The root keeps the dataset but shows nothing chosen.
    fx.ClickTreeNode("");
    EXPECT_EQ(w.I_DBGrid1()->Tag(), TI_DBGrid::kTagNothingChosen);
    EXPECT_EQ(w.PSH()->text(), "");
    EXPECT_EQ(w.LastNodeId(), kDbA);
}

TEST(TMainFrm, ASecondDatabaseClickedDuringALoadIsLoadedAfterIt)
{
    TCatalogFixture fx;
    AddTwoDatabases(fx);
    TMainFrm& w = fx.Start();
    ASSERT_EQ(w.CurrentDataSet(), nullptr);
    // The grid's model stays consistent through loads, frees and column rebuilds.
    QAbstractItemModelTester tester(w.I_DBGrid1()->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);

    // No event is processed between the two clicks, so the first load is still pending.
    fx.ClickTreeNode(kDbA);
    ASSERT_TRUE(w.LoaderBusy());
    EXPECT_EQ(w.PSH()->text(), kStatusLoading);
    EXPECT_TRUE(w.PWII()->isVisibleTo(&w));
    EXPECT_TRUE(w.BusyIndicator()->isEnabled());
    EXPECT_EQ(w.I_DBGrid1()->EmptyMessage(), QStringLiteral("Laden der Datenbank.."));
    fx.ClickTreeNode(kDbB);
    EXPECT_EQ(w.PSH()->text(), kStatusNoDataSet);
    EXPECT_EQ(w.LastNodeId(), kDbB);

    fx.WaitIdle();
    // A's delivery re-fired B's selection, which started B's load.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return !w.LoaderBusy() && w.CurrentDataSet() && w.CurrentDataSet()->FieldCount() == 2; }, 5000));
    EXPECT_EQ(w.I_DBGrid1()->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Artikel"));
    EXPECT_EQ(CountsLine(w), Counts(2, 0));
    EXPECT_FALSE(w.PWII()->isVisibleTo(&w));
    EXPECT_FALSE(w.BusyIndicator()->isEnabled());
    EXPECT_EQ(BusyCursorDepth(), 0);
}

TEST(TMainFrm, TitleClickSortsAscendingByThatColumnEveryTime)
{
    TCatalogFixture fx;
    AddTwoDatabases(fx);
    fx.SetLastNode(kDbA);
    TMainFrm& w = fx.Start();
    TI_DBGrid* grid = w.I_DBGrid1();
    ASSERT_EQ(grid->model()->rowCount(), 4);
    QAbstractItemModelTester tester(grid->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);

    struct Case {
        int column;
        std::vector<QString> firstColumnAfter; // the "Nr" column, top to bottom
    };
    const Case cases[] = {
        {1, {QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("1"), QStringLiteral("4")}},
        {2, {QStringLiteral("4"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("1")}},
        {0, {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")}},
        {0, {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")}},
    };
    QHeaderView* titles = grid->horizontalHeader();
    for (const Case& c : cases) {
        const QPoint at(titles->sectionViewportPosition(c.column) + titles->sectionSize(c.column) / 2,
                        titles->height() / 2);
        QTest::mouseClick(titles->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        std::vector<QString> got;
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            got.push_back(grid->model()->index(row, 0).data().toString());
        EXPECT_EQ(got, c.firstColumnAfter) << "column " << c.column;
        EXPECT_FALSE(titles->isSortIndicatorShown());
    }
}

TEST(TMainFrm, ADatabaseWithoutItsFileLoadsWithoutFieldsAndHidesTheGrid)
{
    TCatalogFixture fx;
    fx.AddDatabase(kDbA, "Ohne Datei", "");
    fx.SetLastNode(kDbA);
    TMainFrm& w = fx.Start();

    ASSERT_NE(w.CurrentDataSet(), nullptr);
    EXPECT_EQ(w.CurrentDataSet()->FieldCount(), 0);
    EXPECT_FALSE(w.I_DBGrid1()->isVisible());
    EXPECT_EQ(CountsLine(w), Counts(0, 0));
    EXPECT_EQ(BusyCursorDepth(), 0);
}

TEST(TMainFrm, ClosingStoresTheLastNodeAndThePlacement)
{
    TCatalogFixture fx;
    AddTwoDatabases(fx);
    fx.SetLastNode(kDbA);
    TMainFrm& w = fx.Start();
    fx.ClickTreeNode(kFilterA);
    w.resize(700, 400);
    w.close();

    EXPECT_EQ(ReadUserModeString(TMainFrm::kLastNodeKey, "", fx.SettingsFolder()), kFilterA);
    EXPECT_EQ(ReadUserModeInteger(std::string(TMainFrm::kPlacementPrefix) + ".Width", -1, fx.SettingsFolder()), 700);
    fx.Close();

    // The next start comes back to the filter, in the stored size.
    TMainFrm& again = fx.Start();
    EXPECT_EQ(again.LastNodeId(), kFilterA);
    ASSERT_NE(again.CurrentDataSet(), nullptr);
    EXPECT_EQ(again.CurrentDataSet()->FilterText(), "kupfer");
    EXPECT_EQ(again.width(), 700);
}

// A drag of files that carries them as URLs.
std::unique_ptr<QMimeData> FileDrag(const std::vector<QString>& paths)
{
    auto mime = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls.append(QUrl::fromLocalFile(p));
    mime->setUrls(urls);
    return mime;
}

TEST(TMainFrm, FileDragsAreRefusedWhileAnImportRuns)
{
    TCatalogFixture fx;
    TMainFrm& w = fx.Start();
    ASSERT_TRUE(w.acceptDrops());

    struct Case {
        bool importBusy;
        std::vector<QString> files;
        bool accepted;
    };
    const Case cases[] = {
        {false, {QStringLiteral("/tmp/a.csv")}, true},
        {false, {QStringLiteral("/tmp/a.csv"), QStringLiteral("/tmp/b.xlsx")}, true},
        {true, {QStringLiteral("/tmp/a.csv")}, false},
        {false, {}, false},
    };
    for (const Case& c : cases) {
        w.SetImportBusy(c.importBusy);
        auto mime = FileDrag(c.files);
        QDragEnterEvent enter(QPoint(300, 200), Qt::CopyAction | Qt::LinkAction, mime.get(), Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&w, &enter);
        EXPECT_EQ(enter.isAccepted(), c.accepted) << c.importBusy << " " << c.files.size();
        if (c.accepted) {
            EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
            // The drag leaves again, so no drop target is left behind for later tests.
            QDragLeaveEvent leave;
            QApplication::sendEvent(&w, &leave);
        }
    }
    w.SetImportBusy(false);
}

} // namespace
} // namespace artikel

namespace artikel {
namespace {

// Answers the next question dialog with its OK ("yes") or cancel button.
void AnswerNextQuestion(bool yes)
{
    test::OnNextModal([yes](QWidget* modal) {
        auto* dlg = qobject_cast<TQuestionDlg*>(modal);
        ASSERT_NE(dlg, nullptr);
        (yes ? dlg->FOK() : dlg->FCANCEL())->click();
    });
}

TEST(TMainFrm, KeysOfTheTreeReachTheirCommands)
{
    TCatalogFixture fx;
    AddTwoDatabases(fx);
    fx.SetLastNode(kDbA);
    TMainFrm& w = fx.Start();
    QSignalSpy deletes(w.FDELECAT(), &QAction::triggered);
    QSignalSpy resyncs(w.FDBRESYNC(), &QAction::triggered);

    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int deletes, resyncs;
    };
    const Case cases[] = {
        {Qt::Key_Delete, Qt::ControlModifier, 1, 0}, {Qt::Key_F5, Qt::ControlModifier, 1, 1},
        {Qt::Key_Delete, Qt::NoModifier, 1, 1},      {Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier, 1, 1},
        {Qt::Key_F5, Qt::NoModifier, 1, 1},
    };
    for (const Case& c : cases) {
        // Deletion and re-import ask first; "no" keeps everything as it is.
        if (c.modifiers == Qt::ControlModifier)
            AnswerNextQuestion(false);
        QTest::keyClick(w.Tree().Treeview(), c.key, c.modifiers);
        EXPECT_EQ(deletes.count(), c.deletes) << c.key;
        EXPECT_EQ(resyncs.count(), c.resyncs) << c.key;
    }
    EXPECT_EQ(w.Catalog().NodeCount(), 2u);
}

TEST(TMainFrm, ADatabaseWhoseFileLiesOutsideItsFolderIsNeitherLoadedNorReimported)
{
    TCatalogFixture fx;
    AddTwoDatabases(fx);
    // A planted file beside the database folder, named by the node file: it must keep its bytes.
    const std::filesystem::path planted = fx.CatalogRoot() / "nodes" / "draussen.csv";
    const std::string plantedBytes = "Nr;Text\r\n1;fremd\r\n";
    test::WriteFileBytes(planted, plantedBytes);
    test::WriteFileBytes(fx.CatalogRoot() / "nodes" / kDbA / "node.json",
                         std::string("{\"Caption\":\"Alpha\",\"Filename\":\"../draussen.csv\",\"uid\":\"") + kDbA +
                             "\",\"SourceFilename\":\"" + planted.string() + "\"}");
    fx.SetLastNode(kDbA);
    TMainFrm& w = fx.Start();

    const TJSON* doc = w.Catalog().FindNode(kDbA);
    ASSERT_NE(doc, nullptr);
    const std::string problem = NodeDatabaseFileProblem(*doc);
    ASSERT_FALSE(problem.empty());
    const std::string status = w.PSH()->text();
    EXPECT_NE(status.find("clred"), std::string::npos) << status;
    EXPECT_NE(status.find(EscapeMarkup(problem)), std::string::npos) << status;
    EXPECT_TRUE(w.CurrentDataSet() == nullptr || w.CurrentDataSet()->RecordCount() == 0);

    // The re-import is refused with the same reason, before any question or file dialog.
    QString shown;
    test::OnNextModal([&](QWidget* modal) {
        auto* box = dynamic_cast<TFSB_BOX*>(modal);
        ASSERT_NE(box, nullptr);
        shown = FromAnsi(box->MessageLabel()->text());
        test::PressKeys(box, {Qt::Key_Escape});
    });
    QTest::keyClick(w.Tree().Treeview(), Qt::Key_F5, Qt::ControlModifier);
    EXPECT_TRUE(shown.contains(QStringLiteral("../draussen.csv")) &&
                shown.contains(QStringLiteral("ist kein Dateiname im Ordner der Datenbank.")))
        << shown.toStdString();
    EXPECT_EQ(test::ReadFileBytes(planted), plantedBytes);

    // Another database still loads as before.
    fx.ClickTreeNode(kDbB);
    fx.WaitIdle();
    ASSERT_NE(w.CurrentDataSet(), nullptr);
    EXPECT_EQ(CountsLine(w), Counts(2, 0));
}

TEST(TMainFrm, DeletingTheLoadedDatabaseLoadsItsNeighbour)
{
    TCatalogFixture fx;
    AddTwoDatabases(fx);
    fx.SetLastNode(kDbA);
    TMainFrm& w = fx.Start();
    ASSERT_EQ(w.CurrentDataSet()->FieldCount(), 3);

    AnswerNextQuestion(true);
    QTest::keyClick(w.Tree().Treeview(), Qt::Key_Delete, Qt::ControlModifier);
    fx.WaitIdle();
    EXPECT_FALSE(std::filesystem::exists(fx.CatalogRoot() / "nodes" / kDbA));
    EXPECT_EQ(w.Catalog().NodeCount(), 1u);
    EXPECT_EQ(w.LastNodeId(), kDbB);
    ASSERT_NE(w.CurrentDataSet(), nullptr);
    EXPECT_EQ(w.CurrentDataSet()->FieldCount(), 2);
    EXPECT_EQ(CountsLine(w), Counts(2, 0));

    // Deleting all leaves the root selected and nothing chosen.
    AnswerNextQuestion(true);
    w.DELALL()->trigger();
    fx.WaitIdle();
    EXPECT_EQ(w.Catalog().NodeCount(), 0u);
    EXPECT_EQ(w.I_DBGrid1()->Tag(), TI_DBGrid::kTagNothingChosen);
    EXPECT_EQ(w.Tree().Treeview()->topLevelItem(0)->childCount(), 0);
    // The rows of the deleted database are no longer shown.
    EXPECT_EQ(w.CurrentDataSet(), nullptr);
    EXPECT_EQ(w.I_DBGrid1()->Model().DataSet(), nullptr);
    EXPECT_TRUE(w.LoadedFileKey().empty());
}

TEST(TMainFrm, TheSetupOfADatabaseSelectedByKeysButNotLoadedIsNotOffered)
{
    TCatalogFixture fx;
    AddTwoDatabases(fx);
    fx.SetLastNode(kDbA);
    TMainFrm& w = fx.Start();
    ASSERT_NE(w.CurrentDataSet(), nullptr);
    int edits = 0;
    w.Commands().SetFieldAssignmentEditor(
        [&](const std::vector<std::string>&, TCSVSetup&, std::string&, const std::string&) { ++edits; });
    TCSVSetup setup;

    // Alpha's filter, then Beta: the arrow keys select without loading.
    struct Step {
        const char* selected;
        bool offered;
    };
    for (const Step& step : {Step{kFilterA, true}, Step{kDbB, false}}) {
        QTest::keyClick(w.Tree().Treeview(), Qt::Key_Down);
        ASSERT_EQ(w.Tree().SelectedNode()->Data().NodeId, step.selected);
        EXPECT_EQ(w.LastNodeId(), kDbA);
        EXPECT_EQ(w.SelectedSetup(setup) != nullptr, step.offered) << step.selected;
    }
    // The field assignment does not open for Beta with Alpha's columns.
    w.FPROP()->click();
    EXPECT_EQ(edits, 0);

    QTest::keyClick(w.Tree().Treeview(), Qt::Key_Return);
    fx.WaitIdle();
    EXPECT_NE(w.SelectedSetup(setup), nullptr);
    w.FPROP()->click();
    EXPECT_EQ(edits, 1);
}

TEST(TMainFrm, SelectingTheRootKeepsADatabaseThatStillExists)
{
    TCatalogFixture fx;
    AddTwoDatabases(fx);
    fx.SetLastNode(kDbA);
    TMainFrm& w = fx.Start();
    TListDataSet* loaded = w.CurrentDataSet();
    ASSERT_NE(loaded, nullptr);

    w.Tree().RebuildTree({});
    EXPECT_EQ(w.I_DBGrid1()->Tag(), TI_DBGrid::kTagNothingChosen);
    EXPECT_EQ(w.CurrentDataSet(), loaded);
    EXPECT_FALSE(w.LoadedFileKey().empty());
}

TEST(TMainFrm, F3FocusesTheFindBoxAndTheWheelThenMovesTheCurrentRow)
{
    TCatalogFixture fx;
    AddTwoDatabases(fx);
    fx.SetLastNode(kDbA);
    TMainFrm& w = fx.Start();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    TListDataSet* ds = w.CurrentDataSet();
    ASSERT_NE(ds, nullptr);

    // A disabled find box is not focused.
    w.EditFind()->setEnabled(false);
    w.I_DBGrid1()->setFocus();
    QTest::keyClick(w.I_DBGrid1(), Qt::Key_F3);
    EXPECT_FALSE(w.EditFind()->hasFocus());
    w.EditFind()->setEnabled(true);
    QTest::keyClick(w.I_DBGrid1(), Qt::Key_F3);
    ASSERT_TRUE(w.EditFind()->hasFocus());

    // Wheel over the grid while the find box keeps the focus: down is the next row.
    auto wheel = [&](int delta) {
        QWidget* target = w.I_DBGrid1()->viewport();
        const QPointF at(20, 20);
        QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
    };
    ASSERT_EQ(ds->RecNo(), 1);
    wheel(-120);
    wheel(-120);
    EXPECT_EQ(ds->RecNo(), 3);
    EXPECT_EQ(w.I_DBGrid1()->currentIndex().row(), 2);
    wheel(120);
    EXPECT_EQ(ds->RecNo(), 2);
    EXPECT_TRUE(w.EditFind()->hasFocus());
}

} // namespace
} // namespace artikel

namespace artikel {
namespace {

// A stand-in converter: copies the source as the target CSV and reports success.
std::string FakeConverter()
{
    const auto script = test::MakeTempDir("conv") / "convrun";
    test::WriteFileBytes(script, "#!/bin/sh\ncp \"$1\" \"$2\" && echo Result=1 > \"$3\"\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    return script.string();
}

// A drag of the files over the window and, when the window takes it, the drop. Returns whether
// the drop happened.
bool Drop(TMainFrm& w, const std::vector<QString>& files)
{
    auto mime = FileDrag(files);
    const QPoint at(300, 200);
    QDragEnterEvent enter(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &drop);
    return true;
}

TEST(TMainFrm, DroppedFilesAreImportedAndTheLastOneIsLoaded)
{
    TCatalogFixture fx;
    fx.AddDatabase(kDbA, "Alpha", kCsvA);
    TMainFrm& w = fx.Start();
    w.Importer().SetConverterExecutable(FakeConverter());
    w.Importer().SetDropDelay(std::chrono::milliseconds(0));
    const auto sources = test::MakeTempDir("drop");
    test::WriteFileBytes(sources / "lieferant.txt", kCsvB);
    test::WriteFileBytes(sources / "zweiter.txt", "Nr;Name;Preis;Einheit\r\n1;a;2;St\r\n");

    // While an import runs a drop has no effect.
    w.SetImportBusy(true);
    EXPECT_FALSE(Drop(w, {QString::fromStdString((sources / "lieferant.txt").string())}));
    QTest::qWait(20);
    w.SetImportBusy(false);
    EXPECT_EQ(w.Catalog().NodeCount(), 1u);

    ASSERT_TRUE(Drop(w,
                     {QString::fromStdString((sources / "lieferant.txt").string()),
                      QString::fromStdString((sources / "zweiter.txt").string())}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Catalog().NodeCount() == 3; }, 10000));
    fx.WaitIdle();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.LoaderBusy() && w.CurrentDataSet(); }, 5000));
    // The last file's database is selected and shown.
    EXPECT_EQ(w.CurrentDataSet()->FieldCount(), 4);
    EXPECT_EQ(w.I_DBGrid1()->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Einheit"));
    TTreeNode* selected = w.Tree().SelectedNode();
    ASSERT_NE(selected, nullptr);
    EXPECT_EQ(selected->Data().Text, QStringLiteral("zweiter.csv"));
    EXPECT_EQ(w.LastNodeId(), selected->Data().NodeId);
    EXPECT_FALSE(w.ImportBusy());
    EXPECT_TRUE(w.isEnabled());
}

} // namespace
} // namespace artikel
