#pragma once

// The glyphs of the find box's buttons, drawn by the program itself.

#include <QIcon>

namespace artikel {

// Clears the find box: a cross.
QIcon ClearFindGlyph();
// Searches again: a magnifying glass.
QIcon SearchAgainGlyph();
// Saves the search as a filter: a funnel with a plus.
QIcon AddFilterGlyph();
// Removes the selected filter: a funnel with a minus.
QIcon RemoveFilterGlyph();

} // namespace artikel
