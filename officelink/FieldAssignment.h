#pragma once

// The first assignment of a database's columns to the position fields, guessed from the column
// names.

#include "catalog/TCSVSetup.h"

#include <string>
#include <vector>

namespace artikel {

// Assigns the empty targets of setup by the column names, unless setup is already Assigned.
// When some name contains "PreisOhnePreiseinheit" (letter case ignored) the targets 0-4 take the
// column named exactly "Text", "Langtext", "Artikelnummer", "Preis", "Einheit"; otherwise each
// target takes the column whose name contains one of its keywords (letter case ignored):
//   0 Bezeichnung Text Descript   1 LongText Langtext   2 No Nummer   3 Price Preis
//   4 Einheit Unit                5 Quantity Menge      6 Pos
// The last matching column wins. Empty column names are skipped. Returns true when some target
// was assigned here (the assignment dialog then says so).
bool AutoAssignFields(const std::vector<std::string>& columns, TCSVSetup& setup);

} // namespace artikel
