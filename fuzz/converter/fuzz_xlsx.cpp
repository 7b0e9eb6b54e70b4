// The XML parts of an .xlsx workbook: the input is parsed as shared strings and styles, then as
// a worksheet using what those gave, fed in chunks whose size the first byte chooses.
#include "converter/TXlsxParts.h"
#include "fuzz/common/DiscardSink.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace artikel::convert;
    if (size == 0)
        return 0;
    const std::size_t chunk = 1 + data[0] % 64;
    const char* xml = reinterpret_cast<const char*>(data + 1);
    const std::size_t length = size - 1;

    TXlsxSharedStrings shared("fuzz.xlsx");
    try {
        shared.Feed(xml, length, true);
    } catch (const EConvertError&) {
    }
    TXlsxStyles styles("fuzz.xlsx");
    try {
        styles.Feed(xml, length, true);
    } catch (const EConvertError&) {
    }
    const std::vector<TCellFormat> formats = styles.CellFormats();
    artikel::fuzz::TDiscardSink sink;
    TXlsxSheetParser sheet("fuzz.xlsx", shared.strings, formats, (data[0] & 0x80) != 0, sink);
    try {
        for (std::size_t pos = 0; pos < length; pos += chunk)
            sheet.Feed(xml + pos, std::min(chunk, length - pos), false);
        sheet.Feed(nullptr, 0, true);
    } catch (const EConvertError&) {
    }
    return 0;
}
