#pragma once

// The texts the grid draws for a cell: link detection and the shown form of a link, and the
// search-token highlighting. All texts are Windows-1252 bytes. The highlighter keeps its buffers
// between calls, so the grid highlights every visible cell on every paint without allocating.

#include <string>
#include <string_view>
#include <vector>

namespace artikel {

// True when `text` starts with "https", "http", "file:" or "picture:" (exact case).
bool IsLinkText(std::string_view text);
// Blanks trimmed, then every "http://", "https://", "file://" and "picture://" removed, ignoring
// case, in that order.
std::string StripLinkPrefixes(std::string_view text);

class TTokenHighlighter {
public:
    // Marks the tokens in the cell's plain text (markup stripped): the first occurrence of a
    // token, found ignoring case, gives its spelling to every occurrence, and all of them are
    // bold. Later tokens never match across the edge of an earlier mark. Returns false when no
    // token was found ("*" in a token is ignored, "?" matches any character); otherwise Markup() holds the text as mini markup (plain parts escaped).
    bool Highlight(std::string_view cell, const std::vector<std::string>& tokens);
    const std::string& Markup() const { return markup_; }

private:
    bool CanMatchAt(size_t pos, size_t len) const;
    // The next place at or after `from` where tokenUpper_ matches (with wildcards, "?" matches
    // any character).
    size_t Find(size_t from, bool wildcards) const;

    std::string plain_;
    std::string upper_;
    std::string tokenUpper_;
    std::string part_;
    std::vector<char> bold_; // per character of plain_
    std::vector<char> edge_; // per position 0..size: an earlier mark starts or ends here
    std::string markup_;
};

} // namespace artikel
