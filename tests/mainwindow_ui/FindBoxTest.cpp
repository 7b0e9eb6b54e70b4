// The find box on the real main window: search on every change, the status line, column
// searches and their errors, suggestions taken with Enter, learning, saved filters and the
// switch to another database.

#include "data/TListDataSet.h"
#include "mainwindow/TPerfomance.h"
#include "platform/RetryHooks.h"
#include "platform/ui/AnsiQString.h"
#include "platform/ui/TMarkupLabel.h"
#include "platform/ui/TQuestionDlg.h"
#include "search/ui/TAutoComplete.h"
#include "tests/mainwindow_ui/MainWindowFixture.h"
#include "tests/platform_ui/ModalDriver.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace artikel {
namespace {

using test::ReadFileBytes;
using test::TCatalogFixture;
using test::WriteFileBytes;

const char* kDbA = "44444444-AAAA-4AAA-8AAA-AAAAAAAAAAAA";
const char* kDbB = "55555555-BBBB-4BBB-8BBB-BBBBBBBBBBBB";

const char* kCsvA = "Nr;Artikel;Text\r\n"
                    "1;A123;M\xDCLLER Rohr\r\n"
                    "2;B456;M\xF6ller Bogen\r\n"
                    "3;C1234;Schraube abc\r\n"
                    "4;D789;Kabel 123\r\n"
                    "5;E000;abcd Muffe\r\n";
const char* kCsvB = "Artikel;Menge\r\nB1;5\r\nB2;7\r\n";

std::string StatusText(const TMainFrm& w) { return w.PSH()->text(); }

int VisibleRows(TListDataSet& ds) { return ds.Filtered() ? ds.FilteredCount() : ds.TotalCount(); }

struct TStarted {
    TCatalogFixture fx;
    std::filesystem::path folderA;
    std::filesystem::path folderB;
    TMainFrm* w = nullptr;
    TListDataSet* ds = nullptr;

    explicit TStarted(const std::string& wordsA = {}, const std::string& wordsB = {})
    {
        folderA = fx.AddDatabase(kDbA, "Alpha", kCsvA);
        folderB = fx.AddDatabase(kDbB, "Beta", kCsvB);
        if (!wordsA.empty())
            WriteFileBytes(folderA / kWordFileName, wordsA);
        if (!wordsB.empty())
            WriteFileBytes(folderB / kWordFileName, wordsB);
        fx.SetLastNode(kDbA);
        w = &fx.Start();
        w->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w));
        ds = w->CurrentDataSet();
        EXPECT_NE(ds, nullptr);
        w->EditFind()->setFocus();
    }
};

TEST(FindBox, EveryTypedCharacterFiltersAndRewritesTheStatusLine)
{
    TStarted s;
    ASSERT_NE(s.ds, nullptr);
    EXPECT_TRUE(s.w->EditFind()->isEnabled());
    EXPECT_FALSE(s.w->FFINDCLEAR()->isEnabled());
    EXPECT_FALSE(s.w->FFIIND()->isEnabled());
    EXPECT_FALSE(s.w->FNEWSUBNODE()->isEnabled());

    const int before = s.w->SearchCount();
    std::string typed;
    std::vector<std::string> lines;
    for (char c : std::string("abc")) {
        QTest::keyClick(s.w->EditFind(), c);
        typed += c;
        EXPECT_EQ(s.w->SearchCount(), before + static_cast<int>(typed.size()));
        EXPECT_EQ(s.ds->FilterText(), typed);
        const std::string status = StatusText(*s.w);
        EXPECT_NE(status.find("| [" + typed + "]\r\n"), std::string::npos) << status;
        // The second line holds the load time and the time of this search.
        EXPECT_NE(status.find(" s. + "), std::string::npos) << status;
        lines.push_back(status);
    }
    EXPECT_EQ(VisibleRows(*s.ds), 2); // "Schraube abc", "abcd Muffe"
    EXPECT_NE(lines[0], lines[1]);
    EXPECT_NE(lines[1], lines[2]);
    EXPECT_TRUE(s.w->FFINDCLEAR()->isEnabled());
    EXPECT_TRUE(s.w->FFIIND()->isEnabled());
    EXPECT_TRUE(s.w->FNEWSUBNODE()->isEnabled());

    // The clear button empties the box and drops the filter with one search.
    const int count = s.w->SearchCount();
    s.w->FFINDCLEAR()->click();
    EXPECT_EQ(s.w->SearchCount(), count + 1);
    EXPECT_TRUE(s.w->EditFind()->text().isEmpty());
    EXPECT_EQ(VisibleRows(*s.ds), 5);
    EXPECT_FALSE(s.w->FFINDCLEAR()->isEnabled());
    EXPECT_TRUE(s.w->SearchTokens().empty());
}

TEST(FindBox, ButtonsSitRightOfTheBoxWithinItsSpan)
{
    TStarted s;
    const QRect box = s.w->EditFind()->geometry();
    EXPECT_EQ(box.left(), 76);
    EXPECT_EQ(box.width(), 181);
    const QRect clear = s.w->FFINDCLEAR()->geometry();
    const QRect again = s.w->FFIIND()->geometry();
    EXPECT_EQ(clear.left(), box.right() + 1);
    EXPECT_EQ(again.left(), clear.right() + 1);
    for (const QRect& r : {clear, again}) {
        EXPECT_EQ(r.top(), box.top());
        EXPECT_EQ(r.height(), box.height());
    }
    const QRect add = s.w->FNEWSUBNODE()->geometry();
    const QRect remove = s.w->FDELSUBNODE()->geometry();
    EXPECT_GT(add.left(), again.right());
    EXPECT_EQ(remove.left(), add.right() + 1);
    EXPECT_EQ(remove.right() + 1, 388);
    EXPECT_EQ(s.w->FNEWSUBNODE()->toolTip(), QStringLiteral("Als Filter hinzuf\u00fcgen"));
    EXPECT_EQ(s.w->FDELSUBNODE()->toolTip(), QStringLiteral("Filter entfernen"));
}

struct TSearchCase {
    const char* name;
    const char* text;
    int rows; // -1: not checked
    const char* error; // shown in red in the status line; nullptr: none
    std::vector<std::string> tokens;
    bool buttons;
};

TEST(FindBox, TextsFilterAsTheUserExpects)
{
    const std::vector<TSearchCase> cases = {
        {"umlaut in another case", "m\xFCller", 1, nullptr, {"m\xFCller"}, true},
        {"question mark for one letter", "m?ller", 2, nullptr, {"m?ller"}, true},
        {"every token required", "abc muffe", 1, nullptr, {"abc", "muffe"}, true},
        {"two blanks keep the same rows", "kabel  123", 1, nullptr, {"kabel", "", "123"}, true},
        {"named column", "Artikel=123", 2, nullptr, {"Artikel=123"}, true},
        {"named column in another case", "artikel=123", 2, nullptr, {"artikel=123"}, true},
        {"all columns", "*=123", 3, nullptr, {"*=123"}, true},
        {"unknown column", "nosuchcolumn=1", -1, "nosuchcolumn not found", {"nosuchcolumn=1"}, true},
        {"unknown column without words", "nosuchcolumn=", 5, nullptr, {"nosuchcolumn="}, true},
        {"only blanks", "   ", 5, nullptr, {}, false},
        {"only stars", "***", 5, nullptr, {"***"}, true},
    };
    TStarted s;
    ASSERT_NE(s.ds, nullptr);
    for (const TSearchCase& c : cases) {
        s.w->EditFind()->setText(QStringLiteral("zzz"));
        s.w->EditFind()->setText(FromAnsi(c.text));
        if (c.rows >= 0) {
            EXPECT_EQ(VisibleRows(*s.ds), c.rows) << c.name;
        }
        EXPECT_EQ(s.w->SearchTokens(), c.tokens) << c.name;
        EXPECT_EQ(s.w->FFINDCLEAR()->isEnabled(), c.buttons) << c.name;
        EXPECT_EQ(s.w->FFIIND()->isEnabled(), c.buttons) << c.name;
        const std::string status = StatusText(*s.w);
        if (c.error) {
            EXPECT_NE(status.find(std::string("<font color=\"clred\" /font>") + c.error), std::string::npos)
                << c.name << ": " << status;
        } else {
            EXPECT_EQ(status.find("clred"), std::string::npos) << c.name << ": " << status;
        }
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << c.name;
    }
}

TEST(FindBox, UpAndDownMoveInTheOpenListOtherwiseInTheGrid)
{
    TStarted s("Kabel 123\r\nKabelbinder\r\n");
    ASSERT_NE(s.ds, nullptr);
    TAutoComplete* ac = s.w->AutoComplete();
    ASSERT_NE(ac, nullptr);
    ASSERT_FALSE(ac->IsListShown());
    const int rec = s.ds->RecNo();
    QTest::keyClick(s.w->EditFind(), Qt::Key_Down);
    EXPECT_EQ(s.ds->RecNo(), rec + 1);
    QTest::keyClick(s.w->EditFind(), Qt::Key_Up);
    EXPECT_EQ(s.ds->RecNo(), rec);

    // Matching suggestions open the list; Down then moves in it, not in the grid.
    QTest::keyClicks(s.w->EditFind(), QStringLiteral("ka"));
    ASSERT_TRUE(ac->IsListShown());
    ASSERT_NE(ac->Popup(), nullptr);
    const int recInList = s.ds->RecNo();
    QTest::keyClick(s.w->EditFind(), Qt::Key_Down);
    EXPECT_EQ(s.ds->RecNo(), recInList);
    const int row = ac->Popup()->currentRow();
    ASSERT_GE(row, 0);
    const std::string entry = ac->Popup()->EntryAt(row);

    // Enter takes the entry and searches it exactly once; no suggestion is learned meanwhile.
    const int searches = s.w->SearchCount();
    QTest::keyClick(s.w->EditFind(), Qt::Key_Return);
    EXPECT_EQ(s.w->SearchCount(), searches + 1);
    EXPECT_EQ(ToAnsi(s.w->EditFind()->text()), entry);
    EXPECT_EQ(s.ds->FilterText(), entry);
    EXPECT_FALSE(ac->IsListShown());

    // Enter in the box with the list closed searches again.
    QTest::keyClick(s.w->EditFind(), Qt::Key_Return);
    EXPECT_EQ(s.w->SearchCount(), searches + 2);
}

TEST(FindBox, KeysQueuedBehindASlowSearchGiveOneSearchOfTheFinalText)
{
    TStarted s;
    ASSERT_NE(s.ds, nullptr);
    TAutoComplete* ac = s.w->AutoComplete();
    ASSERT_NE(ac, nullptr);
    s.w->SetSlowSearchMs(0); // the five rows filter in no time: every search counts as slow here
    const int before = s.w->SearchCount();
    // Three keys wait in the queue while the first one's search runs.
    for (char c : std::string("bcd"))
        QCoreApplication::postEvent(
            s.w->EditFind(),
            new QKeyEvent(QEvent::KeyPress, Qt::Key_A + (c - 'a'), Qt::NoModifier, QString(QLatin1Char(c))));
    QTest::keyClick(s.w->EditFind(), 'a');
    EXPECT_EQ(s.w->SearchCount(), before + 1);
    EXPECT_EQ(s.ds->FilterText(), "a");
    QCoreApplication::processEvents();
    EXPECT_EQ(ToAnsi(s.w->EditFind()->text()), "abcd");
    EXPECT_EQ(s.w->SearchCount(), before + 2) << "the queued keys are searched once, as their final text";
    EXPECT_EQ(s.ds->FilterText(), "abcd");
    ASSERT_EQ(VisibleRows(*s.ds), 1);
    EXPECT_EQ(s.ds->Cell(0, 2), "abcd Muffe");
    EXPECT_NE(StatusText(*s.w).find("| [abcd]\r\n"), std::string::npos) << StatusText(*s.w);
    EXPECT_TRUE(ac->Words().Contains("abcd"));
    EXPECT_FALSE(ac->Words().Contains("abc")) << "a text never searched on its own is not learned";

    // Nothing was queued behind that search; with fast searches every key searches at once.
    s.w->SetSlowSearchMs(1e9);
    QCoreApplication::processEvents();
    EXPECT_EQ(s.w->SearchCount(), before + 2);
    QTest::keyClick(s.w->EditFind(), Qt::Key_Backspace);
    EXPECT_EQ(s.w->SearchCount(), before + 3);
    EXPECT_EQ(s.ds->FilterText(), "abc");
}

TEST(FindBox, SearchesThatFindRowsAreLearned)
{
    TStarted s;
    ASSERT_NE(s.ds, nullptr);
    TAutoComplete* ac = s.w->AutoComplete();
    ASSERT_NE(ac, nullptr);
    struct TLearnCase {
        const char* text;
        bool learned;
    };
    const std::vector<TLearnCase> cases = {
        {"schraube", true},
        {"zzzzzz", false}, // finds nothing
        {"nosuchcolumn=1", false}, // an error
        {"ab", false}, // too short to be learned
        {"kabel 123", true},
    };
    for (const TLearnCase& c : cases) {
        s.w->EditFind()->setText(FromAnsi(c.text));
        ac->CloseSuggestionList();
        EXPECT_EQ(ac->Words().Contains(c.text), c.learned) << c.text;
    }
    const std::string file = ReadFileBytes(s.folderA / kWordFileName);
    EXPECT_NE(file.find("schraube\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("kabel 123\r\n"), std::string::npos) << file;
    EXPECT_EQ(file.find("zzzzzz"), std::string::npos) << file;
}

TEST(FindBox, AWordFileThatCannotBeWrittenIsReportedInTheStatusLine)
{
    TCatalogFixture fx;
    const auto folder = fx.AddDatabase(kDbA, "Alpha", kCsvA);
    // A folder in place of the word file: neither readable nor writable as a file.
    std::filesystem::create_directories(folder / kWordFileName);
    // The retries give up at once instead of after seconds.
    struct TNoPause {
        TRetryPauseFunc previous = SetRetryPause([](int) {});
        ~TNoPause() { SetRetryPause(previous); }
    } noPause;
    fx.SetLastNode(kDbA);
    TMainFrm& w = fx.Start();
    ASSERT_NE(w.CurrentDataSet(), nullptr);
    w.EditFind()->setText(QStringLiteral("schraube"));
    EXPECT_EQ(VisibleRows(*w.CurrentDataSet()), 1);
    const std::string status = StatusText(w);
    EXPECT_NE(status.find("<font color=\"clred\" /font>"), std::string::npos) << status;
    EXPECT_NE(status.find(kWordFileName), std::string::npos) << status;
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

void AnswerNextQuestion(bool yes)
{
    test::OnNextModal([yes](QWidget* modal) {
        auto* dlg = qobject_cast<TQuestionDlg*>(modal);
        ASSERT_NE(dlg, nullptr);
        (yes ? dlg->FOK() : dlg->FCANCEL())->click();
    });
}

TEST(FindBox, SearchesAreSavedReusedAndRemovedAsFilters)
{
    TStarted s;
    ASSERT_NE(s.ds, nullptr);
    s.w->EditFind()->setText(QStringLiteral("kabel"));
    s.w->FNEWSUBNODE()->click();
    s.fx.WaitIdle();
    TTreeNode* node = s.w->Tree().SelectedNode();
    ASSERT_NE(node, nullptr);
    const std::string filterId = node->Data().NodeId;
    ASSERT_NE(filterId, kDbA);
    const TJSON* filter = s.w->Catalog().FindFilter(filterId);
    ASSERT_NE(filter, nullptr);
    EXPECT_EQ(JsonText(*filter, "filter"), "kabel");
    ASSERT_NE(s.w->CurrentDataSet(), nullptr);
    EXPECT_EQ(s.w->CurrentDataSet()->FilterText(), "kabel");

    // The same text in another case reuses the filter.
    s.w->EditFind()->setText(QStringLiteral("KABEL"));
    s.w->FNEWSUBNODE()->click();
    s.fx.WaitIdle();
    ASSERT_NE(s.w->Tree().SelectedNode(), nullptr);
    EXPECT_EQ(s.w->Tree().SelectedNode()->Data().NodeId, filterId);
    // The saved text is in force; the box keeps what was typed.
    EXPECT_EQ(s.w->CurrentDataSet()->FilterText(), "kabel");
    EXPECT_EQ(s.w->EditFind()->text(), QStringLiteral("KABEL"));
    EXPECT_NE(StatusText(*s.w).find(" </b>| [kabel]\r\n"), std::string::npos) << StatusText(*s.w);

    AnswerNextQuestion(true);
    s.w->FDELSUBNODE()->click();
    s.fx.WaitIdle();
    EXPECT_EQ(s.w->Catalog().FindFilter(filterId), nullptr);
}

TEST(FindBox, AnotherDatabaseEmptiesTheBoxWithoutSearchingAndBringsItsWords)
{
    TStarted s("alpha eins\r\n", "beta zwei\r\n");
    ASSERT_NE(s.ds, nullptr);
    TAutoComplete* ac = s.w->AutoComplete();
    ASSERT_NE(ac, nullptr);
    EXPECT_TRUE(std::filesystem::equivalent(ac->WordFile(), s.folderA / kWordFileName));
    EXPECT_TRUE(ac->Words().Contains("alpha eins"));

    s.w->EditFind()->setText(QStringLiteral("rohr"));
    ac->CloseSuggestionList();
    const int searches = s.w->SearchCount();
    s.fx.ClickTreeNode(kDbB);
    s.fx.WaitIdle();
    ASSERT_NE(s.w->CurrentDataSet(), nullptr);
    EXPECT_EQ(s.w->CurrentDataSet()->TotalCount(), 2);
    EXPECT_TRUE(s.w->EditFind()->text().isEmpty());
    EXPECT_EQ(s.w->SearchCount(), searches);
    EXPECT_TRUE(s.w->SearchTokens().empty());
    EXPECT_TRUE(std::filesystem::equivalent(ac->WordFile(), s.folderB / kWordFileName));
    EXPECT_TRUE(ac->Words().Contains("beta zwei"));
    EXPECT_FALSE(ac->Words().Contains("alpha eins"));
}

// --- stopwatches

TPerfomance::Clock::time_point gNow{};
TPerfomance::Clock::time_point FakeNow() { return gNow; }

TEST(TPerfomance, StopwatchTimesAndTheirText)
{
    using std::chrono::milliseconds;
    TPerfomance2 watches;
    watches[0].SetClockForTest(&FakeNow);
    watches[1].SetClockForTest(&FakeNow);
    EXPECT_EQ(watches[0].Stop(), 0.0); // never started
    EXPECT_EQ(watches.TimeText(','), " </b>| <b><font color=\"clblue\" /font>");

    gNow = TPerfomance::Clock::time_point(milliseconds(1000));
    watches[0].Start();
    gNow += milliseconds(1500);
    watches[1].Start();
    EXPECT_TRUE(watches[1].Running());
    gNow += milliseconds(42);
    // Running watches are stopped by the text; their values stay until started or reset.
    EXPECT_EQ(watches.TimeText(','), " </b>| <b><font color=\"clblue\" /font>1,542 s. + 0,042 s.");
    EXPECT_FALSE(watches[0].Running());
    gNow += milliseconds(5000);
    EXPECT_EQ(watches.TimeText('.'), " </b>| <b><font color=\"clblue\" /font>1.542 s. + 0.042 s.");
    watches[0].Reset();
    EXPECT_EQ(watches.TimeText('.'), " </b>| <b><font color=\"clblue\" /font>0.042 s.");
}

TEST(TPerfomance, SecondsWithThreeDecimals)
{
    const struct {
        double seconds;
        char point;
        const char* text;
    } cases[] = {{0, ',', "0,000"},
                 {0.0004, '.', "0.000"},
                 {0.0005001, '.', "0.001"},
                 {12.3456, ',', "12,346"},
                 {-1, '.', "0.000"}};
    for (const auto& c : cases)
        EXPECT_EQ(FormatSeconds(c.seconds, c.point), c.text) << c.seconds;
}

} // namespace
} // namespace artikel
