#pragma once

// Owning handles of libzip objects: an archive opened read-only is discarded, never written back.

#include <memory>
#include <zip.h>

namespace artikel::convert {

struct ZipCloser {
    void operator()(zip* z) const { zip_discard(z); }
};
struct ZipFileCloser {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

using TZipArchivePtr = std::unique_ptr<zip, ZipCloser>;
using TZipEntryPtr = std::unique_ptr<zip_file_t, ZipFileCloser>;

} // namespace artikel::convert
