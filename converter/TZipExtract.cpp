#include "converter/TZipExtract.h"

#include "converter/TConvertMessage.h"
#include "converter/ZipHandles.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

namespace artikel::convert {
namespace {

bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

TZipExtract::TZipExtract(TZipLimits limits)
    : limits_(limits)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "artikel-zip-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw EConvertError(Utf8ToWin1252("Es kann kein temporärer Ordner zum Entpacken angelegt werden."));
    folder_ = pattern;
}

TZipExtract::~TZipExtract()
{
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
}

std::filesystem::path TZipExtract::SafeRelativePath(const std::string& entryName)
{
    std::string name = entryName;
    for (char& c : name)
        if (c == '\\')
            c = '/';
    if (name.empty() || name[0] == '/')
        return {};
    std::filesystem::path rel;
    std::size_t pos = 0;
    while (pos <= name.size()) {
        std::size_t slash = name.find('/', pos);
        if (slash == std::string::npos)
            slash = name.size();
        const std::string part = name.substr(pos, slash - pos);
        pos = slash + 1;
        if (part.empty() || part == ".")
            continue;
        // ".." climbs out; a colon is a drive letter or an alternate data stream on Windows.
        if (part == ".." || part.find(':') != std::string::npos)
            return {};
        rel /= part;
    }
    return rel;
}

std::vector<std::filesystem::path> TZipExtract::Extract(const std::filesystem::path& zipFile)
{
    const std::string shown = zipFile.filename().string();
    int err = 0;
    TZipArchivePtr archive(zip_open(zipFile.c_str(), ZIP_RDONLY, &err));
    if (!archive)
        FailFile(shown, "ist kein lesbares Zip-Archiv.");
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    if (count < 0 || static_cast<std::uint64_t>(count) > limits_.maxEntries)
        FailFile(shown, "enthält mehr als " + std::to_string(limits_.maxEntries) + " Einträge.");

    // Entries may share their compressed data: each passes its own ratio, yet together they
    // inflate far beyond what the archive could hold. The whole is measured against the file.
    std::error_code sizeError;
    const std::uint64_t archiveBytes = std::max<std::uint64_t>(std::filesystem::file_size(zipFile, sizeError), 1);
    std::vector<std::filesystem::path> files;
    std::uint64_t total = 0;
    std::vector<char> buffer(256 * 1024);
    const std::string bomb = "ist beschädigt oder unzulässig stark gepackt (Zip-Bombe?).";
    for (zip_uint64_t i = 0; i < static_cast<zip_uint64_t>(count); ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archive.get(), i, 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME))
            FailFile(shown, "ist beschädigt.");
        const std::string name = st.name;
        const std::filesystem::path rel = SafeRelativePath(name);
        if (rel.empty())
            FailFile(shown, "enthält einen unzulässigen Pfad: " + name);
        zip_uint8_t opsys = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(archive.get(), i, 0, &opsys, &attributes) == 0 &&
            opsys == ZIP_OPSYS_UNIX && S_ISLNK(attributes >> 16))
            continue; // a link could point anywhere: never created
        const std::filesystem::path target = folder_ / rel;
        std::error_code ec;
        if (!name.empty() && (name.back() == '/' || name.back() == '\\')) {
            std::filesystem::create_directories(target, ec);
            if (ec)
                FailFile(shown, "enthält einen unzulässigen Pfad: " + name);
            continue;
        }
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
            FailFile(shown, "ist verschlüsselt (" + name + ").");
        // The sizes in the directory may lie; they are checked here and again while inflating.
        if (st.valid & ZIP_STAT_SIZE) {
            if (st.size > limits_.maxEntryBytes || total + st.size > limits_.maxTotalBytes)
                FailFile(shown, bomb);
            if ((st.valid & ZIP_STAT_COMP_SIZE) && st.size >= limits_.ratioFromBytes &&
                st.size / std::max<zip_uint64_t>(st.comp_size, 1) > limits_.maxRatio)
                FailFile(shown, bomb);
        }
        const std::uint64_t compressed = (st.valid & ZIP_STAT_COMP_SIZE) ? st.comp_size : 0;
        std::filesystem::create_directories(target.parent_path(), ec);
        if (ec)
            FailFile(shown, "enthält einen unzulässigen Pfad: " + name);
        TZipEntryPtr in(zip_fopen_index(archive.get(), i, 0));
        if (!in)
            FailFile(shown, "ist beschädigt (" + name + ").");
        const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0)
            FailFile(shown, "enthält einen doppelten oder unzulässigen Eintrag: " + name);
        std::uint64_t written = 0;
        bool ok = true;
        std::string problem;
        for (;;) {
            const zip_int64_t n = zip_fread(in.get(), buffer.data(), buffer.size());
            if (n < 0) {
                problem = "ist beschädigt (" + name + ").";
                break;
            }
            if (n == 0)
                break;
            written += static_cast<std::uint64_t>(n);
            total += static_cast<std::uint64_t>(n);
            if (written > limits_.maxEntryBytes || total > limits_.maxTotalBytes ||
                (written >= limits_.ratioFromBytes &&
                 written / std::max<std::uint64_t>(compressed, 1) > limits_.maxRatio) ||
                (total >= limits_.ratioFromBytes && total / archiveBytes > limits_.maxRatio)) {
                problem = bomb;
                break;
            }
            if (!WriteAll(fd, buffer.data(), static_cast<std::size_t>(n))) {
                problem = "kann nicht entpackt werden (Datenträger voll?).";
                break;
            }
        }
        ok = ::close(fd) == 0 && problem.empty();
        if (!ok)
            FailFile(shown, problem.empty() ? std::string("kann nicht entpackt werden.") : problem);
        files.push_back(target);
    }
    return files;
}

} // namespace artikel::convert
