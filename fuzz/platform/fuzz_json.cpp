// Any byte sequence: the reader either raises EJsonError or gives a document that both layouts
// write and read back to the same text.
#include "platform/TJsonDocument.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace artikel;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TJSON doc;
    try {
        doc = ReadJson(text);
    } catch (const EJsonError&) {
        return 0;
    }
    for (auto layout : {TJsonLayout::Compact, TJsonLayout::Indented}) {
        const std::string written = WriteJson(doc, layout);
        const std::string again = WriteJson(ReadJson(written), layout);
        if (again != written)
            std::abort();
    }
    (void)JsonText(doc, "Caption");
    return 0;
}
