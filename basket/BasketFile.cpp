#include "basket/BasketFile.h"

#include "data/TCSVReader.h"
#include "data/TListDataSet.h"
#include "platform/FileRetry.h"
#include "platform/Folders.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace artikel {

namespace {

constexpr int kBasketFields = 7;

} // namespace

std::filesystem::path BasketFileName(const std::filesystem::path& chosen)
{
    std::filesystem::path out = chosen;
    out.replace_extension(".csv");
    return out;
}

std::string ProposedBasketFileName(std::string_view addressText)
{
    const std::string name = MakeValidFileName(addressText, false);
    return name.empty() ? std::string() : name + ".csv";
}

void SaveBasketFile(TListDataSet& positions, const std::filesystem::path& fileName)
{
    positions.SaveToFile(BasketFileName(fileName));
}

void OpenBasketFile(TListDataSet& positions, const std::filesystem::path& fileName)
{
    std::vector<std::unique_ptr<TListRecordData>> rows;
    {
        std::string data = OpenStreamRetry(fileName.string(), TOpenMode::Read)->ReadAll();
        // The line break is detected as for any CSV file; the separator is not guessed.
        const TCSVOptions options = DetectCSVOptions(data);
        const std::string& lb = options.LineBreak;
        if (!data.empty() && !(data.size() >= lb.size() && data.compare(data.size() - lb.size(), lb.size(), lb) == 0))
            data += lb;
        TCSVReader reader(data, ',');
        if (lb.size() == 1) {
            reader.SetLineEnd(lb[0]);
            reader.SetLineBreakLength(1);
        }
        reader.First();
        bool header = true;
        while (!reader.Eof()) {
            if (header) {
                header = false;
            } else {
                auto row = std::make_unique<TListRecordData>();
                const int n = std::min(reader.FieldCount(), kBasketFields);
                for (int i = 0; i < n; ++i)
                    (*row)[static_cast<size_t>(i)] = reader.Field(i);
                rows.push_back(std::move(row));
            }
            reader.Next();
        }
    }
    TControlsGuard guard(positions);
    positions.ClearFilter();
    positions.ClearRecords();
    for (auto& row : rows)
        positions.AddRecord(std::move(row), false, false);
    positions.RefreshView(false);
    positions.First();
}

} // namespace artikel
