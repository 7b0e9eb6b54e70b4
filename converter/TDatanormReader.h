#pragma once

// DATANORM 4.0 and 5.0 article deliveries (article files, price updates, rebate and product
// group files) flattened to one table row per article.

#include "converter/DatanormProbe.h"
#include "converter/TConvertSink.h"

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace artikel::convert {

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

    // Names the delivery in the column "Lieferant" where its header names no supplier.
    void SetName(std::string name);
    // Several deliveries in one table (one Zip with a folder per supplier): each is read on its
    // own, so that articles of the same number stay apart and each keeps its own rebates and
    // groups; every row names its supplier in the column "Lieferant".
    static void ConvertDeliveries(std::vector<std::unique_ptr<TDatanormReader>>& deliveries, TConvertSink& sink);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace artikel::convert
