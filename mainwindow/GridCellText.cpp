#include "mainwindow/GridCellText.h"

#include "platform/MiniMarkup.h"
#include "platform/Win1252.h"

#include <algorithm>

namespace artikel {

namespace {

void RemoveAllNoCase(std::string& text, std::string_view what)
{
    size_t out = 0;
    for (size_t i = 0; i < text.size();) {
        if (StartsWithNoCase(std::string_view(text).substr(i), what)) {
            i += what.size();
            continue;
        }
        text[out++] = text[i++];
    }
    text.resize(out);
}

void AppendEscaped(std::string& out, std::string_view plain)
{
    if (plain.find_first_of("&<>") == std::string_view::npos)
        out.append(plain);
    else
        out += EscapeMarkup(plain);
}

} // namespace

bool IsLinkText(std::string_view text)
{
    return text.starts_with("https") || text.starts_with("http") || text.starts_with("file:") ||
        text.starts_with("picture:");
}

std::string StripLinkPrefixes(std::string_view text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const size_t last = text.find_last_not_of(' ');
    std::string out(text.substr(first, last - first + 1));
    for (std::string_view prefix : {"http://", "https://", "file://", "picture://"})
        RemoveAllNoCase(out, prefix);
    return out;
}

size_t TTokenHighlighter::Find(size_t from, bool wildcards) const
{
    const size_t len = tokenUpper_.size();
    if (!wildcards || tokenUpper_.find('?') == std::string::npos)
        return upper_.find(tokenUpper_, from);
    for (size_t p = from; p + len <= upper_.size(); ++p) {
        size_t i = 0;
        while (i < len && (tokenUpper_[i] == '?' || tokenUpper_[i] == upper_[p + i]))
            ++i;
        if (i == len)
            return p;
    }
    return std::string::npos;
}

bool TTokenHighlighter::CanMatchAt(size_t pos, size_t len) const
{
    for (size_t k = pos + 1; k < pos + len; ++k)
        if (edge_[k])
            return false;
    return true;
}

bool TTokenHighlighter::Highlight(std::string_view cell, const std::vector<std::string>& tokens)
{
    markup_.clear();
    if (tokens.empty())
        return false;
    StripMarkup(cell, plain_);
    const size_t n = plain_.size();
    upper_.resize(n);
    for (size_t i = 0; i < n; ++i)
        upper_[i] = static_cast<char>(AnsiUpperChar(static_cast<unsigned char>(plain_[i])));
    bold_.assign(n, 0);
    edge_.assign(n + 1, 0);
    bool found = false;
    for (const std::string& token : tokens) {
        // The filter ignores "*" and reads "?" as any one character: so does the highlighting.
        tokenUpper_.clear();
        for (char c : token)
            if (c != '*')
                tokenUpper_ += static_cast<char>(AnsiUpperChar(static_cast<unsigned char>(c)));
        const size_t len = tokenUpper_.size();
        if (len == 0 || len > n)
            continue;
        size_t first = std::string::npos;
        for (size_t p = Find(0, true); p != std::string::npos; p = Find(p + 1, true))
            if (CanMatchAt(p, len)) {
                first = p;
                break;
            }
        if (first == std::string::npos)
            continue;
        found = true;
        part_.assign(plain_, first, len);
        // The other occurrences are those of the part found, not of the pattern.
        tokenUpper_.assign(upper_, first, len);
        // Every occurrence takes the first one's spelling; marked occurrences do not overlap.
        for (size_t p = first; p != std::string::npos && p + len <= n;) {
            if (!CanMatchAt(p, len)) {
                p = Find(p + 1, false);
                continue;
            }
            std::copy(part_.begin(), part_.end(), plain_.begin() + static_cast<std::ptrdiff_t>(p));
            std::fill(bold_.begin() + static_cast<std::ptrdiff_t>(p),
                      bold_.begin() + static_cast<std::ptrdiff_t>(p + len), 1);
            edge_[p] = edge_[p + len] = 1;
            p = Find(p + len, false);
        }
    }
    if (!found)
        return false;
    for (size_t i = 0; i < n;) {
        size_t j = i;
        while (j < n && bold_[j] == bold_[i])
            ++j;
        if (bold_[i])
            markup_ += "<b>";
        AppendEscaped(markup_, std::string_view(plain_).substr(i, j - i));
        if (bold_[i])
            markup_ += "</b>";
        i = j;
    }
    return true;
}

} // namespace artikel
