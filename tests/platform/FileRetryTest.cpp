#include "platform/FileRetry.h"

#include "platform/EInOutError.h"
#include "platform/TBetterFileStream.h"
#include "platform/TFileStreamEx.h"
#include "tests/common/TestEnv.h"
#include "tests/platform/RetryTestHooks.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>

using namespace artikel;
namespace fs = std::filesystem;

namespace {

std::string S(const fs::path& p) { return p.string(); }

std::string RandomBytes(std::size_t n)
{
    std::mt19937 rng(42);
    std::string s(n, '\0');
    for (char& c : s)
        c = static_cast<char>(rng());
    return s;
}

// Names in a folder, for checking that a failed save leaves no temporary file behind.
std::vector<std::string> Entries(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Writing to /dev/full fails like a full disk.
int FullDisk(const std::string& path, int flags, const std::string& part)
{
    if (path.find(part) == std::string::npos || (flags & O_CREAT) == 0)
        return -1;
    return ::open("/dev/full", O_WRONLY | O_CLOEXEC);
}

} // namespace

TEST(FileRetry, SplitLinesAcceptsEveryLineEnd)
{
    using V = std::vector<std::string>;
    struct Case {
        std::string in;
        V out;
    };
    for (const Case& c : {Case{"", {}}, Case{"a", {"a"}}, Case{"a\r\nb\r\n", {"a", "b"}}, Case{"a\nb", {"a", "b"}},
                          Case{"a\rb\r", {"a", "b"}}, Case{"a\r\n\r\nb", {"a", "", "b"}}, Case{"\n", {""}},
                          Case{"a\r\rb\n\r\n", {"a", "", "b", ""}}}) {
        EXPECT_EQ(SplitLines(c.in), c.out) << testing::PrintToString(c.in);
    }
}

TEST(FileRetry, LoadStringsRetryWaitsForAHeldFile)
{
    test::TRetryHooks hooks;
    const fs::path dir = test::MakeTempDir("load");
    const std::string file = S(dir / "list.txt");
    test::WriteFileBytes(file, "eins\r\nzwei\nDrei");

    std::vector<std::string> list{"old"};
    EXPECT_FALSE(LoadStringsRetry(list, S(dir / "missing.txt")));
    EXPECT_EQ(list, std::vector<std::string>{"old"});
    EXPECT_TRUE(hooks.pauses.empty());

    hooks.failRule = test::FailFirst(3, "list.txt");
    EXPECT_TRUE(LoadStringsRetry(list, file));
    EXPECT_EQ(list, (std::vector<std::string>{"eins", "zwei", "Drei"}));
    EXPECT_EQ(hooks.pauses, (std::vector<int>{100, 100, 100}));

    hooks.pauses.clear();
    hooks.failRule = test::FailFirst(1000, "list.txt");
    try {
        LoadStringsRetry(list, file);
        FAIL() << "a file held for good must raise";
    } catch (const EInOutError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Datei " + file +
                      " kann nicht ge\xF6"
                      "ffnet werden");
    }
    EXPECT_EQ(hooks.pauses.size(), 99u); // 100 attempts
}

TEST(FileRetry, SaveStringsRetryWritesCrLfAtomicallyAndRetries)
{
    test::TRetryHooks hooks;
    const fs::path dir = test::MakeTempDir("save");
    const std::string file = S(dir / "sub" / "list.txt");
    SaveStringsRetry({"a", "", "\xE4"}, file);
    EXPECT_EQ(test::ReadFileBytes(file), "a\r\n\r\n\xE4\r\n");

    hooks.failRule = test::FailFirst(2, "list.txt");
    SaveStringsRetry({"b"}, file);
    EXPECT_EQ(test::ReadFileBytes(file), "b\r\n");
    EXPECT_EQ(hooks.pauses, (std::vector<int>{100, 100}));

    // A folder in the file's place never goes away: 100 attempts, then the error.
    hooks.pauses.clear();
    fs::create_directories(dir / "blocked.txt");
    EXPECT_THROW(SaveStringsRetry({"x"}, S(dir / "blocked.txt")), EInOutError);
    EXPECT_EQ(hooks.pauses.size(), 99u);
    EXPECT_TRUE(fs::is_directory(dir / "blocked.txt"));
}

TEST(FileRetry, AFailedSaveLeavesTheOldFileUntouched)
{
    test::TRetryHooks hooks;
    const fs::path dir = test::MakeTempDir("crash");
    const std::string file = S(dir / "data.txt");
    test::WriteFileBytes(file, "old content\r\n");
    ::chmod(file.c_str(), 0640);
    const std::vector<std::string> before = Entries(dir);

    hooks.redirect = [](const std::string& path, int flags) { return FullDisk(path, flags, "data.txt"); };
    EXPECT_THROW(WriteFileAtomic(file, std::string(100000, 'n')), EInOutError);
    EXPECT_FALSE(WriteFileAtomicRetry(file, "new"));
    EXPECT_THROW(SaveStringsRetry({"new"}, file), EInOutError);
    EXPECT_EQ(test::ReadFileBytes(file), "old content\r\n");
    EXPECT_EQ(Entries(dir), before);

    hooks.redirect = nullptr;
    WriteFileAtomic(file, "new");
    EXPECT_EQ(test::ReadFileBytes(file), "new");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms(0640));
    EXPECT_EQ(Entries(dir), before);

    // A symbolic link stays a link; the file it points to gets the new content.
    fs::create_symlink(file, dir / "link.txt");
    WriteFileAtomic(S(dir / "link.txt"), "through link");
    EXPECT_TRUE(fs::is_symlink(dir / "link.txt"));
    EXPECT_EQ(test::ReadFileBytes(file), "through link");
}

TEST(FileRetry, AtomicWriterOptions)
{
    const fs::path dir = test::MakeTempDir("writer");
    const std::string missing = S(dir / "sub" / "out.csv");
    for (const bool sync : {true, false}) {
        // Without createFolder a missing folder fails and stays missing.
        EXPECT_THROW(TAtomicFileWriter(missing, {.syncToDisk = sync, .createFolder = false}), EInOutError);
        EXPECT_FALSE(fs::exists(dir / "sub"));

        const std::string file = S(dir / "out.csv");
        TAtomicFileWriter out(file, {.syncToDisk = sync, .createFolder = false});
        out.Write("part one");
        // The temporary file holds what was written so far; the target is not there yet.
        EXPECT_EQ(test::ReadFileBytes(out.TempFileName()), "part one");
        EXPECT_FALSE(fs::exists(file));
        out.Commit();
        EXPECT_EQ(test::ReadFileBytes(file), "part one");
        EXPECT_EQ(Entries(dir), std::vector<std::string>{"out.csv"});
        fs::remove(file);
    }
    TAtomicFileWriter created(missing);
    created.Commit();
    EXPECT_TRUE(fs::exists(missing));
}

TEST(FileRetry, OpenStreamRetryModes)
{
    test::TRetryHooks hooks;
    const fs::path dir = test::MakeTempDir("open");
    const std::string file = S(dir / "new" / "s.bin");
    {
        auto out = OpenStreamRetry(file, TOpenMode::Create);
        out->WriteBuffer("abc", 3);
    }
    {
        auto rw = OpenStreamRetry(file, TOpenMode::ReadWrite);
        EXPECT_EQ(rw->Size(), 3);
        rw->Seek(0, TSeekOrigin::End);
        rw->WriteBuffer("d", 1);
    }
    EXPECT_EQ(OpenStreamRetry(file, TOpenMode::Read)->ReadAll(), "abcd");

    // A missing file does not appear by waiting: it fails at once.
    EXPECT_THROW(OpenStreamRetry(S(dir / "missing"), TOpenMode::Read), EInOutError);
    EXPECT_TRUE(hooks.pauses.empty());

    hooks.failRule = test::FailFirst(5, "s.bin", EBUSY);
    EXPECT_EQ(OpenStreamRetry(file, TOpenMode::Read)->ReadAll(), "abcd");
    EXPECT_EQ(hooks.pauses.size(), 5u);

    hooks.pauses.clear();
    fs::create_directory(dir / "folder");
    EXPECT_THROW(OpenStreamRetry(S(dir / "folder"), TOpenMode::Read), EInOutError);
    EXPECT_EQ(hooks.pauses.size(), 99u);
}

TEST(FileRetry, CopyFileRetryCopiesInBlocksAndRetriesTheTarget)
{
    test::TRetryHooks hooks;
    const fs::path dir = test::MakeTempDir("copy");
    const std::string source = S(dir / "src.bin");
    const std::string data = RandomBytes(3 * kCopyBlockSize + 17);
    test::WriteFileBytes(source, data);

    EXPECT_TRUE(CopyFileRetry(source, S(dir / "a" / "b" / "dst.bin")));
    EXPECT_EQ(test::ReadFileBytes(dir / "a" / "b" / "dst.bin"), data);
    test::WriteFileBytes(dir / "exact.bin", std::string(kCopyBlockSize, 'x'));
    EXPECT_TRUE(CopyFileRetry(S(dir / "exact.bin"), S(dir / "exact2.bin")));
    EXPECT_EQ(test::ReadFileBytes(dir / "exact2.bin"), std::string(kCopyBlockSize, 'x'));
    EXPECT_FALSE(CopyFileRetry(S(dir / "missing.bin"), S(dir / "dst2.bin")));
    EXPECT_TRUE(hooks.pauses.empty());

    hooks.failRule = test::FailFirst(2, "dst3.bin");
    EXPECT_TRUE(CopyFileRetry(source, S(dir / "dst3.bin")));
    EXPECT_EQ(hooks.pauses, (std::vector<int>{100, 200}));

    hooks.pauses.clear();
    fs::create_directory(dir / "held.bin");
    EXPECT_FALSE(CopyFileRetry(source, S(dir / "held.bin")));
    EXPECT_EQ(hooks.pauses, (std::vector<int>{100, 200, 300, 400, 500, 600, 700, 800, 900}));
}

TEST(FileRetry, SaveResourceToFileFallsBackToNumberedNames)
{
    test::TRetryHooks hooks;
    const fs::path dir = test::MakeTempDir("res");
    EXPECT_EQ(SaveResourceToFile("png", S(dir / "icon.png")), S(dir / "icon.png"));
    EXPECT_EQ(test::ReadFileBytes(dir / "icon.png"), "png");

    fs::create_directory(dir / "held.ani"); // the name is taken and cannot be written
    EXPECT_EQ(SaveResourceToFile("ani", S(dir / "held.ani")), S(dir / "[1]held.ani"));
    EXPECT_EQ(test::ReadFileBytes(dir / "[1]held.ani"), "ani");
    EXPECT_EQ(hooks.pauses, (std::vector<int>{100}));

    hooks.pauses.clear();

    hooks.failRule = [](const std::string& path, int) {
        return path.find("cur.ani") != std::string::npos && path.find("[2]") == std::string::npos ? EACCES : 0;
    };
    EXPECT_EQ(SaveResourceToFile("c", S(dir / "cur.ani")), S(dir / "[2]cur.ani"));
    EXPECT_EQ(hooks.pauses, (std::vector<int>{100, 100}));

    hooks.failRule = [](const std::string&, int) { return EACCES; };
    EXPECT_EQ(SaveResourceToFile("c", S(dir / "never.ani")), "");
}

TEST(FileRetry, BetterFileStreamModesAndProtectedFiles)
{
    const fs::path dir = test::MakeTempDir("better");
    const std::string file = S(dir / "f.txt");
    {
        TBetterFileStream s(file, false, TBetterFileStream::kOpenOrCreate);
        s.WriteBuffer("hello", 5);
    }
    {
        TBetterFileStream s(file, false, TBetterFileStream::kOpenOrCreate);
        EXPECT_EQ(s.ReadAll(), "hello");
    }
    ::chmod(file.c_str(), 0444);
    {
        TBetterFileStream s(file, true, TBetterFileStream::kCreate);
        EXPECT_EQ(s.Size(), 0);
        s.WriteBuffer("new", 3);
        EXPECT_NE(fs::status(file).permissions() & fs::perms::owner_write, fs::perms::none);
    }
    EXPECT_EQ(test::ReadFileBytes(file), "new");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms(0444));

    try {
        TBetterFileStream s(S(dir / "no" / "folder" / "f.txt"), false, TBetterFileStream::kCreate);
        FAIL() << "a file in a missing folder cannot be created";
    } catch (const EInOutError& e) {
        EXPECT_EQ(std::string(e.what()), "Datei " + S(dir / "no" / "folder" / "f.txt") + " kann nicht erstellt werden");
    }
}

TEST(FileRetry, FileStreamExRetriesEvery10MsFor10Seconds)
{
    test::TRetryHooks hooks;
    const fs::path dir = test::MakeTempDir("ex");
    const std::string file = S(dir / "UserMode.INI");
    test::WriteFileBytes(file, "[MODE]");

    hooks.failRule = test::FailFirst(7, "UserMode.INI");
    EXPECT_EQ(TFileStreamEx(file, TFileStreamEx::TMode::Read).ReadAll(), "[MODE]");
    EXPECT_EQ(hooks.pauses, std::vector<int>(7, 10));

    hooks.pauses.clear();
    hooks.failRule = test::FailFirst(1 << 30, "UserMode.INI");
    try {
        TFileStreamEx s(file, TFileStreamEx::TMode::Read);
        FAIL() << "must give up";
    } catch (const EInOutError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Datei " + file +
                      " kann nicht ge\xF6"
                      "ffnet werden");
    }
    // Gives up once more than 10000 ms have passed since the first failure.
    EXPECT_GE(hooks.TotalPauseMs(), 10000);
    EXPECT_LE(hooks.TotalPauseMs(), 10010);
    EXPECT_THROW(TFileStreamEx(file, TFileStreamEx::TMode::Create), EInOutError);
}
