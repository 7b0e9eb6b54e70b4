#include "officelink/TPutLXParser.h"

#include "catalog/TCSVSetup.h"
#include "data/TListDataSet.h"
#include "platform/TextUtils.h"

namespace artikel {

namespace {

// Part member -> position field, in the order the members are written.
constexpr std::pair<const char*, TPositionField> kPartMembers[] = {
    {"Unit", pfUnit},     {"Quantity", pfQuantity}, {"Position", pfPos}, {"Description1", pfDescription},
    {"Number", pfPartNo}, {"LongText", pfLongText}, {"Price", pfPrice},
};

} // namespace

TJSON TPutLXParser::BuildDocument(const TListDataSet& positions)
{
    TJSON parts = TJSON::array();
    const int rows = positions.RecordCount();
    for (int row = 0; row < rows; ++row) {
        TJSON part = TJSON::object();
        for (const auto& [member, field] : kPartMembers)
            part[member] = JsonString(positions.Cell(row, field));
        parts.push_back(std::move(part));
    }
    TJSON order = TJSON::object();
    order["Parts"] = std::move(parts);
    order["Adress"] = TJSON::array({TJSON::object()});
    order["NettoPrices"] = true;
    order["TaxImport"] = false;
    order["UpdateParts"] = false;
    order["AppendMode"] = true;
    TJSON doc = TJSON::object();
    doc["Order"] = TJSON::array({std::move(order)});
    doc["Description"] = "TCSVRequest";
    return doc;
}

std::string TPutLXParser::BuildText(const TListDataSet& positions)
{
    return WriteJson(BuildDocument(positions), TJsonLayout::Compact);
}

TCurrentOrder ParseCurrentOrder(std::string_view answer)
{
    TCurrentOrder result;
    TJSON doc;
    try {
        doc = ReadJson(answer);
    } catch (const std::exception&) {
        return result;
    }
    const TJSON* orders = JsonFind(doc, "Order");
    if (!orders || !orders->is_array() || orders->empty())
        return result;
    const TJSON& order = (*orders)[0];
    if (const TJSON* type = JsonFind(order, "InternalType"))
        result.PurchaseType = JsonValueText(*type) == "3";
    const TJSON* address = JsonFind(order, "Adress");
    if (!address || !address->is_array() || address->size() != 1)
        return result;
    std::string text;
    const std::string smart = JsonText((*address)[0], "AdressSmart");
    for (size_t i = 0; i < smart.size(); ++i) {
        if (smart[i] == '\xAC')
            continue;
        if (smart[i] == '\r' && i + 1 < smart.size() && smart[i + 1] == '\n') {
            ++i;
            continue;
        }
        text += smart[i];
    }
    text = std::string(TrimText(text));
    if (text.size() > 50)
        text = text.substr(0, 48) + "..";
    result.AddressText = std::move(text);
    return result;
}

} // namespace artikel
