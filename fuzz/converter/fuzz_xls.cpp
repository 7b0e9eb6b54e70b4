// Old Excel workbooks: the input is read as a whole .xls file (compound file and BIFF records),
// or, when the first byte is odd, its remainder as a bare workbook stream whose every worksheet
// is read.
#include "converter/TBiffWorkbook.h"
#include "converter/TXlsReader.h"
#include "fuzz/common/DiscardSink.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace artikel::convert;
    if (size == 0)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    artikel::fuzz::TDiscardSink sink;
    try {
        if (data[0] & 1) {
            TBiffWorkbook book("fuzz.xls", std::string(bytes), (data[0] & 2) != 0);
            for (std::size_t i = 0; i < book.Sheets().size(); ++i)
                book.ReadSheet(i, sink);
        } else {
            TXlsReader().ReadBytes(bytes, "fuzz.xls", sink);
        }
    } catch (const EConvertError&) {
    }
    return 0;
}
