#include "officelink/FieldAssignment.h"

#include "platform/Win1252.h"

#include <array>

namespace artikel {

namespace {

constexpr std::array<std::array<const char*, 3>, 7> kKeywords = {{
    {"Bezeichnung", "Text", "Descript"},
    {"LongText", "Langtext", nullptr},
    {"No", "Nummer", nullptr},
    {"Price", "Preis", nullptr},
    {"Einheit", "Unit", nullptr},
    {"Quantity", "Menge", nullptr},
    {"Pos", nullptr, nullptr},
}};

constexpr std::array<const char*, 7> kExactNames = {"Text",    "Langtext", "Artikelnummer", "Preis",
                                                    "Einheit", nullptr,    nullptr};

} // namespace

bool AutoAssignFields(const std::vector<std::string>& columns, TCSVSetup& setup)
{
    if (setup.Assigned)
        return false;
    std::string joined;
    for (const std::string& c : columns)
        joined += c;
    const bool exactNames = ContainsNoCase(joined, "PreisOhnePreiseinheit");

    std::array<std::string, 7> found;
    for (size_t target = 0; target < found.size(); ++target) {
        for (const std::string& column : columns) {
            if (column.empty())
                continue;
            if (exactNames) {
                if (kExactNames[target] && column == kExactNames[target])
                    found[target] = column;
                continue;
            }
            for (const char* keyword : kKeywords[target]) {
                if (keyword && ContainsNoCase(column, keyword))
                    found[target] = column;
            }
        }
    }
    bool any = false;
    for (size_t target = 0; target < found.size(); ++target) {
        if (found[target].empty() || !setup.SourceColumns[target].empty())
            continue;
        setup.SourceColumns[target] = JoinColumnList({found[target]});
        any = true;
    }
    return any;
}

} // namespace artikel
