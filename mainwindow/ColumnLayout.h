#pragma once

// The grid's column layout files beside a layout name (the database folder + "grid.col"):
// name + ".COL" holds the columns in display order, name + ".COX" the grid options as four
// CR LF lines. ".COL" is the program's own text form: a signature line, then one line per column
// with field name, width, visible flag, alignment and title alignment separated by tabs.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace artikel {

enum class TColumnAlignment { Left = 0, Right = 1, Center = 2 };

struct TColumnState {
    std::string fieldName;
    int width = 64;
    bool visible = true;
    TColumnAlignment alignment = TColumnAlignment::Left;
    TColumnAlignment titleAlignment = TColumnAlignment::Left;
    bool operator==(const TColumnState&) const = default;
};

struct TGridOptions {
    bool columnLines = true;
    bool rowLines = true;
    std::string currentField;
    bool autoSize = false;
};

inline std::string ColFileName(const std::string& layoutName) { return layoutName + ".COL"; }
// The ".COL" file name with its extension changed to ".COX".
std::string CoxFileName(const std::string& layoutName);

std::string EncodeColumns(const std::vector<TColumnState>& columns);
// nullopt when the text is not a column list this program wrote (any damage rejects it all).
std::optional<std::vector<TColumnState>> DecodeColumns(std::string_view text);

std::string EncodeGridOptions(const TGridOptions& options);
// Missing lines count as empty; "1" switches a flag on, anything else off.
TGridOptions DecodeGridOptions(std::string_view text);

inline constexpr int kMinColumnWidth = 20;
inline constexpr int kMaxColumnWidth = 300;

// The largest width the column selection offers for the visible column at index selected of
// visibleWidths (display order). With auto-size the columns fill the grid: the column may grow
// until every visible column behind it is kMinColumnWidth wide.
int WidthTrackMaximum(const std::vector<int>& visibleWidths, int selected, bool autoSize);

// The width each of count visible columns gets when all are made equal in a grid gridWidth
// wide (less 12 for a row indicator, 14 for a marker column and a line per column); 0 for none.
int EqualColumnWidth(int gridWidth, int count, bool indicator, bool marker, int lineWidth);

// The layout files as the grid reads them. Grid options (".COX"): nothing when missing or
// unreadable. Saved columns (".COL"): `present` when the file is there; one that cannot be read or
// is not in the program's form is removed (a fresh one is saved on close) and gives no columns.
std::optional<TGridOptions> ReadGridOptions(const std::string& layoutName);
struct TSavedColumns {
    bool present = false;
    std::optional<std::vector<TColumnState>> columns;
};
TSavedColumns ReadSavedColumns(const std::string& layoutName);

// Picture links of a grid's cells name files in the folder "images" beside the layout.
inline constexpr const char* kPictureHintFile = "Bilder m\xC3\xBCssen in dieses Verzeichnis gelegt werden.txt";
std::string PictureFolder(const std::string& layoutName);
// The picture a link names (UTF-8), when it is a regular file inside `folder`: a link never
// reaches outside it ("../" or an absolute path). Else empty.
std::string ResolvePictureLink(const std::string& folder, const std::string& name);
// Creates the picture folder and the note in it that tells where pictures go; the note's path
// (also when it could not be written: the folder is shown all the same).
std::string WritePictureHint(const std::string& folder);

} // namespace artikel
