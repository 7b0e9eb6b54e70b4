// Arbitrary bytes as a database file: the load, and the filter, locate, sort and save over
// whatever it produced, must neither crash nor hang.

#include "data/TFastMemoryStream.h"
#include "data/TListDataSet.h"

#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string>
#include <unistd.h>

namespace {

const std::string& TempFile()
{
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/fuzz_load_XXXXXX";
        const int fd = ::mkstemp(pattern.data());
        if (fd < 0)
            std::abort();
        ::close(fd);
        return pattern;
    }();
    return path;
}

void WriteAll(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    if (size && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace artikel;
    WriteAll(TempFile(), data, size);
    TListDataSet ds;
    try {
        ds.LoadFromFile(TempFile());
    } catch (const std::exception&) {
        // "to many cols" keeps the rows: go on with them.
    }
    {
        // The two-core parse, with a guessed split, must read the same.
        TListDataSet split;
        split.SetParallelLoadMinimum(0);
        try {
            split.LoadFromFile(TempFile());
        } catch (const std::exception&) {
        }
        if (split.TotalCount() != ds.TotalCount())
            std::abort();
        for (int r = 0; r < ds.TotalCount(); ++r)
            for (int c = 0; c < kRecordCells; ++c)
                if (split.Cell(r, c) != ds.Cell(r, c))
                    std::abort();
    }
    if (!ds.Active())
        return 0;
    // A find text taken from the input's first bytes.
    const std::string text(reinterpret_cast<const char*>(data), size < 12 ? size : 12);
    try {
        ds.ApplyFilter(text, true, true);
        ds.ApplyFilter(text, false, false);
        if (ds.FieldCount() > 0) {
            ds.SortByColumn(ds.Field(0).FieldName());
            ds.Locate(ds.Field(ds.FieldCount() - 1).FieldName(), "*" + text + "*");
        }
    } catch (const std::exception&) {
    }
    TFastMemoryStream out;
    ds.SaveToStream(out);
    return 0;
}
