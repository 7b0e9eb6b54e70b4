#pragma once

// DATANORM 4.0 and 5.0 article deliveries (article files, price updates, rebate and product
// group files) flattened to one table row per article.

#include "converter/TConvertSink.h"

#include <filesystem>
#include <memory>
#include <string>
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

// The table's header line.
std::vector<std::string> DatanormColumns(bool withMakerColumns);

class TDatanormReader {
public:
    TDatanormReader();
    ~TDatanormReader();
    TDatanormReader(const TDatanormReader&) = delete;
    TDatanormReader& operator=(const TDatanormReader&) = delete;

    // The file is mapped, not copied; it must stay unchanged until Convert returns.
    void AddFile(const std::filesystem::path& file);
    // `name` names the file in messages; `bytes` are its contents.
    void AddBuffer(std::string name, std::string bytes);

    // Reads every added file and writes the header and one row per article to the sink.
    // Throws EConvertError for a delivery that cannot be converted.
    void Convert(TConvertSink& sink);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace artikel::convert
