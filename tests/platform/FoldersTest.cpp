#include "platform/Folders.h"

#include "platform/EInOutError.h"
#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace artikel;
namespace fs = std::filesystem;

namespace {

// Sets an environment variable for one scope.
class TEnvGuard {
public:
    TEnvGuard(const char* name, const char* value)
        : name_(name)
    {
        if (const char* old = std::getenv(name)) {
            old_ = old;
            hadOld_ = true;
        }
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~TEnvGuard()
    {
        if (hadOld_)
            ::setenv(name_, old_.c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::string old_;
    bool hadOld_ = false;
};

std::string S(const fs::path& p) { return p.string(); }

} // namespace

TEST(Folders, IncludeBackslashKeepsDriveLetterRules)
{
    struct Case {
        const char* in;
        const char* out;
    };
    for (const Case c :
         {Case{"", ""}, Case{"C", "C:/"}, Case{"c", "c:/"}, Case{"C:", "C:"}, Case{"/a/", "/a/"}, Case{"/a", "/a/"},
          Case{"ab", "ab/"}, Case{"1", "1/"}, Case{"\xC4", "\xC4/"}, Case{"/", "/"}, Case{"a:b", "a:b/"}}) {
        EXPECT_EQ(IncludeBackslash(c.in), c.out) << '"' << c.in << '"';
    }
}

TEST(Folders, PathPartsSplitAtTheLastSeparator)
{
    EXPECT_EQ(ExtractFilePath("/a/b/c.txt"), "/a/b/");
    EXPECT_EQ(ExtractFileName("/a/b/c.txt"), "c.txt");
    EXPECT_EQ(ExtractFilePath("c.txt"), "");
    EXPECT_EQ(ExtractFileName("c.txt"), "c.txt");
    EXPECT_EQ(ExcludeBackslash("/a/b/"), "/a/b");
    EXPECT_EQ(ExcludeBackslash("/"), "/");
}

TEST(Folders, MakeValidFileNameDropsWhatNoFileNameMayHold)
{
    struct Case {
        const char* in;
        bool removeBlanks;
        const char* out;
    };
    for (const Case c : {Case{"a:b*c?.csv", false, "abc.csv"}, Case{"a b", true, "ab"}, Case{"a b", false, "a b"},
                         Case{"  x\t y  ", false, "x y"}, Case{"\\?|><:/*\"", false, ""},
                         Case{"a\x01\x1F"
                              "b",
                              false, "ab"},
                         Case{"M\xFCller & S\xF6hne", false, "M\xFCller & S\xF6hne"},
                         Case{" \"quoted\" ", false, "quoted"}, Case{"   ", false, ""}}) {
        EXPECT_EQ(MakeValidFileName(c.in, c.removeBlanks), c.out) << '"' << c.in << '"';
    }
}

TEST(Folders, ForceFoldersCreatesAllParentsAndRejectsAnEmptyPath)
{
    const fs::path base = test::MakeTempDir("force");
    const fs::path deep = base / "a" / "b" / "c";
    EXPECT_TRUE(ForceFolders(S(deep) + "/"));
    EXPECT_TRUE(fs::is_directory(deep));
    EXPECT_TRUE(ForceFolders(S(deep))); // exists already
    EXPECT_TRUE(ForceFolders("/"));

    test::WriteFileBytes(base / "file", "x");
    EXPECT_FALSE(ForceFolders(S(base / "file" / "sub")));

    try {
        ForceFolders("");
        FAIL() << "an empty path must raise";
    } catch (const EInOutError& e) {
        EXPECT_STREQ(e.what(), "Verzeichnis kann nicht erstellt werden");
        EXPECT_EQ(e.Code(), 3);
    }

    EXPECT_TRUE(ForceFileFolder(S(base / "x" / "y" / "f.txt")));
    EXPECT_TRUE(fs::is_directory(base / "x" / "y"));
    EXPECT_FALSE(fs::exists(base / "x" / "y" / "f.txt"));
}

TEST(Folders, RootsFollowTheEnvironmentAndAreCreated)
{
    const fs::path base = test::MakeTempDir("roots");
    {
        TEnvGuard data("XDG_DATA_HOME", S(base / "data").c_str());
        TEnvGuard state("XDG_STATE_HOME", S(base / "state").c_str());
        EXPECT_EQ(GetClientRoot(), S(base / "data") + "/LX-ClientRoot/default/");
        EXPECT_TRUE(fs::is_directory(base / "data" / "LX-ClientRoot" / "default"));
        // The settings file lives in the scratch folder: it must survive a reboot, unlike /tmp.
        EXPECT_EQ(GetScratchFolder(), S(base / "state") + "/artikelblick/LXTempDir/");
        EXPECT_EQ(GetScratchFolder("VirtualTempPath"), S(base / "state") + "/artikelblick/LXTempDir/VirtualTempPath/");
        EXPECT_TRUE(fs::is_directory(base / "state" / "artikelblick" / "LXTempDir" / "VirtualTempPath"));
    }
    {
        TEnvGuard data("XDG_DATA_HOME", nullptr);
        TEnvGuard state("XDG_STATE_HOME", nullptr);
        TEnvGuard home("HOME", S(base / "home").c_str());
        EXPECT_EQ(GetClientRoot(), S(base / "home") + "/.local/share/LX-ClientRoot/default/");
        EXPECT_EQ(GetScratchFolder(), S(base / "home") + "/.local/state/artikelblick/LXTempDir/");
    }
}

TEST(Folders, AScratchFolderThatIsNotOursIsNeverUsed)
{
    const auto expectOwnPrivate = [](const fs::path& base, const std::string& folder) {
        ASSERT_FALSE(folder.empty());
        const fs::path root = fs::path(folder).parent_path();
        EXPECT_EQ(root.parent_path(), base / "artikelblick");
        EXPECT_FALSE(fs::is_symlink(root));
        EXPECT_EQ(fs::status(root).permissions() & fs::perms::all, fs::perms::owner_all);
        EXPECT_EQ(GetScratchFolder(), folder) << "the same folder on each call";
        EXPECT_EQ(GetScratchFolder("Clipboard"), folder + "Clipboard/");
    };
    {
        // A planted link would send our files elsewhere.
        const fs::path base = test::MakeTempDir("scratch");
        fs::create_directories(base / "artikelblick");
        fs::create_directory(base / "elsewhere");
        fs::create_directory_symlink(base / "elsewhere", base / "artikelblick" / "LXTempDir");
        TEnvGuard state("XDG_STATE_HOME", S(base).c_str());
        const std::string folder = GetScratchFolder();
        EXPECT_NE(folder, S(base / "artikelblick" / "LXTempDir") + "/");
        expectOwnPrivate(base, folder);
        EXPECT_TRUE(fs::is_empty(base / "elsewhere"));
    }
    {
        const fs::path base = test::MakeTempDir("scratch");
        test::WriteFileBytes(base / "artikelblick" / "LXTempDir", "a file, not a folder");
        TEnvGuard state("XDG_STATE_HOME", S(base).c_str());
        expectOwnPrivate(base, GetScratchFolder());
        EXPECT_EQ(test::ReadFileBytes(base / "artikelblick" / "LXTempDir"), "a file, not a folder");
    }
    if (::geteuid() == 0) {
        // Another user's folder (only root can hand a folder to another user here).
        const fs::path base = test::MakeTempDir("scratch");
        fs::create_directories(base / "artikelblick" / "LXTempDir");
        ASSERT_EQ(::chown(S(base / "artikelblick" / "LXTempDir").c_str(), 4242, 4242), 0);
        TEnvGuard state("XDG_STATE_HOME", S(base).c_str());
        const std::string folder = GetScratchFolder();
        EXPECT_NE(folder, S(base / "artikelblick" / "LXTempDir") + "/");
        expectOwnPrivate(base, folder);
    }
    {
        // A fresh folder is private to its user; one of ours that others could reach is made private.
        const fs::path base = test::MakeTempDir("scratch");
        TEnvGuard state("XDG_STATE_HOME", S(base).c_str());
        EXPECT_EQ(GetScratchFolder(), S(base / "artikelblick" / "LXTempDir") + "/");
        EXPECT_EQ(fs::status(base / "artikelblick" / "LXTempDir").permissions() & fs::perms::all, fs::perms::owner_all);
        fs::permissions(base / "artikelblick" / "LXTempDir", fs::perms::all);
        EXPECT_EQ(GetScratchFolder(), S(base / "artikelblick" / "LXTempDir") + "/");
        EXPECT_EQ(fs::status(base / "artikelblick" / "LXTempDir").permissions() & fs::perms::all, fs::perms::owner_all);
    }
}

TEST(Folders, PrivateRuntimeFolderIsOnlyEverAFolderOfOursThatNobodyElseCanReach)
{
    const std::string inTmp = "artikelblick-" + std::to_string(::geteuid());
    const auto expectPrivate = [](const std::string& folder) {
        ASSERT_FALSE(folder.empty());
        ASSERT_EQ(folder.back(), '/');
        struct stat st {};
        ASSERT_EQ(::lstat(ExcludeBackslash(folder).c_str(), &st), 0) << folder;
        EXPECT_TRUE(S_ISDIR(st.st_mode)) << folder;
        EXPECT_EQ(st.st_uid, ::geteuid()) << folder;
        EXPECT_EQ(st.st_mode & 077, 0u) << folder;
    };
    struct Case {
        const char* what;
        // Prepares the folders below base; returns the value of XDG_RUNTIME_DIR (empty: unset).
        std::string (*prepare)(const fs::path& base, const std::string& inTmp);
        // The folder below base expected as the answer.
        const char* expected;
    };
    const Case cases[] = {
        {"a private runtime folder is used as it is",
         [](const fs::path& b, const std::string&) {
             fs::create_directory(b / "run");
             fs::permissions(b / "run", fs::perms::owner_all);
             return S(b / "run");
         },
         "run"},
        {"a runtime folder others can read is not private",
         [](const fs::path& b, const std::string&) {
             fs::create_directory(b / "run");
             fs::permissions(b / "run", fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
             return S(b / "run");
         },
         "tmp/artikelblick-UID"},
        {"a link is never followed, even to a private folder",
         [](const fs::path& b, const std::string&) {
             fs::create_directory(b / "real");
             fs::permissions(b / "real", fs::perms::owner_all);
             fs::create_directory_symlink(b / "real", b / "run");
             return S(b / "run");
         },
         "tmp/artikelblick-UID"},
        {"a relative runtime folder is ignored", [](const fs::path&, const std::string&) { return std::string("run"); },
         "tmp/artikelblick-UID"},
        {"without a runtime folder one is made in the temporary folder",
         [](const fs::path&, const std::string&) { return std::string(); }, "tmp/artikelblick-UID"},
        {"a link planted in the temporary folder sends us to the state folder",
         [](const fs::path& b, const std::string& name) {
             fs::create_directory(b / "planted");
             fs::permissions(b / "planted", fs::perms::owner_all);
             fs::create_directory_symlink(b / "planted", b / "tmp" / name);
             return std::string();
         },
         "state/artikelblick/run"},
        {"an open folder of that name in the temporary folder is not used",
         [](const fs::path& b, const std::string& name) {
             fs::create_directory(b / "tmp" / name);
             fs::permissions(b / "tmp" / name, fs::perms::all);
             return std::string();
         },
         "state/artikelblick/run"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path base = test::MakeTempDir("runtime");
        fs::create_directory(base / "tmp");
        const std::string runtime = c.prepare(base, inTmp);
        TEnvGuard run("XDG_RUNTIME_DIR", runtime.empty() ? nullptr : runtime.c_str());
        TEnvGuard tmp("TMPDIR", S(base / "tmp").c_str());
        TEnvGuard state("XDG_STATE_HOME", S(base / "state").c_str());
        std::string expected = c.expected;
        if (const auto pos = expected.find("UID"); pos != std::string::npos)
            expected.replace(pos, 3, std::to_string(::geteuid()));
        const std::string folder = GetPrivateRuntimeFolder();
        EXPECT_EQ(folder, S(base / expected) + "/");
        expectPrivate(folder);
        EXPECT_EQ(GetPrivateRuntimeFolder(), folder) << "every start must find the same folder";
        if (fs::exists(base / "planted")) {
            EXPECT_TRUE(fs::is_empty(base / "planted"));
        }
    }
    if (::geteuid() == 0) {
        // Another user's folder in the temporary folder (only root can hand a folder to another user here).
        const fs::path base = test::MakeTempDir("runtime");
        fs::create_directories(base / "tmp" / inTmp);
        fs::permissions(base / "tmp" / inTmp, fs::perms::owner_all);
        ASSERT_EQ(::chown(S(base / "tmp" / inTmp).c_str(), 4242, 4242), 0);
        TEnvGuard run("XDG_RUNTIME_DIR", nullptr);
        TEnvGuard tmp("TMPDIR", S(base / "tmp").c_str());
        TEnvGuard state("XDG_STATE_HOME", S(base / "state").c_str());
        EXPECT_EQ(GetPrivateRuntimeFolder(), S(base / "state" / "artikelblick" / "run") + "/");
    }
}

TEST(Folders, ProgramFolderHoldsTheRunningProgram)
{
    const std::string folder = GetProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(FileExists(folder + "test_platform"));

    SetProgramFolderOverride("/opt/artikel");
    EXPECT_EQ(GetProgramFolder(), "/opt/artikel/");
    SetProgramFolderOverride("");
    EXPECT_EQ(GetProgramFolder(), folder);
}

TEST(Folders, ExistenceTestsTellFilesFromFolders)
{
    const fs::path base = test::MakeTempDir("exists");
    test::WriteFileBytes(base / "file", "x");
    fs::create_directory(base / "dir");
    fs::create_symlink(base / "file", base / "linkToFile");
    fs::create_symlink(base / "dir", base / "linkToDir");
    fs::create_symlink(base / "gone", base / "dangling");

    struct Case {
        const char* name;
        bool file, dir;
    };
    for (const Case c : {Case{"file", true, false}, Case{"dir", false, true}, Case{"missing", false, false},
                         Case{"linkToFile", true, false}, Case{"linkToDir", false, true},
                         Case{"dangling", false, false}, Case{"file/below", false, false}}) {
        EXPECT_EQ(FileExists(S(base / c.name)), c.file) << c.name;
        EXPECT_EQ(DirectoryExists(S(base / c.name)), c.dir) << c.name;
    }
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(DirectoryExists(""));
}

TEST(Folders, DeleteFileForcedRemovesProtectedFiles)
{
    const fs::path base = test::MakeTempDir("delete");
    test::WriteFileBytes(base / "ro", "x");
    ::chmod(S(base / "ro").c_str(), 0444);
    EXPECT_TRUE(DeleteFileForced(S(base / "ro")));
    EXPECT_FALSE(fs::exists(base / "ro"));
    EXPECT_TRUE(DeleteFileForced(S(base / "never-there")));
    fs::create_directory(base / "dir");
    EXPECT_FALSE(DeleteFileForced(S(base / "dir")));
    EXPECT_TRUE(fs::is_directory(base / "dir"));
}

TEST(Folders, DeleteFolderTreeRemovesBottomUpWithoutFollowingLinks)
{
    for (const bool keepRoot : {false, true}) {
        const fs::path base = test::MakeTempDir("tree");
        const fs::path root = base / "root";
        const fs::path outside = base / "outside";
        test::WriteFileBytes(outside / "keep.txt", "keep");
        test::WriteFileBytes(root / "own.txt", "own");
        test::WriteFileBytes(root / "a" / "b" / "deep.txt", "deep");
        test::WriteFileBytes(root / "a" / "ro.txt", "ro");
        ::chmod(S(root / "a" / "ro.txt").c_str(), 0444);
        fs::create_directory_symlink(outside, root / "a" / "link");

        EXPECT_TRUE(DeleteFolderTree(S(root) + "/", keepRoot)) << keepRoot;
        EXPECT_FALSE(fs::exists(root / "a"));
        EXPECT_EQ(fs::exists(root / "own.txt"), keepRoot);
        EXPECT_EQ(fs::exists(root), keepRoot);
        EXPECT_EQ(test::ReadFileBytes(outside / "keep.txt"), "keep");
    }
    EXPECT_TRUE(DeleteFolderTree(S(test::MakeTempDir("tree")) + "/none", false));
}
