#pragma once

// The glyphs of the main window's flat buttons, drawn by the program itself.

#include <QIcon>

namespace artikel {

// "Neue Quelle": a page with a plus.
QIcon NewSourceGlyph();
// The arrow of the database menu button.
QIcon DropDownGlyph();
// "Anpassen": source columns assigned to position fields.
QIcon AssignGlyph();

} // namespace artikel
