#include "search/ui/TAutoComplete.h"

#include "platform/RetryHooks.h"
#include "platform/uUserMode.h"
#include "platform/ui/AnsiQString.h"
#include "tests/common/TestEnv.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>

namespace artikel {
namespace {

using test::MakeTempDir;
using test::ReadFileBytes;
using test::WriteFileBytes;

void Type(QWidget* widget, const char* text) { QTest::keyClicks(widget, QString::fromLatin1(text)); }

// Counts the keys that reach the edit's own handlers (installed before the suggestion list,
// as the find box's handlers are).
class TKeyCounter : public QObject {
public:
    std::vector<int> keys;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress)
            keys.push_back(static_cast<QKeyEvent*>(event)->key());
        return false;
    }
};

class AutoCompleteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = MakeTempDir("ac");
        SetUserModeFolder(dir_.string());
        file_ = dir_ / "autocomplete.txt";
        form_ = std::make_unique<QWidget>();
        form_->resize(700, 500);
        edit_ = new QLineEdit(form_.get());
        edit_->setGeometry(10, 10, 181, 24);
        other_ = new QLineEdit(form_.get());
        other_->setGeometry(10, 450, 181, 24);
        edit_->installEventFilter(&ownerKeys_);
        ac_ = MakeAutoComplete(edit_);
        QObject::connect(edit_, &QLineEdit::textChanged, [this] { ++changes_; });
        form_->show();
        form_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
        edit_->setFocus();
    }

    void TearDown() override
    {
        ac_.reset();
        form_.reset();
        SetUserModeFolder("");
    }

    std::unique_ptr<TAutoComplete> MakeAutoComplete(QLineEdit* edit)
    {
        auto ac = std::make_unique<TAutoComplete>(file_.string());
        ac->SetUpForFindBox();
        ac->Attach(edit);
        ac->OnSelected = [this] { ++selected_; };
        return ac;
    }

    void Words(const std::vector<std::string>& words)
    {
        std::string bytes;
        for (const std::string& w : words)
            bytes += w + "\r\n";
        WriteFileBytes(file_, bytes);
        ac_->Reload();
    }

    std::vector<std::string> Entries() const
    {
        std::vector<std::string> out;
        if (TSuggestPopup* p = ac_->Popup())
            for (int i = 0; i < p->count(); ++i)
                out.push_back(p->EntryAt(i));
        return out;
    }

    int Row() const { return ac_->Popup() ? ac_->Popup()->currentRow() : -2; }
    int Rows() const { return (ac_->Popup()->height() - 2) / ac_->Popup()->ItemHeight(); }
    int OwnerSaw(int key) const
    {
        return static_cast<int>(std::count(ownerKeys_.keys.begin(), ownerKeys_.keys.end(), key));
    }

    std::filesystem::path dir_, file_;
    std::unique_ptr<QWidget> form_;
    QLineEdit* edit_ = nullptr;
    QLineEdit* other_ = nullptr;
    TKeyCounter ownerKeys_;
    std::unique_ptr<TAutoComplete> ac_;
    int changes_ = 0;
    int selected_ = 0;
};

TEST_F(AutoCompleteTest, TypingListsThePhrasesThatBeginWithTheText)
{
    Words({"kabelbinder", "Rohr", "Kabel", "ka kabel",
           "\xC9"
           "clair"});
    Type(edit_, "ka");
    ASSERT_TRUE(ac_->IsListShown());
    EXPECT_EQ(Entries(), (std::vector<std::string>{"kabelbinder", "Kabel", "ka kabel"}));
    EXPECT_EQ(Row(), -1) << "nothing is selected until a key moves";
    EXPECT_TRUE(ac_->Popup()->isVisible());
    EXPECT_TRUE(edit_->hasFocus()) << "the list never takes the focus";
    EXPECT_EQ(ac_->Popup()->parentWidget(), form_.get());

    Type(edit_, " ");
    EXPECT_FALSE(ac_->IsListShown()) << "a blank before the caret ends the word";
    Type(edit_, "k");
    ASSERT_TRUE(ac_->IsListShown());
    EXPECT_EQ(ac_->TypedText(), "ka k");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"ka kabel"}));
    EXPECT_EQ(Rows(), 3) << "a short list is still three rows high";

    Type(edit_, "x");
    EXPECT_FALSE(ac_->IsListShown()) << "no match closes the list";
    EXPECT_EQ(changes_, 5) << "every change still reaches the edit's own handler";
}

TEST_F(AutoCompleteTest, ListKeysMoveTheSelection)
{
    std::vector<std::string> many;
    for (int i = 0; i < 30; ++i)
        many.push_back(std::string(1, 'p').append(std::to_string(100 + i)));
    struct Case {
        int words;
        int start; // -1: nothing selected
        Qt::Key key;
        int expected;
    };
    const Case cases[] = {
        {5, -1, Qt::Key_Down, 0},    {5, -1, Qt::Key_Up, 0},        {5, -1, Qt::Key_PageDown, 0},
        {5, -1, Qt::Key_PageUp, 0},  {5, 1, Qt::Key_PageDown, 4},   {5, 4, Qt::Key_Down, 0},
        {5, 0, Qt::Key_Up, 4},       {5, 2, Qt::Key_Up, 1},         {5, 2, Qt::Key_Down, 3},
        {5, 3, Qt::Key_PageUp, 0},   {30, 2, Qt::Key_PageDown, 22}, {30, 22, Qt::Key_PageDown, 29},
        {30, 25, Qt::Key_PageUp, 5}, {30, 29, Qt::Key_Down, 0},
    };
    for (const Case& c : cases) {
        Words(std::vector<std::string>(many.begin(), many.begin() + c.words));
        edit_->clear();
        Type(edit_, "p");
        ASSERT_EQ(static_cast<int>(Entries().size()), c.words);
        ac_->Popup()->setCurrentRow(c.start);
        const std::size_t seen = ownerKeys_.keys.size();
        QTest::keyClick(edit_, c.key);
        EXPECT_EQ(Row(), c.expected) << c.words << " entries, from " << c.start << ", key " << c.key;
        EXPECT_EQ(ownerKeys_.keys.size(), seen) << "a list key does not reach the edit's handlers";
        EXPECT_TRUE(ac_->IsListShown());
    }
}

TEST_F(AutoCompleteTest, KeysThatCloseTheListAreStillPassedOn)
{
    Words({"kabel", "kabine"});
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Left, Qt::Key_Right, Qt::Key_Delete}) {
        edit_->clear();
        edit_->setText(QStringLiteral("kab"));
        ASSERT_TRUE(ac_->IsListShown());
        QTest::keyClick(edit_, key);
        EXPECT_FALSE(ac_->IsListShown()) << key;
        EXPECT_EQ(OwnerSaw(key), 1) << key;
        ownerKeys_.keys.clear();
    }
    // Backspace closes the list and edits the text, whose change fills it anew.
    edit_->clear();
    Type(edit_, "kab");
    QTest::keyClick(edit_, Qt::Key_Backspace);
    EXPECT_EQ(edit_->text(), QStringLiteral("ka"));
    EXPECT_EQ(ac_->TypedText(), "ka");
    EXPECT_TRUE(ac_->IsListShown());
    QTest::keyClick(edit_, Qt::Key_Escape);

    // With the list closed, Up and Down belong to the edit's owner (the grid moves).
    edit_->clear();
    QTest::keyClick(edit_, Qt::Key_Down);
    QTest::keyClick(edit_, Qt::Key_Up);
    EXPECT_EQ(OwnerSaw(Qt::Key_Down), 1);
    EXPECT_EQ(OwnerSaw(Qt::Key_Up), 1);
}

TEST_F(AutoCompleteTest, EnterTakesTheSelectedEntryAndFiresOnce)
{
    Words({"kabel", "kabelbinder 3x1,5  ", "kabine"});
    struct Case {
        int downs;
        std::string expected;
    };
    const Case cases[] = {{0, "kabel"}, {2, "kabelbinder 3x1,5"}, {3, "kabine"}};
    for (const Case& c : cases) {
        edit_->clear();
        Type(edit_, "kab");
        ASSERT_TRUE(ac_->IsListShown());
        for (int i = 0; i < c.downs; ++i)
            QTest::keyClick(edit_, Qt::Key_Down);
        selected_ = 0;
        changes_ = 0;
        bool activeInAction = false;
        ac_->OnSelected = [&] {
            ++selected_;
            activeInAction = ac_->IsPopupActive();
        };
        ownerKeys_.keys.clear();
        QTest::keyClick(edit_, Qt::Key_Return);
        EXPECT_EQ(ToAnsi(edit_->text()), c.expected);
        EXPECT_EQ(selected_, 1);
        EXPECT_EQ(changes_, 1) << "the text is set once";
        EXPECT_TRUE(activeInAction) << "a search run by the action must not learn";
        EXPECT_EQ(OwnerSaw(Qt::Key_Return), 0) << "the taken Enter does not search again";
        EXPECT_FALSE(ac_->IsPopupActive());
        EXPECT_EQ(ac_->Popup(), nullptr);
    }
    // An Enter with the list closed is the edit's own.
    QTest::keyClick(edit_, Qt::Key_Return);
    EXPECT_EQ(OwnerSaw(Qt::Key_Return), 1);
    EXPECT_EQ(selected_, 1);
}

TEST_F(AutoCompleteTest, F2OnAnEmptyBoxShowsAllPhrases)
{
    Words({"eins", "zwei"});
    QTest::keyClick(edit_, Qt::Key_F2);
    ASSERT_TRUE(ac_->IsListShown());
    EXPECT_EQ(Entries(), (std::vector<std::string>{"eins", "zwei"}));
    EXPECT_EQ(Rows(), 3);
    EXPECT_EQ(Row(), 0) << "the first entry holding the (empty) selection is selected";
    EXPECT_EQ(OwnerSaw(Qt::Key_F2), 0);
    QTest::keyClick(edit_, Qt::Key_Escape);

    // With text, F2 offers the phrases starting with the whole text, all of it selected.
    edit_->setText(QStringLiteral("zw"));
    QTest::keyClick(edit_, Qt::Key_Escape);
    QTest::keyClick(edit_, Qt::Key_F2);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"zwei"}));
    EXPECT_EQ(edit_->selectedText(), QStringLiteral("zw"));
}

TEST_F(AutoCompleteTest, AtMostAThousandEntriesTwentyRowsHigh)
{
    std::vector<std::string> words;
    for (int i = 0; i < 1500; ++i)
        words.push_back("Artikel " + std::to_string(i));
    Words(words);
    QTest::keyClick(edit_, Qt::Key_F2);
    ASSERT_TRUE(ac_->IsListShown());
    const std::vector<std::string> entries = Entries();
    ASSERT_EQ(entries.size(), 1000u);
    EXPECT_EQ(entries.back(), "Artikel 999");
    EXPECT_EQ(Rows(), 20);
}

TEST_F(AutoCompleteTest, ListIsAsWideAsTheWidestBoldEntryAndItsIcon)
{
    QFont boldFont(QApplication::font());
    boldFont.setPointSize(9);
    boldFont.setBold(true);
    const QFontMetrics bold(boldFont);
    const int cap = static_cast<int>(std::lround(0.6 * edit_->screen()->geometry().width()));
    const std::string longest(400, 'W');
    struct Case {
        std::vector<std::string> words;
        int expected;
    };
    const Case cases[] = {
        {{"Wg", "Wgggggg", "Wgg"}, bold.horizontalAdvance(QStringLiteral("Wgggggg")) + 20 + 24},
        {{"Wg", longest}, cap},
    };
    for (const Case& c : cases) {
        Words(c.words);
        edit_->clear();
        Type(edit_, "w");
        ASSERT_TRUE(ac_->IsListShown());
        EXPECT_EQ(ac_->Popup()->width(), c.expected) << c.words.back();
    }
}

TEST_F(AutoCompleteTest, ReadOnlyEditKeepsItsTextButTheActionRuns)
{
    Words({"kabel"});
    edit_->setText(QStringLiteral("ka"));
    edit_->setReadOnly(true);
    QTest::keyClick(edit_, Qt::Key_F2);
    ASSERT_TRUE(ac_->IsListShown());
    QTest::keyClick(edit_, Qt::Key_Return);
    EXPECT_EQ(edit_->text(), QStringLiteral("ka"));
    EXPECT_EQ(selected_, 1);
}

TEST_F(AutoCompleteTest, DoubleClickOpensAndAClickTakesAnEntry)
{
    Words({"kabel", "kabine"});
    edit_->setText(QStringLiteral("ka"));
    QTest::keyClick(edit_, Qt::Key_Escape);
    QTest::mouseDClick(edit_, Qt::LeftButton);
    ASSERT_TRUE(ac_->IsListShown());
    EXPECT_EQ(edit_->selectedText(), QStringLiteral("ka"));
    // A later click into the edit closes the list; a double-click opens it again.
    QTest::mouseClick(edit_, Qt::LeftButton);
    EXPECT_FALSE(ac_->IsListShown());
    QTest::mouseDClick(edit_, Qt::LeftButton);
    ASSERT_TRUE(ac_->IsListShown());
    TSuggestPopup* list = ac_->Popup();
    const QRect second = list->visualItemRect(list->item(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(edit_->text(), QStringLiteral("kabine"));
    EXPECT_EQ(selected_, 1);
    EXPECT_FALSE(ac_->IsListShown());
}

TEST_F(AutoCompleteTest, LeavingTheEditOrClickingElsewhereCloses)
{
    Words({"kabel"});
    Type(edit_, "ka");
    ASSERT_TRUE(ac_->IsListShown());
    QTest::mouseClick(form_.get(), Qt::LeftButton, {}, QPoint(600, 300));
    EXPECT_FALSE(ac_->IsListShown());

    edit_->setFocus();
    Type(edit_, "b");
    ASSERT_TRUE(ac_->IsListShown());
    other_->setFocus();
    EXPECT_FALSE(ac_->IsListShown());
    EXPECT_EQ(selected_, 0);
}

TEST_F(AutoCompleteTest, MenuEntryLearnsSelectionsOfFourOrMore)
{
    struct Case {
        QString text;
        int start, length;
        bool enabled;
        bool learned;
    };
    const Case cases[] = {
        {QStringLiteral("abc kabel"), 0, 3, true, false}, // three characters: below the minimum
        {QStringLiteral("abc kabel"), 4, 5, true, true},
        {QStringLiteral("a    b"), 1, 3, false, false}, // blanks only
        {QStringLiteral("\"rohr\" x"), 0, 6, true, true},
    };
    int expected = 0;
    for (const Case& c : cases) {
        edit_->setText(c.text);
        edit_->setSelection(c.start, c.length);
        QMenu menu;
        ac_->AppendMenuEntries(&menu);
        QAction* learn = menu.findChild<QAction*>(QStringLiteral("LearnSelection"));
        ASSERT_NE(learn, nullptr);
        EXPECT_EQ(learn->text(), QStringLiteral("Markierung als Vorschlag übernehmen"));
        EXPECT_EQ(learn->isEnabled(), c.enabled) << c.text.toStdString();
        learn->trigger();
        expected += c.learned ? 1 : 0;
        EXPECT_EQ(ac_->Words().Count(), expected) << c.text.toStdString();
    }
    EXPECT_EQ(ReadFileBytes(file_), "kabel\r\nrohr\r\n");
}

TEST_F(AutoCompleteTest, TwoListsOnOneWordFileOfferTheSamePhrases)
{
    QLineEdit second(form_.get());
    auto other = MakeAutoComplete(&second);
    ac_->LearnSuggestions("kabel nym", 3);
    other->LearnSuggestions("kabine", 3);
    second.setFocus();
    Type(&second, "kab");
    ASSERT_TRUE(other->IsListShown());
    EXPECT_EQ(other->Popup()->count(), 2);
    edit_->setFocus();
    Type(edit_, "kab");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"kabel nym", "kabine"}));
}

TEST_F(AutoCompleteTest, SwitchingTheWordFileOffersTheOtherDatabasesPhrases)
{
    Words({"kabel"});
    const std::filesystem::path other = MakeTempDir("db2") / "autocomplete.txt";
    WriteFileBytes(other, "kabine\r\n");
    ac_->SetWordFile(other.string());
    ac_->Reload();
    Type(edit_, "kab");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"kabine"}));
    EXPECT_EQ(ac_->WordFile(), other.string());
}

TEST_F(AutoCompleteTest, EntriesAreDrawnWithTheRedBarAndTheSelectionColour)
{
    Words({"Kabel NYM 3x1,5", "Kabelbinder <100mm> & mehr", "Kabine", "Kabeltrommel"});
    Type(edit_, "kab");
    QTest::keyClick(edit_, Qt::Key_Down);
    QTest::keyClick(edit_, Qt::Key_Down);
    TSuggestPopup* list = ac_->Popup();
    ASSERT_NE(list, nullptr);
    const QImage image = list->grab().toImage();
    const QRect selectedRect = list->visualItemRect(list->item(1)).translated(list->viewport()->pos());
    const QRect plainRect = list->visualItemRect(list->item(2)).translated(list->viewport()->pos());
    const double dpr = image.devicePixelRatio();
    auto pixel = [&](int x, int y) { return image.pixelColor(int(x * dpr), int(y * dpr)); };
    EXPECT_EQ(pixel(selectedRect.left() + 1, selectedRect.center().y()), QColor(Qt::red));
    EXPECT_EQ(pixel(plainRect.left() + 1, plainRect.top()), QColor(Qt::red));
    EXPECT_EQ(pixel(selectedRect.right() - 1, selectedRect.top()), QColor(255, 225, 121));
    EXPECT_EQ(pixel(plainRect.right() - 1, plainRect.top()), QColor(Qt::white));
    // The faint icon sits at the right end: there the background shows through tinted.
    bool tinted = false;
    for (int x = plainRect.right() - 30; x < plainRect.right(); ++x)
        for (int y = plainRect.top(); y <= plainRect.bottom(); ++y)
            tinted = tinted || (pixel(x, y) != QColor(Qt::white) && pixel(x, y).blue() > pixel(x, y).red());
    EXPECT_TRUE(tinted);
    // The widest entry, measured bold, fits with its icon.
    const QFontMetrics bold([] {
        QFont f(QApplication::font());
        f.setPointSize(9);
        f.setBold(true);
        return f;
    }());
    EXPECT_GE(list->width(), bold.horizontalAdvance(QStringLiteral("Kabelbinder <100mm> & mehr")) + 20);

    if (const char* out = std::getenv("ARTIKEL_SCREENSHOT_DIR"))
        form_->grab().save(QString::fromLocal8Bit(out) + QStringLiteral("/suggestions.png"));
}

TEST_F(AutoCompleteTest, ContextMenuOfTheEditCarriesTheLearnEntry)
{
    edit_->setText(QStringLiteral("kabel nym"));
    edit_->selectAll();
    QStringList texts;
    bool enabled = false;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* a : menu->actions()) {
            texts << a->text();
            if (a->objectName() == QStringLiteral("LearnSelection")) {
                enabled = a->isEnabled();
                a->trigger();
            }
        }
        menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), edit_->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(edit_, &event);
    ASSERT_FALSE(texts.isEmpty());
    // The German text menu, then the list's own entries after a separator.
    EXPECT_EQ(texts,
              (QStringList{QStringLiteral("Ausschneiden"), QStringLiteral("Kopieren"), QStringLiteral("Einfügen"),
                           QString(), QStringLiteral("Alles markieren"), QStringLiteral("Symbol einfügen"), QString(),
                           QStringLiteral("Vorschläge manuell bearbeiten"),
                           QStringLiteral("Markierung als Vorschlag übernehmen")}));
    EXPECT_TRUE(enabled);
    EXPECT_EQ(ReadFileBytes(file_), "kabel nym\r\n");
}

TEST_F(AutoCompleteTest, EditDestroyedWhileTheListIsOpen)
{
    Words({"kabel"});
    Type(edit_, "ka");
    ASSERT_TRUE(ac_->IsListShown());
    delete edit_;
    edit_ = nullptr;
    EXPECT_FALSE(ac_->IsListShown());
    EXPECT_EQ(ac_->Edit(), nullptr);
    ac_->OpenSuggestionList(); // nothing to attach to: no effect, no crash
    EXPECT_FALSE(ac_->IsListShown());
}

TEST_F(AutoCompleteTest, UnreadableWordFileIsReportedNotThrownThroughTheEventLoop)
{
    // Another program holds the word file for longer than the retries last.
    WriteFileBytes(file_, "kabel\r\n");
    const std::string held = file_.string();
    const TRetryPauseFunc old = SetRetryPause([](int) {});
    const TFileOpenFunc oldOpen = SetFileOpen([held](const char* path, int flags, mode_t mode) {
        if (held == path) {
            errno = EACCES;
            return -1;
        }
        return ::open(path, flags, mode);
    });
    std::vector<std::string> errors;
    ac_->SetErrorHandler([&](const std::string& message) { errors.push_back(message); });
    Type(edit_, "k");
    SetRetryPause(old);
    SetFileOpen(oldOpen);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_FALSE(errors.front().empty());
    EXPECT_FALSE(ac_->IsListShown());
    EXPECT_EQ(edit_->text(), QStringLiteral("k")) << "typing goes on";
}

} // namespace
} // namespace artikel
