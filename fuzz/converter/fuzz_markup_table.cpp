// Tables saved as markup: the input is read as an HTML page and as an XML spreadsheet.
#include "converter/THtmlTableReader.h"
#include "converter/TSpreadsheetMlReader.h"

#include <cstddef>
#include <cstdint>

namespace {

class DiscardSink : public artikel::convert::TConvertSink {
public:
    void Row(const std::vector<std::string>& cells) override { count += cells.size(); }
    void Note(const std::string&) override {}
    std::size_t count = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace artikel::convert;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    DiscardSink sink;
    try {
        THtmlTableReader().ReadBytes(bytes, "fuzz.xls", sink);
    } catch (const EConvertError&) {
    }
    try {
        TSpreadsheetMlReader().ReadBytes(bytes, "fuzz.xls", sink);
    } catch (const EConvertError&) {
    }
    return 0;
}
