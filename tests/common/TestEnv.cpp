#include "tests/common/TestEnv.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

namespace artikel::test {

namespace {
std::filesystem::path g_sandbox;
std::atomic<int> g_counter{0};
} // namespace

const std::filesystem::path& SandboxDir() { return g_sandbox; }

std::filesystem::path MakeTempDir(const std::string& hint)
{
    auto dir = g_sandbox / "work" / (hint + "-" + std::to_string(g_counter++));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

std::filesystem::path TestDataDir() { return ARTIKEL_TEST_DATA_DIR; }

std::string ReadFileBytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::filesystem::path& file, const std::string& bytes)
{
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

void SetUpSandbox()
{
    const char* base = std::getenv("TMPDIR");
    std::string templ = std::string(base && *base ? base : "/tmp") + "/artikel-test-XXXXXX";
    if (!mkdtemp(templ.data()))
        throw std::runtime_error("mkdtemp failed");
    g_sandbox = templ;
    for (const char* sub : {"xdg", "state", "run", "tmp", "home"})
        std::filesystem::create_directories(g_sandbox / sub);
    // A runtime folder must be private to count as one.
    std::filesystem::permissions(g_sandbox / "run", std::filesystem::perms::owner_all);
    setenv("XDG_DATA_HOME", (g_sandbox / "xdg").c_str(), 1);
    setenv("XDG_STATE_HOME", (g_sandbox / "state").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (g_sandbox / "run").c_str(), 1);
    setenv("TMPDIR", (g_sandbox / "tmp").c_str(), 1);
    setenv("HOME", (g_sandbox / "home").c_str(), 1);
}

void TearDownSandbox()
{
    if (std::getenv("ARTIKEL_KEEP_SANDBOX"))
        return;
    std::error_code ec;
    std::filesystem::remove_all(g_sandbox, ec);
}

} // namespace artikel::test
