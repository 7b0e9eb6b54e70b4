#pragma once

namespace artikel {

// The application title: the window caption (before its version) and the grid's empty message
// while nothing is chosen.
inline constexpr const char* kProgramTitle = "CSV,DATANORM4/5,Excel,Zip Anzeigen & Senden";

} // namespace artikel
