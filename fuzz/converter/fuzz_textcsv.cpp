// Encoding and separator detection, the CSV/text splitting of an unknown text file and the search
// for its header row, as the converter runs them.
#include "converter/TTableShaper.h"
#include "converter/TTextCsvReader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

class DiscardSink : public artikel::convert::TConvertSink {
public:
    void Row(const std::vector<std::string>& cells) override
    {
        for (const auto& c : cells)
            if (c.find('\0') != std::string::npos)
                __builtin_trap(); // NUL never reaches the CSV
    }
    void Note(const std::string&) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace artikel::convert;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    DiscardSink sink;
    try {
        TTableShaper table(sink);
        TTextCsvReader("fuzz.csv").ReadBytes(bytes, table);
        table.Finish();
    } catch (const EConvertError&) {
    }
    return 0;
}
