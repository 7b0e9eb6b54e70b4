// Tables saved as markup: the input is read as an HTML page and as an XML spreadsheet.
#include "converter/THtmlTableReader.h"
#include "converter/TSpreadsheetMlReader.h"
#include "fuzz/common/DiscardSink.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace artikel::convert;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    artikel::fuzz::TDiscardSink sink;
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
