// The DATANORM reader on any bytes: split at the first two "\n@@\n" marks into an article file, a
// price file and a look-up file, so that cross-file references get exercised too.
#include "converter/TDatanormReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

class DiscardSink : public artikel::convert::TConvertSink {
public:
    void Row(const std::vector<std::string>& cells) override { bytes += cells.size(); }
    void Note(const std::string& message) override { bytes += message.size(); }
    size_t bytes = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view in(reinterpret_cast<const char*>(data), size);
    static const char* kNames[] = {"DATANORM.001", "DATPREIS.001", "DATANORM.RAB"};
    artikel::convert::TDatanormReader reader;
    for (int part = 0; part < 3; ++part) {
        const size_t mark = part < 2 ? in.find("\n@@\n") : std::string_view::npos;
        reader.AddBuffer(kNames[part], std::string(in.substr(0, mark)));
        if (mark == std::string_view::npos)
            break;
        in.remove_prefix(mark + 4);
    }
    DiscardSink sink;
    try {
        reader.Convert(sink);
    } catch (const artikel::convert::EConvertError&) {
    }
    return 0;
}
