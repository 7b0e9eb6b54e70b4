#pragma once

// The converter's output thrown away: the fuzz targets of the readers look for crashes, hangs and
// sanitizer reports, not for rows.

#include "converter/TConvertSink.h"

#include <cstddef>
#include <string>
#include <vector>

namespace artikel::fuzz {

class TDiscardSink : public convert::TConvertSink {
public:
    void Row(const std::vector<std::string>& cells) override { count += cells.size(); }
    void Note(const std::string&) override {}
    std::size_t count = 0;
};

} // namespace artikel::fuzz
