#pragma once

// The private block of the program's drag and drop ("CF_LXDragDropData"): a fixed-size record
// that a drag source fills and its drop target reads back, and the helpers that store dropped
// file contents (virtual files) under safe names. Texts are Windows-1252 bytes.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace artikel {

inline constexpr const char* kDragDropFormatName = "CF_LXDragDropData";
// The clipboard format as MIME type (the registered format of that name on Windows).
inline constexpr const char* kDragDropMimeType = "application/x-qt-windows-mime;value=\"CF_LXDragDropData\"";

// Layout of the block: offsets and sizes of its fields; the rest is zero.
inline constexpr std::size_t kDragDropBlockSize = 64177;
inline constexpr std::size_t kDragOriginOffset = 0, kDragOriginSize = 21;
inline constexpr std::size_t kDragBodyOffset = 21, kDragBodySize = 64001;
inline constexpr std::size_t kDragSenderOffset = 64022, kDragSenderSize = 51;
inline constexpr std::size_t kDragExtraOffset = 64073, kDragExtraSize = 32;

struct TDragDropBlock {
    // The list the drag started in (read back without surrounding blanks).
    std::string origin;
    // For a list drag the index of the dragged entry as decimal text.
    std::string body;
    std::string sender;
    std::string extra;
};

// The 64177 bytes: each text cut to its field, zero-filled, without a terminator when it fills
// its field.
std::string EncodeDragDropBlock(const TDragDropBlock& block);
// Each field up to its first zero byte; a block shorter than the layout reads its missing
// fields as empty.
TDragDropBlock DecodeDragDropBlock(std::string_view bytes);

// A dropped file's name made safe to store: control characters (1-31) and \ ? | > < : / * "
// removed, blanks around it trimmed. Empty when nothing is left.
std::string CleanVirtualFileName(std::string_view name);

// The target of an Internet shortcut (".url" file text holding "[InternetShortcut]", ignoring
// case): the value of its "URL=" line; empty when the text is no such shortcut.
std::string InternetShortcutUrl(std::string_view text);

struct TVirtualFile {
    std::string name; // as the source names it
    std::string contents;
};

// Writes each dropped file content into `folder` (created when missing) under its cleaned name
// (a random number when nothing is left of it), in chunks of at most 32768 bytes. Returns one
// entry per file: its full path, or the address of an Internet shortcut. `written` gets the paths
// of the files created (the caller deletes them when done). Raises on a write error.
std::vector<std::string> StoreVirtualFiles(const std::string& folder, const std::vector<TVirtualFile>& files,
                                           std::vector<std::string>& written);

} // namespace artikel
