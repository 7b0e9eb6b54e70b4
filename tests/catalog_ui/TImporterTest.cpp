#include "catalog/ui/TImporter.h"

#include "catalog/ConverterImport.h"
#include "catalog/NodeFile.h"
#include "platform/Folders.h"
#include "platform/uUserMode.h"
#include "platform/ui/TFSB_BOX.h"
#include "platform/ui/TQuestionDlg.h"
#include "tests/catalog_ui/CatalogUiFixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QTest>

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <sys/stat.h>

using namespace artikel;
using namespace artikel::test;
namespace fs = std::filesystem;

namespace {

const std::string kConvrun = ARTIKEL_BINARY_DIR "/bin/convrun";

// Answers every dialog that opens: message boxes are closed and their texts kept, questions are
// answered from Answers (no when it runs out) and their texts kept.
class DialogAnswerer {
public:
    DialogAnswerer()
    {
        timer_.setInterval(2);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start();
    }

    std::vector<std::string> Messages;
    std::vector<std::string> Questions;
    std::deque<bool> Answers;
    // Called with each dialog before it is answered.
    std::function<void(QWidget*)> Seen;

private:
    void Poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        if (Seen)
            Seen(modal);
        if (auto* box = qobject_cast<TFSB_BOX*>(modal)) {
            Messages.push_back(box->MessageLabel()->text());
            (box->BoxKind() == TFSB_BOX::Kind::Message ? box->FB_BREAK2() : box->FB_BREAK1())->click();
        } else if (auto* question = qobject_cast<TQuestionDlg*>(modal)) {
            Questions.push_back(question->HLSK()->text());
            const bool yes = !Answers.empty() && Answers.front();
            if (!Answers.empty())
                Answers.pop_front();
            (yes ? question->FOK() : question->FCANCEL())->click();
        } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            ADD_FAILURE() << "unexpected dialog " << modal->metaObject()->className();
            dialog->reject();
        }
    }

    QTimer timer_;
};

// A stand-in converter: copies the source, fails for "bad*" with a reason, reports success
// without writing the CSV for "nocsv*", adds notes for "notes*", takes a while for "slow*".
std::string FakeConverter()
{
    const fs::path file = MakeTempDir("bin") / "convrun";
    WriteFileBytes(file,
                   "#!/bin/sh\n"
                   "case \"$(basename \"$1\")\" in\n"
                   "  bad*) printf 'Result=0\\r\\nMessage=Die Datei ist kaputt.\\r\\n' > \"$3\" ;;\n"
                   "  nocsv*) printf 'Result=1\\r\\n' > \"$3\" ;;\n"
                   "  notes*) cp \"$1\" \"$2\"; printf 'Result=1\\r\\nMessage=Titelzeile uebersprungen: %s\\r\\n"
                   "Message=Blatt <Hinweise> & mehr nicht uebernommen.\\r\\n' \"$(basename \"$1\")\" > \"$3\" ;;\n"
                   "  slow*) sleep 0.3; cp \"$1\" \"$2\"; printf 'Result=1\\r\\n' > \"$3\" ;;\n"
                   "  *) cp \"$1\" \"$2\"; printf 'Result=1\\r\\n' > \"$3\" ;;\n"
                   "esac\n");
    ::chmod(file.c_str(), 0755);
    return file.string();
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class ImporterTest : public CatalogUiTest {
protected:
    void SetUp() override
    {
        CatalogUiTest::SetUp();
        importer_ = std::make_unique<TImporter>(*host_);
        importer_->SetConverterExecutable(FakeConverter());
        importer_->SetOpenFilesDialog([](QWidget*, const QString&, const QStringList&, int&) {
            ADD_FAILURE() << "the file dialog opened";
            return QStringList();
        });
        sources_ = MakeTempDir("sources");
    }

    std::string Source(const std::string& name, const std::string& content = "ArtNr;Text\r\n1;Rohr\r\n")
    {
        const fs::path file = sources_ / name;
        WriteFileBytes(file, content);
        return file.string();
    }

    static std::string Lines(const std::vector<std::string>& files)
    {
        std::string list;
        for (const std::string& f : files)
            list += f + "\r\n";
        return list;
    }

    // The databases of the catalog: caption -> its node document (after a rescan).
    std::vector<TJSON> Databases()
    {
        host_->Catalog().ReloadNodes();
        std::vector<TJSON> docs;
        for (const TJSON* doc : host_->Catalog().Nodes())
            docs.push_back(*doc);
        return docs;
    }

    std::string CsvOf(const TJSON& doc)
    {
        return ReadFileBytes(JsonTextUtf8(doc, "nodepath") + JsonTextUtf8(doc, "Filename"));
    }

    int DatabaseFolders() const
    {
        int n = 0;
        for (const auto& entry : fs::directory_iterator(host_->NodesFolder()))
            n += entry.is_directory();
        return n;
    }

    DialogAnswerer dialogs_;
    std::unique_ptr<TImporter> importer_;
    fs::path sources_;
};

TEST_F(ImporterTest, TheSamplesBecomeDatabasesThroughTheRealConverterAndTheLastIsSelected)
{
    importer_->SetConverterExecutable(kConvrun);
    const fs::path samples = TestDataDir().parent_path() / "samples";
    const std::vector<std::string> files = {
        (samples / "datanorm4" / "DATANORM.001").string(), (samples / "artikel-utf8.csv").string(),
        (samples / "datanorm5" / "DATANORM.001").string(), (samples / "Artikel-Elektro-Sanitaer.xlsx").string()};

    importer_->ImportSources(Lines(files));

    EXPECT_TRUE(dialogs_.Messages.empty()) << dialogs_.Messages.front();
    const std::vector<TJSON> dbs = Databases();
    ASSERT_EQ(dbs.size(), 4u);
    std::map<std::string, std::string> captionOf;
    std::string lastUid;
    for (const TJSON& doc : dbs) {
        captionOf[JsonTextUtf8(doc, "SourceFilename")] = JsonText(doc, "Caption");
        EXPECT_TRUE(Contains(CsvOf(doc), "\r\n")) << JsonText(doc, "Caption");
        if (JsonTextUtf8(doc, "SourceFilename") == files.back())
            lastUid = JsonText(doc, "uid");
    }
    // Two deliveries with one file name: two databases with one caption, each in its own folder.
    EXPECT_EQ(captionOf[files[0]], "DATANORM.csv");
    EXPECT_EQ(captionOf[files[2]], "DATANORM.csv");
    EXPECT_EQ(captionOf[files[1]], "artikel-utf8.csv");
    EXPECT_EQ(captionOf[files[3]], "Artikel-Elektro-Sanitaer.csv");
    EXPECT_EQ(host_->SelectedId(), lastUid);
    ASSERT_FALSE(host_->Selections.empty());
    EXPECT_EQ(host_->Selections.back(), (Selection{lastUid, false}));
    EXPECT_EQ(host_->ImportBusyLog, (std::vector<bool>{true, false}));
    for (const std::string& file : files)
        EXPECT_FALSE(fs::exists(TargetCsvPath(file))) << "the scratch copy goes: " << file;
}

TEST_F(ImporterTest, FailuresAreReportedAndTheOtherFilesStillImported)
{
    struct Case {
        const char* Name;
        std::string Executable; // empty: the stand-in
        std::vector<std::string> Files;
        std::vector<std::string> Captions; // of the databases afterwards
        std::vector<std::string> MessageParts; // one per message box, in order
    } cases[] = {
        {"conversion fails: its reason follows the failure text",
         {},
         {"eins.csv", "bad.csv", "zwei.csv"},
         {"eins.csv", "zwei.csv"},
         {"Der Import hat kein brauchbares Ergebnis geliefert.<br>ErrorCode -1<br>Die Datei ist kaputt."}},
        {"the converted file cannot be copied",
         {},
         {"nocsv.csv", "drei.csv"},
         {"drei.csv"},
         {"nocsv.csv\x93 konnte nicht in den Katalog kopiert werden."}},
        {"converter missing", "/nowhere/convrun", {"eins.csv"}, {}, {"/nowhere/convrun not found"}},
        {"source missing: nothing to say", {}, {"fehlt.csv"}, {}, {}},
    };
    for (const Case& c : cases) {
        SetUp();
        if (!c.Executable.empty())
            importer_->SetConverterExecutable(c.Executable);
        std::vector<std::string> files;
        for (const std::string& name : c.Files)
            files.push_back(name == "fehlt.csv" ? (sources_ / name).string() : Source(name));
        dialogs_.Messages.clear();

        importer_->ImportSources(Lines(files));

        std::vector<std::string> captions;
        for (const TJSON& doc : Databases())
            captions.push_back(JsonText(doc, "Caption"));
        EXPECT_EQ(captions, c.Captions) << c.Name;
        EXPECT_EQ(DatabaseFolders(), static_cast<int>(c.Captions.size())) << c.Name << ": no folder left behind";
        ASSERT_EQ(dialogs_.Messages.size(), c.MessageParts.size()) << c.Name;
        for (std::size_t i = 0; i < c.MessageParts.size(); ++i)
            EXPECT_TRUE(Contains(dialogs_.Messages[i], c.MessageParts[i])) << c.Name << ": " << dialogs_.Messages[i];
        if (!c.Captions.empty()) {
            EXPECT_EQ(JsonText(*host_->Catalog().FindNode(host_->SelectedId()), "Caption"), c.Captions.back())
                << c.Name;
        } else {
            EXPECT_TRUE(host_->Selections.empty()) << c.Name << ": nothing new, the tree stays";
        }
        EXPECT_FALSE(host_->ImportBusy());
        EXPECT_TRUE(host_->HostWindow()->isEnabled());
    }
}

TEST_F(ImporterTest, TheConvertersNotesAreShownOnceAfterEveryFileIsImported)
{
    const std::vector<std::string> files = {Source("notes-eins.csv"), Source("zwei.csv"), Source("notes-drei.csv")};
    std::vector<size_t> databasesWhenShown;
    dialogs_.Seen = [&](QWidget*) { databasesWhenShown.push_back(static_cast<size_t>(DatabaseFolders())); };

    importer_->ImportSources(Lines(files));

    EXPECT_EQ(Databases().size(), 3u);
    EXPECT_TRUE(dialogs_.Messages.empty());
    ASSERT_EQ(dialogs_.Questions.size(), 1u) << "one dialog for the whole import";
    EXPECT_EQ(databasesWhenShown, (std::vector<size_t>{3})) << "shown when every file is in";
    const std::string& text = dialogs_.Questions.front();
    for (const char* part :
         {"Hinweise zum Import von <b>notes-eins.csv</b>", "Titelzeile uebersprungen: notes-eins.csv",
          "Hinweise zum Import von <b>notes-drei.csv</b>", "Titelzeile uebersprungen: notes-drei.csv",
          "Blatt &lt;Hinweise&gt; &amp; mehr"})
        EXPECT_TRUE(Contains(text, part)) << part << " in " << text;
    EXPECT_FALSE(Contains(text, "zwei.csv")) << text;
    EXPECT_TRUE(importer_->PendingNotes().empty());

    // A later import without notes shows nothing.
    importer_->ImportSources(Lines({Source("vier.csv")}));
    EXPECT_EQ(dialogs_.Questions.size(), 1u);
}

TEST_F(ImporterTest, TheConverterBesideTheProgramIsFoundAtEachImport)
{
    TImporter importer(*host_);
    const std::string before = importer.ConverterExecutable();
    const std::string converter = FakeConverter();
    SetProgramFolderOverride(ExtractFilePath(converter));
    EXPECT_EQ(importer.ConverterExecutable(), converter);
    importer.ImportSources(Source("neben.csv"));
    SetProgramFolderOverride({});
    ASSERT_EQ(Databases().size(), 1u);
    EXPECT_EQ(JsonText(Databases()[0], "Caption"), "neben.csv");
    EXPECT_NE(before, converter);
}

TEST_F(ImporterTest, TheOverlayCountsTheSecondsWhileTheWindowIsDisabled)
{
    struct Case {
        std::chrono::seconds Step;
        QLocale Locale;
        std::vector<QString> FirstTexts;
    } cases[] = {
        {std::chrono::seconds(1),
         QLocale::c(),
         {QStringLiteral(" Warten auf Importdaten.."), QStringLiteral(" Quelle wird konvertiert: 3 Sek."),
          QStringLiteral(" Quelle wird konvertiert: 6 Sek.")}},
        {std::chrono::seconds(1000),
         QLocale(QLocale::German, QLocale::Germany),
         {QStringLiteral(" Warten auf Importdaten.."), QStringLiteral(" Quelle wird konvertiert: 1.000 Sek."),
          QStringLiteral(" Quelle wird konvertiert: 2.000 Sek.")}},
    };
    const QLocale before;
    for (const Case& c : cases) {
        QLocale::setDefault(c.Locale);
        std::vector<QString> texts;
        bool alwaysDisabled = true;
        QRect geometry;
        QColor background;
        auto now = std::chrono::steady_clock::time_point();
        importer_->SetClock([&] {
            if (QLabel* panel = importer_->BusyPanel()) {
                if (texts.empty() || texts.back() != panel->text())
                    texts.push_back(panel->text());
                geometry = panel->geometry();
                background = panel->palette().color(QPalette::Disabled, QPalette::Window);
                alwaysDisabled = alwaysDisabled && !host_->HostWindow()->isEnabled();
            }
            now += c.Step;
            return now;
        });
        std::string used;
        std::string target;
        EXPECT_TRUE(importer_->ConvertSource(Source("slow.csv"), used, target));
        ASSERT_GE(texts.size(), c.FirstTexts.size());
        EXPECT_EQ(std::vector<QString>(texts.begin(), texts.begin() + 3), c.FirstTexts);
        EXPECT_TRUE(alwaysDisabled);
        EXPECT_EQ(geometry, QRect(8, 16, 400, 41));
        EXPECT_EQ(background, QColor(255, 0, 0));
        EXPECT_EQ(importer_->BusyPanel(), nullptr);
        EXPECT_TRUE(host_->HostWindow()->isEnabled());
        EXPECT_EQ(ReadFileBytes(target), "ArtNr;Text\r\n1;Rohr\r\n");
    }
    QLocale::setDefault(before);
}

TEST_F(ImporterTest, ADropDuringAnImportIsRefusedAndOneAfterwardsImported)
{
    const std::string slow = Source("slow.csv");
    const std::string dropped = Source("gezogen.csv");
    std::optional<bool> acceptedDuring;
    std::optional<bool> dropDuring;
    QTimer::singleShot(50, [&] {
        acceptedDuring = importer_->AcceptsDrops();
        dropDuring = importer_->DropFiles(dropped);
    });
    importer_->ImportSources(slow);
    ASSERT_TRUE(dropDuring.has_value()) << "the import ended before the drop";
    EXPECT_FALSE(*acceptedDuring);
    EXPECT_FALSE(*dropDuring);
    QTest::qWait(150);
    ASSERT_EQ(Databases().size(), 1u);

    EXPECT_TRUE(importer_->AcceptsDrops());
    EXPECT_TRUE(importer_->DropFiles(dropped));
    EXPECT_EQ(Databases().size(), 1u) << "the drop waits before it imports";
    EXPECT_TRUE(QTest::qWaitFor([&] { return Databases().size() == 2; }, 2000));
    host_->Busy = true;
    EXPECT_FALSE(importer_->DropFiles(dropped)) << "refused while a load runs";
}

TEST_F(ImporterTest, TheClipboardGivesAFileOrItsText)
{
    importer_->SetConverterExecutable(kConvrun);
    const std::string file = Source("Kupfer.csv", "ArtNr;Text\r\n7;Kupferrohr\r\n");
    struct Case {
        const char* Name;
        QString Clipboard;
        std::string Caption;
        std::string RowText;
    } cases[] = {
        {"a file URL", QStringLiteral("file://") + QString::fromStdString(file), "Kupfer.csv", "Kupferrohr"},
        {"pasted rows", QStringLiteral("Nr;Text\r\n1;Messingbogen\r\n"), "Clipboard.csv", "Messingbogen"},
    };
    for (const Case& c : cases) {
        SetUp();
        importer_->SetConverterExecutable(kConvrun);
        QGuiApplication::clipboard()->setText(c.Clipboard);
        importer_->ImportFromClipboard();
        const std::vector<TJSON> dbs = Databases();
        ASSERT_EQ(dbs.size(), 1u) << c.Name;
        EXPECT_EQ(JsonText(dbs[0], "Caption"), c.Caption) << c.Name;
        EXPECT_TRUE(Contains(CsvOf(dbs[0]), c.RowText)) << c.Name;
        EXPECT_EQ(host_->SelectedId(), JsonText(dbs[0], "uid")) << c.Name;
    }
    SetUp();
    QGuiApplication::clipboard()->setText(QStringLiteral(" \r\n"));
    importer_->ImportFromClipboard();
    EXPECT_TRUE(Databases().empty());
    EXPECT_TRUE(host_->ImportBusyLog.empty()) << "no source, no import";
}

TEST_F(ImporterTest, TheFileDialogStartsWhereTheLastImportWasAndRemembersIt)
{
    const std::string chosen = Source("gewaehlt.csv");
    struct Case {
        const char* Name;
        std::string StoredFolder;
        int StoredIndex;
        bool Choose;
        QString OfferedFolder;
        int OfferedIndex;
        std::string FolderAfter;
        int IndexAfter;
    } cases[] = {
        {"choice", "/lager/preise", 2, true, QStringLiteral("/lager/preise/"), 2, sources_.string(), 1},
        {"index beyond the filters", "", 5, true, QString(), 1, sources_.string(), 1},
        {"cancelled: nothing stored", "/lager", 2, false, QStringLiteral("/lager/"), 2, "/lager", 2},
    };
    for (const Case& c : cases) {
        SetUp();
        WriteUserModeString(TImporter::kInitialDirKey, c.StoredFolder);
        WriteUserModeInteger(TImporter::kFilterIndexKey, c.StoredIndex);
        QString offeredFolder;
        QStringList offeredFilters;
        int offeredIndex = 0;
        importer_->SetOpenFilesDialog(
            [&](QWidget* parent, const QString& folder, const QStringList& filters, int& index) {
                EXPECT_EQ(parent, host_->HostWindow());
                offeredFolder = folder;
                offeredFilters = filters;
                offeredIndex = index;
                index = 1;
                return c.Choose ? QStringList{QString::fromStdString(chosen)} : QStringList();
            });
        std::string lastId;
        EXPECT_EQ(importer_->ImportFiles({}, host_->Catalog().NodesFolder(), lastId), c.Choose) << c.Name;
        EXPECT_EQ(offeredFolder, c.OfferedFolder) << c.Name;
        EXPECT_EQ(offeredIndex, c.OfferedIndex) << c.Name;
        EXPECT_EQ(offeredFilters, (QStringList{QStringLiteral("* (*)"), QStringLiteral("Alle Dateien (*)")}));
        EXPECT_EQ(ReadUserModeString(TImporter::kInitialDirKey, "?"), c.FolderAfter) << c.Name;
        EXPECT_EQ(ReadUserModeInteger(TImporter::kFilterIndexKey, 0), c.IndexAfter) << c.Name;
        EXPECT_EQ(lastId.empty(), !c.Choose) << c.Name;
    }
}

TEST_F(ImporterTest, ReimportReplacesTheRowsFromTheRecordedOrAChosenSource)
{
    struct Case {
        const char* Name;
        bool SourceMissing;
        bool Yes;
        const char* QuestionPart;
        bool Replaced;
    } cases[] = {
        {"recorded source", false, true, "Es wurde wahrscheinlich das Orginal der Datenbank gefunden:<br>", true},
        {"declined", false, false, "Es wurde wahrscheinlich das Orginal", false},
        {"source gone: the dialog chooses", true, true, "Es wurde kein Orginal der Datenbank gefunden.", true},
    };
    for (const Case& c : cases) {
        SetUp();
        const std::string original = Source("preise.csv", "ArtNr\r\nalt\r\n");
        importer_->ImportSources(original);
        ASSERT_EQ(Databases().size(), 1u);
        const std::string uid = JsonText(Databases()[0], "uid");
        const std::string replacement = Source("neu.csv", "ArtNr\r\nneu\r\n");
        if (c.SourceMissing)
            fs::remove(original);
        else
            WriteFileBytes(original, "ArtNr\r\nneu\r\n");
        int dialogs = 0;
        importer_->SetOpenFilesDialog([&](QWidget*, const QString&, const QStringList&, int&) {
            ++dialogs;
            return QStringList{QString::fromStdString(replacement)};
        });
        host_->Select(uid);
        dialogs_.Questions.clear();
        dialogs_.Answers = {c.Yes};

        importer_->FDBRESYNCClick();

        ASSERT_EQ(dialogs_.Questions.size(), 1u) << c.Name;
        EXPECT_TRUE(Contains(dialogs_.Questions[0], "</b>Datenbank <b>preise.csv</b> neu importieren?<br>")) << c.Name;
        EXPECT_TRUE(Contains(dialogs_.Questions[0], c.QuestionPart)) << c.Name << ": " << dialogs_.Questions[0];
        EXPECT_EQ(dialogs, c.SourceMissing ? 1 : 0) << c.Name;
        const std::vector<TJSON> dbs = Databases();
        ASSERT_EQ(dbs.size(), 1u) << c.Name;
        EXPECT_EQ(CsvOf(dbs[0]), c.Replaced ? "ArtNr\r\nneu\r\n" : "ArtNr\r\nalt\r\n") << c.Name;
        const auto saved = ReadNodeFile(JsonTextUtf8(dbs[0], "nodefile"));
        ASSERT_TRUE(saved.has_value());
        EXPECT_EQ(JsonTextUtf8(*saved, "SourceFilename"), c.SourceMissing ? replacement : original) << c.Name;
        if (c.Replaced) {
            ASSERT_FALSE(host_->Selections.empty()) << c.Name;
            EXPECT_EQ(host_->Selections.back(), (Selection{uid, false})) << c.Name;
        }
        EXPECT_FALSE(host_->ImportBusy());
    }
}

} // namespace
