// The DATANORM reader on any bytes: split at the first two "\n@@\n" marks into an article file, a
// price file and a look-up file, so that cross-file references get exercised too. A "\n##\n" mark
// before that splits the input into two deliveries read into one table.
#include "converter/TDatanormReader.h"
#include "fuzz/common/DiscardSink.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

void AddParts(artikel::convert::TDatanormReader& reader, std::string_view in)
{
    static const char* kNames[] = {"DATANORM.001", "DATPREIS.001", "DATANORM.RAB"};
    for (int part = 0; part < 3; ++part) {
        const size_t mark = part < 2 ? in.find("\n@@\n") : std::string_view::npos;
        reader.AddBuffer(kNames[part], std::string(in.substr(0, mark)));
        if (mark == std::string_view::npos)
            break;
        in.remove_prefix(mark + 4);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using artikel::convert::TDatanormReader;
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    artikel::fuzz::TDiscardSink sink;
    try {
        const size_t split = in.find("\n##\n");
        if (split == std::string_view::npos) {
            TDatanormReader reader;
            AddParts(reader, in);
            reader.Convert(sink);
        } else {
            std::vector<std::unique_ptr<TDatanormReader>> deliveries;
            for (std::string_view part : {in.substr(0, split), in.substr(split + 4)}) {
                deliveries.push_back(std::make_unique<TDatanormReader>());
                deliveries.back()->SetName("Lieferung");
                AddParts(*deliveries.back(), part);
            }
            TDatanormReader::ConvertDeliveries(deliveries, sink);
        }
    } catch (const artikel::convert::EConvertError&) {
    }
    return 0;
}
