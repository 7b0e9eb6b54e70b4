// The built convrun program, run as the import runs it: three arguments, no input, exit code and
// result file.

#include "platform/Win1252.h"
#include "tests/common/TestEnv.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <filesystem>

namespace artikel::convert {
namespace {

namespace fs = std::filesystem;

struct ProcessRun {
    int exitCode = -1;
    bool finished = false;
};

ProcessRun RunConvrun(const QStringList& args)
{
    QProcess p;
    p.setProgram(QString::fromUtf8(ARTIKEL_BINARY_DIR "/bin/convrun"));
    p.setArguments(args);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start();
    ProcessRun r;
    // A safety net only: a conversion here takes milliseconds.
    r.finished = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit;
    r.exitCode = p.exitCode();
    return r;
}

QString Q(const fs::path& p) { return QString::fromStdString(p.string()); }

fs::path Golden(const char* rel) { return test::TestDataDir() / "converter" / "golden" / rel; }

struct ProcessCase {
    const char* name;
    fs::path source; // empty: a file that does not exist
    int exitCode;
    const char* resultStart; // UTF-8
};

class ConvRunProcess : public testing::TestWithParam<ProcessCase> {};

TEST_P(ConvRunProcess, ReportsThroughExitCodeAndResultFile)
{
    const ProcessCase& c = GetParam();
    const fs::path dir = test::MakeTempDir("convrun");
    const fs::path source = c.source.empty() ? dir / "Fehlt.csv" : c.source;
    const fs::path target = dir / "Ziel.csv";
    const fs::path result = dir / "ABC-Success.import.file";
    const ProcessRun r = RunConvrun({Q(source), Q(target), Q(result)});
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, c.exitCode);
    ASSERT_TRUE(fs::exists(result));
    const std::string text = Win1252ToUtf8(test::ReadFileBytes(result));
    EXPECT_EQ(text.rfind(c.resultStart, 0), 0u) << text;
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(fs::exists(target), c.exitCode == 0);
    // No temporary file is left beside the target.
    size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir))
        ++entries;
    EXPECT_EQ(entries, c.exitCode == 0 ? 2u : 1u);
    if (c.exitCode == 0 && fs::exists(c.source.parent_path() / "expected.csv")) {
        EXPECT_EQ(test::ReadFileBytes(target), test::ReadFileBytes(c.source.parent_path() / "expected.csv"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConvRunProcess,
    testing::Values(ProcessCase{"datanorm", Golden("dn4_lf_noheader_win1252/input.001"), 0,
                                "Result=1\r\nMessage=1 Datensatz unbekannter Art"},
                    ProcessCase{"zip", Golden("dn4_zip_delivery/input.zip"), 0, "Result=1\r\n"},
                    ProcessCase{"missing", {}, 1, "Result=0\r\nMessage=Die Datei „Fehlt.csv“ wurde nicht gefunden."},
                    ProcessCase{"version3", Golden("dn3_refused/input/DATANORM.001"), 1,
                                "Result=0\r\nMessage=Die Datei „DATANORM.001“ liegt im Format DATANORM 3.0 vor."}),
    [](const testing::TestParamInfo<ProcessCase>& caseInfo) { return std::string(caseInfo.param.name); });

TEST(ConvRunProcess, WrongArgumentsWriteNothing)
{
    const fs::path dir = test::MakeTempDir("convrun");
    const ProcessRun r = RunConvrun({Q(Golden("dn4_lf_noheader_win1252/input.001")), Q(dir / "Ziel.csv")});
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(fs::is_empty(dir));
}

TEST(ConvRunProcess, FailureKeepsAnEarlierTarget)
{
    const fs::path dir = test::MakeTempDir("convrun");
    test::WriteFileBytes(dir / "Ziel.csv", "alt\r\n");
    const ProcessRun r = RunConvrun({Q(dir / "Fehlt.csv"), Q(dir / "Ziel.csv"), Q(dir / "r.txt")});
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(test::ReadFileBytes(dir / "Ziel.csv"), "alt\r\n");
}

} // namespace
} // namespace artikel::convert
