// Arbitrary bytes as the converter's result file, and as a path shortened for the re-import
// question.
#include "catalog/ConverterImport.h"
#include "platform/FileRetry.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const artikel::TConverterResult result = artikel::ParseConverterResult(artikel::SplitLines(text));
    std::size_t total = 0;
    for (const std::string& message : result.Messages)
        total += message.size();
    if (total > size)
        __builtin_trap();
    const std::string shortened = artikel::ShortenMiddle(text, 70);
    if (shortened.size() > size)
        __builtin_trap();
    return 0;
}
