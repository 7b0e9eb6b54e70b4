#pragma once

// The JSON documents exchanged with the office application Ledgix: the positions document sent
// with "OUTDATA", and the current order read from the "SIMPLEGETJSON" answer. Documents are
// Windows-1252 text in the program's JSON conventions (platform/TJsonDocument.h), compact.

#include "catalog/IOfficeLink.h"
#include "platform/TJsonDocument.h"

#include <string>
#include <string_view>

namespace artikel {

class TListDataSet;

class TPutLXParser {
public:
    // The positions document of every row in the view of positions (fields in the order of
    // kPositionFieldNames): {"Order":[{"Parts":[...],"Adress":[{}],"NettoPrices":true,
    // "TaxImport":false,"UpdateParts":false,"AppendMode":true}],"Description":"TCSVRequest"},
    // each part {"Unit","Quantity","Position","Description1","Number","LongText","Price"}.
    static TJSON BuildDocument(const TListDataSet& positions);
    // The same as compact Windows-1252 text.
    static std::string BuildText(const TListDataSet& positions);
};

// The current order from an answer to "SIMPLEGETJSON": "Order"[0]."InternalType" = 3 gives the
// purchase type; the "AdressSmart" of the only "Adress" element, without "¬" and CR LF, trimmed,
// cut to 48 characters and ".." when longer than 50. Anything missing or unparsable leaves the
// defaults.
TCurrentOrder ParseCurrentOrder(std::string_view answer);

} // namespace artikel
