#pragma once

// What the main window needs to reach the office application and the desktop for sending.

#include <memory>
#include <string>

namespace artikel {

class IOfficeLink;

// The link over the office application's exchange server: the server of this run is discovered
// first; every call shows the busy cursor while it waits.
std::unique_ptr<IOfficeLink> ExchangeOfficeLink();

// Shows the source file of a database in the file manager, the file selected where it can.
void ShowSourceFile(const std::string& file);

} // namespace artikel
