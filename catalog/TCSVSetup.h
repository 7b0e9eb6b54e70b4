#pragma once

// The field assignment of one database: which source columns fill the seven position fields.

#include "data/PositionFields.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace artikel {

// Indexes into kPositionFieldNames and TCSVSetup::SourceColumns.
enum TPositionField : int {
    pfDescription = 0,
    pfLongText = 1,
    pfPartNo = 2,
    pfPrice = 3,
    pfUnit = 4,
    pfQuantity = 5,
    pfPos = 6,
};

struct TCSVSetup {
    // Per position field a comma list of source column names (Windows-1252).
    std::array<std::string, 7> SourceColumns;
    double PriceFactor = 0.0;
    // True when at least one of the seven lists is non-empty.
    bool Assigned = false;
};

// The names of a comma list: names in double quotes (an inner quote doubled) or bare, separated
// by ","; blanks around a name are dropped, empty names skipped.
std::vector<std::string> SplitColumnList(std::string_view commaList);
// The comma list of names: every name in double quotes, inner quotes doubled, "," between.
std::string JoinColumnList(const std::vector<std::string>& names);

} // namespace artikel
