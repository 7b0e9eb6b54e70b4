#pragma once

// Recognising DATANORM files by their content and gathering the files of one delivery.

#include <filesystem>
#include <string_view>
#include <vector>

namespace artikel::convert {

enum class EDatanormKind { None, Articles, Prices, Rebates, Groups };

// What the first records of a file say about it. `version` is 3, 4 or 5, or 0 when the file has
// no header and its records do not tell.
struct TDatanormProbe {
    bool isDatanorm = false;
    int version = 0;
    EDatanormKind kind = EDatanormKind::None;
};
TDatanormProbe ProbeDatanorm(std::string_view head);
// Probes the first 64 KiB of a file; a file that cannot be read is no DATANORM file.
TDatanormProbe ProbeDatanormFile(const std::filesystem::path& file);

// The files of the delivery `file` belongs to: the file itself and, when its name is one of a
// delivery ("DATANORM.001", "xyz_datpreis.001", "DATANORM.RAB" ...), the DATANORM files beside it
// whose names carry the same prefix.
std::vector<std::filesystem::path> FindDatanormDelivery(const std::filesystem::path& file);

} // namespace artikel::convert
