#include "catalog/ConverterImport.h"

#include "catalog/NodeFile.h"
#include "catalog/TSendQuerySyncThread.h"
#include "platform/Folders.h"
#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace artikel;
using namespace artikel::test;
namespace fs = std::filesystem;

namespace {

const std::string kConvrun = ARTIKEL_BINARY_DIR "/bin/convrun";

// A stand-in converter: a shell script with the converter's three arguments $1 $2 $3.
std::string WriteScript(const std::string& name, const std::string& body)
{
    const fs::path file = MakeTempDir("bin") / name;
    WriteFileBytes(file, "#!/bin/sh\n" + body + "\n");
    ::chmod(file.c_str(), 0755);
    return file.string();
}

fs::path SamplesDir() { return TestDataDir().parent_path() / "samples"; }

std::vector<fs::path> FilesIn(const fs::path& folder)
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        files.push_back(entry.path());
    return files;
}

TEST(ShortenMiddle, KeepsShortTextsAndShowsBothEndsOfLongOnes)
{
    const std::string seventy(70, 'a');
    const std::string longPath = "/home/meister/Lieferanten/Elektro/2026/" + std::string(60, 'x') + "/Preisliste.csv";
    auto repeat = [](const std::string& unit, int n) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += unit;
        return s;
    };
    const std::string ue = "\xC3\xBC"; // two bytes, one character
    struct Case {
        std::string Text;
        std::string Expected;
    } cases[] = {
        {"  kurz.csv \t", "kurz.csv"},
        {seventy, seventy},
        {seventy + "b", std::string(33, 'a') + ".." + std::string(32, 'a') + "b"},
        {longPath, longPath.substr(0, 33) + ".." + longPath.substr(longPath.size() - 33)},
        {repeat(ue, 70), repeat(ue, 70)},
        {std::string(40, 'a') + repeat(ue, 35), std::string(33, 'a') + ".." + repeat(ue, 33)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShortenMiddle(c.Text, 70), c.Expected) << c.Text;
    // Too short a limit for both ends leaves only the mark.
    EXPECT_EQ(ShortenMiddle("abcdefgh", 5), "..");
    EXPECT_EQ(ShortenMiddle("abcdefgh", 6), "a..h");
}

TEST(ConverterResult, ReadsResultAndMessages)
{
    struct Case {
        const char* Name;
        const char* Content; // nullptr: no file
        bool Success;
        std::vector<std::string> Messages;
    } cases[] = {
        {"success", "Result=1\r\n", true, {}},
        {"letter case of the name", "result=1\r\nMessage=Hinweis\r\n", true, {"Hinweis"}},
        {"failure with its reasons",
         "Result=0\r\nMessage=Blatt leer\r\nMessage=Zeile 3\r\n",
         false,
         {"Blatt leer", "Zeile 3"}},
        {"no result line", "Message=abgebrochen\n", false, {"abgebrochen"}},
        {"other value", "Result=10\r\n", false, {}},
        {"first result counts", "Result=0\r\nResult=1\r\n", false, {}},
        {"missing file", nullptr, false, {}},
        {"empty file", "", false, {}},
    };
    for (const Case& c : cases) {
        const fs::path file = MakeTempDir("res") / "x.file";
        if (c.Content)
            WriteFileBytes(file, c.Content);
        const TConverterResult r = ReadConverterResult(file.string());
        EXPECT_EQ(r.Success, c.Success) << c.Name;
        EXPECT_EQ(r.Messages, c.Messages) << c.Name;
    }
}

TEST(ConverterPaths, TargetAndResultLieInTheScratchFolder)
{
    EXPECT_EQ(TargetCsvPath("/a/b/Preise.xlsx"), GetScratchFolder() + "Preise.csv");
    EXPECT_EQ(TargetCsvPath("/a/b/DATANORM.001"), GetScratchFolder() + "DATANORM.csv");
    EXPECT_EQ(TargetCsvPath("/a/Clipboard"), GetScratchFolder() + "Clipboard.csv");
    const std::string a = NewResultFilePath();
    const std::string b = NewResultFilePath();
    EXPECT_NE(a, b);
    EXPECT_EQ(ExtractFilePath(a), GetScratchFolder());
    EXPECT_TRUE(a.ends_with("Success.import.file"));
    EXPECT_EQ(ExtractFileName(a).size(), 36 + std::string("Success.import.file").size());
}

TEST(ConverterPaths, TheConverterBesideTheProgramComesFirst)
{
    const fs::path folder = MakeTempDir("prog");
    EXPECT_EQ(FindConverterExecutable(folder.string()), kConverterFallbackPath);
    WriteFileBytes(folder / kConverterFileName, "");
    EXPECT_EQ(FindConverterExecutable(folder.string()), (folder / kConverterFileName).string());
}

TEST(ConvertSourceFile, ReportsEveryOutcomeAndAlwaysRemovesTheResultFile)
{
    const fs::path sources = MakeTempDir("src");
    const std::string source = (sources / "liste.txt").string();
    WriteFileBytes(source, "A;B\r\n1;2\r\n");
    struct Case {
        const char* Name;
        std::string Executable;
        std::string Source;
        TConversion::TStatus Status;
        std::string Message;
    } cases[] = {
        {"converted", WriteScript("ok", "printf 'A;B\\r\\n' > \"$2\"; printf 'Result=1\\r\\n' > \"$3\""), source,
         TConversion::TStatus::Converted, ""},
        {"converter says why", WriteScript("fail", "printf 'Result=0\\r\\nMessage=Das Blatt ist leer.\\r\\n' > \"$3\""),
         source, TConversion::TStatus::Failed, std::string(kNoUsableResultText) + "\r\nDas Blatt ist leer."},
        {"no result file", WriteScript("silent", "exit 0"), source, TConversion::TStatus::Failed, kNoUsableResultText},
        {"converter crashes", WriteScript("crash", "kill -SEGV $$"), source, TConversion::TStatus::Failed,
         kNoUsableResultText},
        {"converter missing", "/nowhere/convrun", source, TConversion::TStatus::ConverterMissing,
         "/nowhere/convrun not found"},
        {"source missing", WriteScript("unused", "exit 0"), (sources / "fehlt.csv").string(),
         TConversion::TStatus::SourceMissing, ""},
    };
    for (const Case& c : cases) {
        int waits = 0;
        const TConversion r = ConvertSourceFile(c.Executable, c.Source, [&](TSendQuerySyncThread& waiter) {
            ++waits;
            waiter.Wait();
        });
        EXPECT_EQ(r.Status, c.Status) << c.Name;
        EXPECT_EQ(r.Message, c.Message) << c.Name;
        EXPECT_EQ(r.Source, c.Source) << c.Name;
        const bool started = c.Status == TConversion::TStatus::Converted || c.Status == TConversion::TStatus::Failed;
        EXPECT_EQ(waits, started ? 1 : 0) << c.Name;
        if (started) {
            EXPECT_EQ(r.Target, TargetCsvPath(c.Source)) << c.Name;
            EXPECT_FALSE(r.ResultFile.empty());
            EXPECT_FALSE(fs::exists(r.ResultFile)) << c.Name;
        }
        EXPECT_EQ(r.Ok(), c.Status == TConversion::TStatus::Converted) << c.Name;
    }
}

TEST(ConvertSourceFile, AConverterThatCannotStartIsAFailureWithItsReason)
{
    const fs::path folder = MakeTempDir("bin");
    const fs::path notExecutable = folder / "convrun";
    WriteFileBytes(notExecutable, "no program");
    ::chmod(notExecutable.c_str(), 0644);
    const fs::path source = folder / "a.csv";
    WriteFileBytes(source, "A\r\n1\r\n");
    const TConversion r = ConvertSourceFile(notExecutable.string(), source.string(), {});
    EXPECT_EQ(r.Status, TConversion::TStatus::Failed);
    EXPECT_TRUE(
        r.Message.starts_with(std::string(kNoUsableResultText) + "\r\nDer Konverter konnte nicht gestartet werden: "))
        << r.Message;
}

TEST(AddConvertedDatabase, CopiesTheCsvAndWritesItsCompactNodeFile)
{
    const fs::path nodes = MakeTempDir("nodes");
    const fs::path target = MakeTempDir("scratch") / "Preise.csv";
    WriteFileBytes(target, "ArtNr;Text\r\n1;Rohr\r\n");
    const std::string source = "/lieferant/Preise \xC3\xBC.xlsx";

    const std::string uid = AddConvertedDatabase(nodes.string() + "/", target.string(), source);

    EXPECT_EQ(uid.size(), 36u);
    EXPECT_FALSE(fs::exists(target)) << "the scratch copy goes";
    std::vector<fs::path> folders;
    for (const auto& entry : fs::directory_iterator(nodes))
        folders.push_back(entry.path());
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_EQ(folders[0].filename().string().size(), 36u);
    EXPECT_EQ(ReadFileBytes(folders[0] / "Preise.csv"), "ArtNr;Text\r\n1;Rohr\r\n");
    const std::string text = ReadFileBytes(folders[0] / "node.json");
    EXPECT_EQ(text.find('\n'), std::string::npos) << "compact";
    EXPECT_EQ(ReadFileBytes(folders[0] / "node.~json"), text);
    const auto doc = ReadNodeFile((folders[0] / "node.json").string());
    ASSERT_TRUE(doc.has_value());
    EXPECT_EQ(JsonText(*doc, "Caption"), "Preise.csv");
    EXPECT_EQ(JsonText(*doc, "Filename"), "Preise.csv");
    EXPECT_EQ(JsonTextUtf8(*doc, "SourceFilename"), source);
    EXPECT_EQ(JsonText(*doc, "uid"), uid);
}

TEST(AddConvertedDatabase, AFailedCopyLeavesNoDatabaseBehind)
{
    const fs::path nodes = MakeTempDir("nodes");
    const fs::path missing = MakeTempDir("scratch") / "Preise.csv";
    try {
        AddConvertedDatabase(nodes.string() + "/", missing.string(), "/q/Preise.xlsx");
        FAIL() << "no error raised";
    } catch (const EImportError& e) {
        EXPECT_NE(std::string(e.what()).find("Preise.csv"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(FilesIn(nodes).empty());
}

TEST(AddConvertedDatabase, TheRealConverterTurnsEverySampleIntoADatabase)
{
    const fs::path nodes = MakeTempDir("nodes");
    const fs::path samples[] = {SamplesDir() / "artikel-utf8.csv", SamplesDir() / "datanorm5" / "DATANORM.001",
                                SamplesDir() / "Artikel-Elektro-Sanitaer.xlsx"};
    for (const fs::path& sample : samples) {
        const TConversion c = ConvertSourceFile(kConvrun, sample.string(), {});
        ASSERT_TRUE(c.Ok()) << sample << ": " << c.Message;
        const std::string uid = AddConvertedDatabase(nodes.string() + "/", c.Target, c.Source);
        EXPECT_FALSE(uid.empty());
    }
    int csvs = 0;
    for (const fs::path& file : FilesIn(nodes))
        if (file.extension() == ".csv") {
            ++csvs;
            EXPECT_GT(fs::file_size(file), 1000u) << file;
        }
    EXPECT_EQ(csvs, 3);
}

TEST(ClipboardSource, NamedFilesComeFirstThenTheTextItself)
{
    const fs::path folder = MakeTempDir("clip");
    const std::string file = (folder / "Preis liste.csv").string();
    WriteFileBytes(file, "A\r\n1\r\n");
    const std::string other = (folder / "b.csv").string();
    WriteFileBytes(other, "B\r\n2\r\n");
    const std::string clipboardFile = GetScratchFolder() + "Clipboard";
    struct Case {
        const char* Name;
        std::string Text;
        std::vector<std::string> Files;
        std::string Expected;
        std::string SavedText; // when the text becomes the source
    } cases[] = {
        {"file URL", "file://" + file, {}, file, ""},
        {"file URL with a line end", "file://" + file + "\r\n", {}, file, ""},
        {"percent-encoded file URL", "file://" + folder.string() + "/Preis%20liste.csv", {}, file, ""},
        {"plain path", file, {other}, file, ""},
        {"last listed file", "irgendwas", {file, other}, other, ""},
        {"listed file missing: the text", "A;B\n1;2", {"/fehlt.csv"}, clipboardFile, "A;B\r\n1;2\r\n"},
        {"pasted rows", "Nr\tText\r\n1\tRohr", {}, clipboardFile, "Nr\tText\r\n1\tRohr\r\n"},
        {"a NUL never names a file", file + std::string(1, '\0') + "x", {}, clipboardFile, ""},
        {"long text is kept whole", std::string(300, 'x'), {}, clipboardFile, std::string(300, 'x') + "\r\n"},
        {"only blanks", " \r\n ", {}, "", ""},
        {"nothing", "", {}, "", ""},
    };
    for (const Case& c : cases) {
        fs::remove(clipboardFile);
        EXPECT_EQ(ClipboardSourceFrom(c.Text, c.Files), c.Expected) << c.Name;
        if (!c.SavedText.empty()) {
            EXPECT_EQ(ReadFileBytes(clipboardFile), c.SavedText) << c.Name;
        }
    }
}

TEST(SendQuerySyncThread, WaitsForTheConverterAndPassesItsArgumentsUntouched)
{
    const fs::path out = MakeTempDir("args") / "args.txt";
    const std::string script =
        WriteScript("args", "printf '%s|' \"$1\" \"$2\" \"$3\" > \"" + out.string() + "\"; exit 3");
    TSendQuerySyncThread waiter(script, "a b", "$HOME;*", "\"q\"");
    waiter.Wait();
    EXPECT_TRUE(waiter.Terminated());
    EXPECT_EQ(waiter.StartError(), 0);
    EXPECT_EQ(waiter.ExitCode(), 3);
    EXPECT_EQ(ReadFileBytes(out), "a b|$HOME;*|\"q\"|");

    TSendQuerySyncThread missing("/nowhere/convrun", "a", "b", "c");
    missing.Wait();
    EXPECT_NE(missing.StartError(), 0);
    EXPECT_EQ(missing.ExitCode(), -1);
}

} // namespace
