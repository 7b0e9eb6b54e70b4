#include "converter/TZipWriter.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <sys/stat.h>
#include <zip.h>

namespace artikel::convert {
namespace {

constexpr time_t kFixedTime = 1577836800; // 2020-01-01, so that equal content gives equal bytes

std::string ZipError(zip* archive) { return zip_strerror(archive); }

} // namespace

TZipWriter::TZipWriter(const std::filesystem::path& file, int level)
    : path_(file.string()),
      level_(level)
{
    int err = 0;
    archive_ = zip_open(path_.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!archive_)
        throw std::runtime_error("cannot create zip " + path_);
}

TZipWriter::~TZipWriter()
{
    if (archive_)
        zip_discard(archive_);
}

void TZipWriter::Add(const std::string& name, std::string bytes, bool compress)
{
    // libzip frees the copy once written; an empty entry needs no buffer (and would not be freed).
    void* copy = nullptr;
    if (!bytes.empty()) {
        copy = std::malloc(bytes.size());
        if (!copy)
            throw std::bad_alloc();
        std::memcpy(copy, bytes.data(), bytes.size());
    }
    zip_source_t* src = zip_source_buffer(archive_, copy, bytes.size(), copy ? 1 : 0);
    if (!src) {
        std::free(copy);
        throw std::runtime_error(ZipError(archive_));
    }
    const zip_int64_t index = zip_file_add(archive_, name.c_str(), src, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(src);
        throw std::runtime_error(ZipError(archive_));
    }
    const auto i = static_cast<zip_uint64_t>(index);
    zip_set_file_compression(archive_, i, compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE,
                             compress ? static_cast<zip_uint32_t>(level_) : 0);
    zip_file_set_mtime(archive_, i, kFixedTime, 0);
}

void TZipWriter::AddEncrypted(const std::string& name, std::string bytes, const std::string& password)
{
    Add(name, std::move(bytes));
    const zip_int64_t index = zip_name_locate(archive_, name.c_str(), ZIP_FL_ENC_UTF_8);
    if (zip_file_set_encryption(archive_, static_cast<zip_uint64_t>(index), ZIP_EM_TRAD_PKWARE, password.c_str()) != 0)
        throw std::runtime_error(ZipError(archive_));
}

void TZipWriter::AddSymlink(const std::string& name, const std::string& target)
{
    Add(name, target, false);
    const zip_int64_t index = zip_name_locate(archive_, name.c_str(), ZIP_FL_ENC_UTF_8);
    zip_file_set_external_attributes(archive_, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                     static_cast<zip_uint32_t>(S_IFLNK | 0777) << 16);
}

void TZipWriter::Close()
{
    if (zip_close(archive_) != 0)
        throw std::runtime_error(ZipError(archive_));
    archive_ = nullptr;
}

} // namespace artikel::convert
