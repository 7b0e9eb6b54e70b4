#pragma once

// The field assignment of one database: which source columns fill the seven position fields.

#include <array>
#include <string>

namespace artikel {

// The seven position fields, in this order; also the node-file keys of the assignment.
inline constexpr std::array<const char*, 7> kPositionFieldNames = {
    "sfdescription", "sflongtext", "sfpartNo", "sfPrice", "sfpartUnit", "sfQuantity", "sfPos"};

struct TCSVSetup {
    // Per position field a comma list of source column names (Windows-1252).
    std::array<std::string, 7> SourceColumns;
    double PriceFactor = 0.0;
    // True when at least one of the seven lists is non-empty.
    bool Assigned = false;
};

} // namespace artikel
