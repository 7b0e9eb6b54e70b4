#pragma once

// The seven fields of a position, in this order: the positions queue's field names, and the
// node-file keys of a database's field assignment.

#include <array>

namespace artikel {

inline constexpr std::array<const char*, 7> kPositionFieldNames = {"sfdescription", "sflongtext", "sfpartNo", "sfPrice",
                                                                   "sfpartUnit",    "sfQuantity", "sfPos"};

} // namespace artikel
