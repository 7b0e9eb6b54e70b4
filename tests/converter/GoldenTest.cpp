// Golden cases of the converter, one folder each below tests/converter/golden/ (see README.md
// there): the source, the expected target CSV and, where it matters, the expected result file.

#include "converter/ConvRun.h"
#include "platform/Win1252.h"
#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace artikel::convert {
namespace {

namespace fs = std::filesystem;

fs::path GoldenDir() { return test::TestDataDir() / "converter" / "golden"; }

std::vector<std::string> CaseNames()
{
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(GoldenDir(), ec), end; !ec && it != end; it.increment(ec))
        if (it->is_directory())
            names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string Trimmed(std::string s)
{
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' '))
        s.pop_back();
    return s;
}

// The source of a case: "input" or "input.<ext>" beside the expectations, or inside an
// "input/" folder the file that "source.txt" names (else the first file by name).
fs::path SourceOf(const fs::path& dir)
{
    if (fs::is_directory(dir / "input")) {
        if (fs::exists(dir / "source.txt"))
            return dir / "input" / Trimmed(test::ReadFileBytes(dir / "source.txt"));
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(dir / "input"))
            files.push_back(e.path());
        std::sort(files.begin(), files.end());
        return files.empty() ? fs::path() : files.front();
    }
    for (const auto& e : fs::directory_iterator(dir)) {
        const std::string n = e.path().filename().string();
        if (n == "input" || n.rfind("input.", 0) == 0)
            return e.path();
    }
    return {};
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t e = text.find('\n', start);
        if (e == std::string::npos)
            e = text.size();
        std::string line = text.substr(start, e - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        out.push_back(line);
        start = e + 1;
    }
    return out;
}

class GoldenTest : public testing::TestWithParam<std::string> {};

TEST_P(GoldenTest, ConvertsAsExpected)
{
    const fs::path dir = GoldenDir() / GetParam();
    const fs::path source = SourceOf(dir);
    ASSERT_FALSE(source.empty()) << "case without input: " << dir;
    const fs::path work = test::MakeTempDir("golden");
    const fs::path target = work / "target.csv";
    const fs::path result = work / "result.txt";

    const bool expectSuccess = fs::exists(dir / "expected.csv");
    const int rc = RunConversion(source, target, result);
    ASSERT_TRUE(fs::exists(result));
    const std::string resultText = test::ReadFileBytes(result);
    EXPECT_EQ(rc == 0, expectSuccess) << Win1252ToUtf8(resultText);

    // Result file: Windows-1252 lines ending in CR LF; expected_result.txt holds them in UTF-8.
    for (const std::string& line : Lines(resultText))
        EXPECT_NE(resultText.find(line + "\r\n"), std::string::npos) << "line without CR LF: " << line;
    if (fs::exists(dir / "expected_result.txt")) {
        std::string expected;
        for (const std::string& line : Lines(Trimmed(test::ReadFileBytes(dir / "expected_result.txt"))))
            expected += line + "\r\n";
        EXPECT_EQ(Win1252ToUtf8(resultText), expected);
    } else {
        EXPECT_EQ(resultText.substr(0, 10), expectSuccess ? "Result=1\r\n" : "Result=0\r\n");
    }

    if (expectSuccess) {
        ASSERT_TRUE(fs::exists(target));
        const std::string expected = test::ReadFileBytes(dir / "expected.csv");
        const std::string actual = test::ReadFileBytes(target);
        EXPECT_EQ(actual, expected) << "actual target (as UTF-8):\n" << Win1252ToUtf8(actual);
    } else {
        EXPECT_FALSE(fs::exists(target)) << "a failed conversion left a target";
    }
    // Nothing but the target and the result file is left in the target's folder.
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(work))
        ++files;
    EXPECT_EQ(files, expectSuccess ? 2u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenTest, testing::ValuesIn(CaseNames()),
                         [](const testing::TestParamInfo<std::string>& caseInfo) {
                             std::string n = caseInfo.param;
                             for (char& c : n)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return n;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(GoldenTest);

} // namespace
} // namespace artikel::convert
