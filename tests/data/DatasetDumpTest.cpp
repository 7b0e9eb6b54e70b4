// The datasetdump tool: steps in the order given, output in the save format, errors and exit codes.

#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace artikel {
namespace {

using test::MakeTempDir;
using test::ReadFileBytes;
using test::WriteFileBytes;

// The text in single quotes, for the shell.
std::string Quoted(const std::string& text)
{
    std::string q(1, '\'');
    q += text;
    q += '\'';
    return q;
}

struct TRun {
    std::string out, err;
    int exitCode = -1;
};

TRun RunDump(const std::filesystem::path& dir, const std::string& args)
{
    const std::filesystem::path tool = std::filesystem::path(ARTIKEL_BINARY_DIR) / "bin" / "datasetdump";
    std::string cmd = Quoted(tool.string());
    cmd += ' ';
    cmd += args;
    cmd += " > ";
    cmd += Quoted((dir / "out").string());
    cmd += " 2> ";
    cmd += Quoted((dir / "err").string());
    TRun run;
    const int status = std::system(cmd.c_str());
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadFileBytes(dir / "out");
    run.err = ReadFileBytes(dir / "err");
    return run;
}

TEST(DatasetDump, StepsInOrderAndErrors)
{
    ASSERT_TRUE(std::filesystem::exists(std::filesystem::path(ARTIKEL_BINARY_DIR) / "bin" / "datasetdump"))
        << "datasetdump is built with the project";
    const auto dir = MakeTempDir("dump");
    WriteFileBytes(dir / "db.csv", "Name;Hersteller\r\nZange;Bosch\r\nAxt;Fiskars\r\nBohrer;bosch\r\n");
    const std::string db = Quoted((dir / "db.csv").string());
    const std::string header = "\"Name\",\"Hersteller\"\r\n";
    struct Case {
        std::string args;
        std::string out;
        std::string err;
        int exitCode;
    };
    const std::vector<Case> cases = {
        {db, header + "\"Zange\",\"Bosch\"\r\n\"Axt\",\"Fiskars\"\r\n\"Bohrer\",\"bosch\"\r\n", "", 0},
        {db + " --filter bosch --sort Name", header + "\"Bohrer\",\"bosch\"\r\n\"Zange\",\"Bosch\"\r\n", "", 0},
        {db + " --sort Name --filter bosch", header + "\"Bohrer\",\"bosch\"\r\n\"Zange\",\"Bosch\"\r\n", "", 0},
        // A locate leaves the view unfiltered and reports the record found.
        {db + " --filter bosch --locate 'Name=*xt*'",
         header + "\"Zange\",\"Bosch\"\r\n\"Axt\",\"Fiskars\"\r\n\"Bohrer\",\"bosch\"\r\n", "RecNo: 2\n", 0},
        {db + " --sort Foo", "", "Foo not found\n", 1},
        {db + " --filter 'Foo=x'", "", "Foo not found\n", 1},
        {Quoted((dir / "missing.csv").string()), "", "OSError\n", 1},
    };
    for (const Case& c : cases) {
        const TRun run = RunDump(dir, c.args);
        EXPECT_EQ(run.out, c.out) << c.args;
        EXPECT_EQ(run.err, c.err) << c.args;
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args;
    }
    EXPECT_NE(RunDump(dir, db + " --bogus").exitCode, 0);
}

} // namespace
} // namespace artikel
