#pragma once

// Small helpers of the catalog: ids, the order of captions, the scan of the nodes folder.

#include <string>
#include <string_view>
#include <vector>

namespace artikel {

// A fresh random GUID as 36 upper-case characters in groups 8-4-4-4-12, without braces.
std::string NewGuidText();

// Orders captions as a person reads them: letter case is ignored and runs of digits compare by
// their value ("Liste 9" before "Liste 10"), at any length. Texts that differ only in letter
// case are 0. Otherwise a text that is a leading part of the other comes first, and texts equal
// run by run ("Liste 01" and "Liste 1") are ordered by their bytes, so the order is total and
// safe for any sort. Windows-1252 text; the sign of the result decides.
int NaturalCompareText(std::string_view a, std::string_view b);

// Every file (not folder) in folder whose name matches mask (GlobMatch), then, recursively, those of every
// sub-folder; each as folder + name. Names are taken in byte order within a folder; symbolic
// links to folders are not followed. A missing folder yields nothing; never raises.
std::vector<std::string> ListFilesRecursive(const std::string& folder, std::string_view mask);

} // namespace artikel
