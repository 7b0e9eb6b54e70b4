#include "platform/Folders.h"

#include "platform/EInOutError.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace artikel {

namespace {

std::mutex g_programFolderLock;
std::string g_programFolderOverride;

std::string EnvOr(const char* name, const std::string& fallback)
{
    const char* v = std::getenv(name);
    return v && *v ? std::string(v) : fallback;
}

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/tmp";
}

std::string StateHome() { return EnvOr("XDG_STATE_HOME", HomeFolder() + "/.local/state"); }

bool IsSep(char c) { return c == kPathDelim; }

bool MakePrivateFolder(const std::string& folder);

// errno values that mean "there is nothing at this path".
bool MeansMissing(int err) { return err == ENOENT || err == ENOTDIR || err == ENAMETOOLONG || err == ELOOP; }

bool RemoveContents(const std::filesystem::path& dir, bool folders, bool files)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0 && (st.st_mode & S_IRWXU) != S_IRWXU)
        ::chmod(dir.c_str(), (st.st_mode & 07777) | S_IRWXU);
    bool ok = true;
    std::vector<fs::path> subFolders, ownFiles;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::file_status fst = it->symlink_status(ec);
        if (ec) {
            ok = false;
            ec.clear();
            continue;
        }
        (fst.type() == fs::file_type::directory ? subFolders : ownFiles).push_back(it->path());
    }
    if (ec)
        ok = false;
    if (folders) {
        for (const fs::path& sub : subFolders) {
            ok = RemoveContents(sub, true, true) && ok;
            if (::rmdir(sub.c_str()) != 0)
                ok = false;
        }
    }
    if (files) {
        for (const fs::path& f : ownFiles)
            ok = DeleteFileForced(f.native()) && ok;
    }
    return ok;
}

// The scratch folder keeps the settings file, so it lives in the user's state folder, which
// survives a reboot (a temporary folder may be a memory file system or cleaned at boot). Only a
// private folder of ours is used: a link or a folder others can reach there is never used; a
// private folder of an unforeseeable name beside it is taken instead.
std::string ScratchRoot()
{
    const std::string base = IncludeBackslash(StateHome()) + "artikelblick" + kPathDelim;
    const std::string folder = base + "LXTempDir";
    ForceFolders(base);
    struct stat st {};
    if (::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
        (st.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        ::chmod(folder.c_str(), S_IRWXU); // ours, made before it had to be private
    if (MakePrivateFolder(folder))
        return folder + kPathDelim;
    static std::mutex lock;
    static std::string privateBase, privateFolder;
    std::lock_guard guard(lock);
    if (privateBase == base && IsPrivateFolder(privateFolder))
        return privateFolder + kPathDelim;
    std::string pattern = folder + "-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return folder + kPathDelim;
    privateBase = base;
    privateFolder = pattern;
    return privateFolder + kPathDelim;
}

// Makes folder (its parent must exist) with mode 0700 when missing; true when it is private then.
bool MakePrivateFolder(const std::string& folder)
{
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    return IsPrivateFolder(folder);
}

} // namespace

bool IsPrivateFolder(std::string_view path)
{
    const std::string p = ExcludeBackslash(path);
    struct stat st {};
    return !p.empty() && ::lstat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
        (st.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

std::string GetPrivateRuntimeFolder()
{
    const std::string runtime = EnvOr("XDG_RUNTIME_DIR", {});
    if (!runtime.empty() && runtime.front() == kPathDelim && IsPrivateFolder(runtime))
        return IncludeBackslash(runtime);
    // The temporary folder may be shared: a name planted there by someone else fails the checks
    // and is never used; the state folder below is then the user's own place.
    const std::string tmp = IncludeBackslash(EnvOr("TMPDIR", "/tmp"));
    const std::string inTmp = tmp + "artikelblick-" + std::to_string(::geteuid());
    if (DirectoryExists(tmp) && MakePrivateFolder(inTmp))
        return inTmp + kPathDelim;
    const std::string state = IncludeBackslash(StateHome()) + "artikelblick";
    if (ForceFolders(state) && MakePrivateFolder(state + "/run"))
        return state + "/run/";
    return {};
}

std::string GetProgramFolder()
{
    {
        std::lock_guard lock(g_programFolderLock);
        if (!g_programFolderOverride.empty())
            return g_programFolderOverride;
    }
    char buf[PATH_MAX + 1];
    const ssize_t n = ::readlink("/proc/self/exe", buf, PATH_MAX);
    if (n > 0)
        return ExtractFilePath(std::string_view(buf, static_cast<std::size_t>(n)));
    std::error_code ec;
    return IncludeBackslash(std::filesystem::current_path(ec).native());
}

void SetProgramFolderOverride(const std::string& folder)
{
    std::lock_guard lock(g_programFolderLock);
    g_programFolderOverride = IncludeBackslash(folder);
}

std::string GetClientRoot()
{
    const std::string dataHome = EnvOr("XDG_DATA_HOME", HomeFolder() + "/.local/share");
    std::string root = IncludeBackslash(dataHome) + "LX-ClientRoot/default/";
    ForceFolders(root);
    return root;
}

std::string GetScratchFolder(std::string_view sub)
{
    std::string folder = ScratchRoot();
    if (!sub.empty())
        folder = IncludeBackslash(folder + std::string(sub));
    ForceFolders(folder);
    return folder;
}

std::string IncludeBackslash(std::string_view path)
{
    if (path.empty())
        return {};
    const char last = path.back();
    if (last == ':' || IsSep(last))
        return std::string(path);
    if (path.size() == 1 && ((last >= 'A' && last <= 'Z') || (last >= 'a' && last <= 'z')))
        return std::string(path) + ':' + kPathDelim;
    return std::string(path) + kPathDelim;
}

std::string ExcludeBackslash(std::string_view path)
{
    if (path.size() > 1 && IsSep(path.back()))
        path.remove_suffix(1);
    return std::string(path);
}

std::string ExtractFilePath(std::string_view fileName)
{
    const std::size_t pos = fileName.find_last_of(kPathDelim);
    return pos == std::string_view::npos ? std::string() : std::string(fileName.substr(0, pos + 1));
}

std::string ExtractFileName(std::string_view fileName)
{
    const std::size_t pos = fileName.find_last_of(kPathDelim);
    return std::string(pos == std::string_view::npos ? fileName : fileName.substr(pos + 1));
}

bool ForceFolders(std::string_view path)
{
    if (path.empty())
        throw EInOutError("Verzeichnis kann nicht erstellt werden", 3);
    std::string dir(path);
    if (dir.size() > 1 && IsSep(dir.back()))
        dir.pop_back();
    // The file system root and a bare drive name are their own parents.
    if (dir == "/" || (dir.size() == 2 && dir[1] == ':'))
        return true;
    if (DirectoryExists(dir))
        return true;
    const std::size_t pos = dir.find_last_of(kPathDelim);
    if (pos != std::string::npos && pos > 0) {
        if (!ForceFolders(std::string_view(dir).substr(0, pos)))
            return false;
    }
    if (::mkdir(dir.c_str(), 0777) == 0)
        return true;
    return errno == EEXIST && DirectoryExists(dir);
}

bool ForceFileFolder(std::string_view fileName)
{
    const std::string folder = ExtractFilePath(fileName);
    if (folder.empty() || DirectoryExists(folder))
        return true;
    return ForceFolders(folder);
}

bool FileExists(std::string_view path)
{
    if (path.empty())
        return false;
    const std::string p(path);
    struct stat st {};
    if (::stat(p.c_str(), &st) == 0)
        return !S_ISDIR(st.st_mode);
    if (MeansMissing(errno))
        return false;
    // Cannot look at it (e.g. no search permission on the way): trust the entry itself.
    return ::lstat(p.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(std::string_view path)
{
    if (path.empty())
        return false;
    const std::string p(path);
    struct stat st {};
    if (::stat(p.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    return !MeansMissing(errno);
}

std::string MakeValidFileName(std::string_view text, bool removeBlanks)
{
    static constexpr std::string_view kInvalid = "\\?|><:/*\"";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 1 && u <= 31)
            continue;
        if (removeBlanks && c == ' ')
            continue;
        if (kInvalid.find(c) != std::string_view::npos)
            continue;
        out += c;
    }
    const std::size_t b = out.find_first_not_of(' ');
    if (b == std::string::npos)
        return {};
    const std::size_t e = out.find_last_not_of(' ');
    return out.substr(b, e - b + 1);
}

bool DeleteFileForced(std::string_view fileName)
{
    if (fileName.empty())
        return true;
    const std::string p(fileName);
    struct stat st {};
    if (::lstat(p.c_str(), &st) != 0)
        return MeansMissing(errno);
    if (S_ISDIR(st.st_mode))
        return false;
    const bool isLink = S_ISLNK(st.st_mode);
    const bool protectedFile = !isLink && (st.st_mode & S_IWUSR) == 0;
    if (protectedFile)
        ::chmod(p.c_str(), (st.st_mode & 07777) | S_IWUSR);
    if (::unlink(p.c_str()) == 0 || errno == ENOENT)
        return true;
    if (protectedFile)
        ::chmod(p.c_str(), st.st_mode & 07777);
    return false;
}

bool DeleteFolderTree(std::string_view path, bool keepRoot)
{
    const std::string root = ExcludeBackslash(path);
    if (root.empty() || root == "/")
        return false;
    if (!DirectoryExists(root))
        return true;
    struct stat st {};
    if (::lstat(root.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // A link to a folder: remove the link, never what it points to.
        return keepRoot ? false : ::unlink(root.c_str()) == 0;
    }
    bool ok = RemoveContents(root, true, !keepRoot);
    if (!keepRoot && ::rmdir(root.c_str()) != 0)
        ok = false;
    return ok;
}

} // namespace artikel
