#include "platform/MiniMarkup.h"

#include "platform/Win1252.h"

#include <array>
#include <climits>

namespace artikel {
namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Position of `pattern` (ASCII) in `s` from `from`, ignoring ASCII case; npos when absent.
size_t FindNoCase(std::string_view s, std::string_view pattern, size_t from = 0)
{
    if (pattern.empty() || s.size() < pattern.size())
        return std::string_view::npos;
    const char first = AsciiUpper(pattern[0]);
    for (size_t i = from; i + pattern.size() <= s.size(); ++i) {
        if (AsciiUpper(s[i]) != first)
            continue;
        size_t k = 1;
        while (k < pattern.size() && AsciiUpper(s[i + k]) == AsciiUpper(pattern[k]))
            ++k;
        if (k == pattern.size())
            return i;
    }
    return std::string_view::npos;
}

// Replaces every occurrence of `pattern` ignoring case; `s` and `scratch` swap when anything changed.
void ReplaceAllNoCase(std::string& s, std::string_view pattern, std::string_view replacement, std::string& scratch)
{
    size_t hit = FindNoCase(s, pattern);
    if (hit == std::string::npos)
        return;
    scratch.clear();
    size_t pos = 0;
    while (hit != std::string::npos) {
        scratch.append(s, pos, hit - pos);
        scratch.append(replacement);
        pos = hit + pattern.size();
        hit = FindNoCase(s, pattern, pos);
    }
    scratch.append(s, pos, std::string::npos);
    s.swap(scratch);
}

struct Entity {
    std::string_view name;
    std::string_view text;
};

// The entities replaced before layout; &amp; is handled apart (it depends on the accelerator mode).
constexpr std::array<Entity, 8> kEntities{{
    {"&quot;", "\""},
    {"&sect;", "\xA7"},
    {"&permil;", "\x89"},
    {"&reg;", "\xAE"},
    {"&copy;", "\xA9"},
    {"&para;", "\xB6"},
    {"&trade;", "\x99"},
    {"&euro;", "\x80"},
}};

bool EndsWith(const std::string& s, std::string_view suffix)
{
    return s.size() >= suffix.size() && std::string_view(s).substr(s.size() - suffix.size()) == suffix;
}

struct NamedColor {
    std::string_view name;
    MarkupColor color;
};

MarkupColor Sys(MarkupSysColor role) { return {true, role, 0, 0, 0}; }

const std::array<NamedColor, 40>& ColorTable()
{
    static const std::array<NamedColor, 40> table{{
        {"clblack", MarkupColor::Rgb(0, 0, 0)},
        {"clwhite", MarkupColor::Rgb(255, 255, 255)},
        {"clmaroon", MarkupColor::Rgb(128, 0, 0)},
        {"clred", MarkupColor::Rgb(255, 0, 0)},
        {"clgreen", MarkupColor::Rgb(0, 128, 0)},
        {"cllime", MarkupColor::Rgb(0, 255, 0)},
        {"clolive", MarkupColor::Rgb(128, 128, 0)},
        {"clyellow", MarkupColor::Rgb(255, 255, 0)},
        {"clnavy", MarkupColor::Rgb(0, 0, 128)},
        {"clblue", MarkupColor::Rgb(0, 0, 255)},
        {"clpurple", MarkupColor::Rgb(128, 0, 128)},
        {"clfuchsia", MarkupColor::Rgb(255, 0, 255)},
        {"clteal", MarkupColor::Rgb(0, 128, 128)},
        {"claqua", MarkupColor::Rgb(0, 255, 255)},
        {"clgray", MarkupColor::Rgb(128, 128, 128)},
        {"clsilver", MarkupColor::Rgb(192, 192, 192)},
        {"clbackground", Sys(MarkupSysColor::Background)},
        {"clactivecaption", Sys(MarkupSysColor::ActiveCaption)},
        {"clinactivecaption", Sys(MarkupSysColor::InactiveCaption)},
        {"clmenu", Sys(MarkupSysColor::Menu)},
        {"clwindow", Sys(MarkupSysColor::Window)},
        {"clwindowframe", Sys(MarkupSysColor::WindowFrame)},
        {"clmenutext", Sys(MarkupSysColor::MenuText)},
        {"clwindowtext", Sys(MarkupSysColor::WindowText)},
        {"clcaptiontext", Sys(MarkupSysColor::CaptionText)},
        {"clactiveborder", Sys(MarkupSysColor::ActiveBorder)},
        {"clinactiveborder", Sys(MarkupSysColor::InactiveBorder)},
        {"clappworkspace", Sys(MarkupSysColor::AppWorkspace)},
        {"clhighlight", Sys(MarkupSysColor::Highlight)},
        {"clhighlighttext", Sys(MarkupSysColor::HighlightText)},
        {"clbtnface", Sys(MarkupSysColor::BtnFace)},
        {"clbtnshadow", Sys(MarkupSysColor::BtnShadow)},
        {"clgraytext", Sys(MarkupSysColor::GrayText)},
        {"clbtntext", Sys(MarkupSysColor::BtnText)},
        {"clinactivecaptiontext", Sys(MarkupSysColor::InactiveCaptionText)},
        {"clbtnhighlight", Sys(MarkupSysColor::BtnHighlight)},
        {"cl3ddkshadow", Sys(MarkupSysColor::DkShadow3D)},
        {"cl3dlight", Sys(MarkupSysColor::Light3D)},
        {"clinfotext", Sys(MarkupSysColor::InfoText)},
        {"clinfobk", Sys(MarkupSysColor::InfoBk)},
    }};
    return table;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = AsciiUpper(c);
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Tags recognised by their leading letters; longer names first so that BR is not taken for B.
struct TagName {
    std::string_view name;
    MarkupTag tag;
};
constexpr std::array<TagName, 14> kLongTags{{
    {"BLINK", MarkupTag::Blink},
    {"BODY", MarkupTag::Body},
    {"FONT", MarkupTag::Font},
    {"SHAD", MarkupTag::Shad},
    {"IMG", MarkupTag::Img},
    {"IND", MarkupTag::Ind},
    {"OFS", MarkupTag::Ofs},
    {"SUB", MarkupTag::Sub},
    {"SUP", MarkupTag::Sup},
    {"BR", MarkupTag::Br},
    {"HR", MarkupTag::Hr},
    {"HI", MarkupTag::Hi},
    {"UL", MarkupTag::Ul},
    {"LI", MarkupTag::Li},
}};

MarkupTag TagOfName(std::string_view name)
{
    for (const TagName& t : kLongTags) {
        if (name.size() >= t.name.size() && FindNoCase(name.substr(0, t.name.size()), t.name) == 0)
            return t.tag;
    }
    if (name.size() != 1)
        return MarkupTag::Unknown;
    switch (AsciiUpper(name[0])) {
    case 'B': return MarkupTag::B;
    case 'I': return MarkupTag::I;
    case 'U': return MarkupTag::U;
    case 'S': return MarkupTag::S;
    case 'A': return MarkupTag::A;
    case 'P': return MarkupTag::P;
    case 'E': return MarkupTag::E;
    case 'R': return MarkupTag::R;
    case 'Z': return MarkupTag::Z;
    default: return MarkupTag::Unknown;
    }
}

} // namespace

void StripMarkup(std::string_view text, std::string& out)
{
    out.assign(text);
    // Fast path of plain cell text: nothing to replace, nothing to cut.
    if (text.find_first_of("<&\r") != std::string_view::npos) {
        thread_local std::string scratch;
        ReplaceAllNoCase(out, "\r\n\r\n", "\r\n", scratch);
        for (std::string_view gone : {"<br>", "<b>", "</b>", "&quot;"})
            ReplaceAllNoCase(out, gone, "", scratch);
        ReplaceAllNoCase(out, "&amp;", "&", scratch);
        ReplaceAllNoCase(out, "&lt;", "", scratch);
        for (std::string_view blank : {"&nbsp;", "&gt;", "<head>", "&igrave;", "&oacute;"})
            ReplaceAllNoCase(out, blank, " ", scratch);
        ReplaceAllNoCase(out, "&#39;", "'", scratch);
        for (std::string_view blank : {"&Iacute;", "&Ntilde;"})
            ReplaceAllNoCase(out, blank, " ", scratch);

        // Cut out every complete tag. Searching on from where the last tag was cut (not from a
        // position that advances each round) also removes tags that directly follow each other.
        size_t write = 0, read = 0;
        while (read < out.size()) {
            const size_t lt = out.find('<', read);
            const size_t gt = lt == std::string::npos ? lt : out.find('>', lt + 1);
            if (gt == std::string::npos)
                break;
            if (write != read)
                std::copy(out.begin() + static_cast<std::ptrdiff_t>(read),
                          out.begin() + static_cast<std::ptrdiff_t>(lt),
                          out.begin() + static_cast<std::ptrdiff_t>(write));
            write += lt - read;
            read = gt + 1;
        }
        if (write != read) {
            std::copy(out.begin() + static_cast<std::ptrdiff_t>(read), out.end(),
                      out.begin() + static_cast<std::ptrdiff_t>(write));
            out.resize(write + (out.size() - read));
        }
    }
    size_t b = 0, e = out.size();
    while (b < e && IsBlank(out[b]))
        ++b;
    while (e > b && IsBlank(out[e - 1]))
        --e;
    if (b > 0 || e < out.size())
        out = out.substr(b, e - b);
}

std::string StripMarkup(std::string_view text)
{
    std::string out;
    StripMarkup(text, out);
    return out;
}

std::string EscapeMarkup(std::string_view plain)
{
    std::string out;
    out.reserve(plain.size());
    static constexpr std::string_view kNames[] = {"amp;",  "quot;",  "sect;", "permil;", "reg;", "copy;",
                                                  "para;", "trade;", "euro;", "nbsp;",   "lt;",  "gt;"};
    for (size_t i = 0; i < plain.size(); ++i) {
        const char c = plain[i];
        switch (c) {
        case '&':
            out += "&amp;";
            // Entities are replaced until none is left, so "&amp;" directly before an entity's
            // name would form that entity again: an empty hidden span keeps them apart.
            for (std::string_view name : kNames)
                if (plain.substr(i + 1).starts_with(name)) {
                    out += "<z></z>";
                    break;
                }
            break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += c;
        }
    }
    return out;
}

MarkupColor ParseMarkupColor(std::string_view value)
{
    while (!value.empty() && IsBlank(value.front()))
        value.remove_prefix(1);
    while (!value.empty() && IsBlank(value.back()))
        value.remove_suffix(1);
    if (value.size() == 7 && value[0] == '#') {
        int d[6];
        bool ok = true;
        for (int i = 0; i < 6; ++i)
            ok = ok && (d[i] = HexDigit(value[static_cast<size_t>(i) + 1])) >= 0;
        if (ok)
            return MarkupColor::Rgb(static_cast<std::uint8_t>(d[0] * 16 + d[1]),
                                    static_cast<std::uint8_t>(d[2] * 16 + d[3]),
                                    static_cast<std::uint8_t>(d[4] * 16 + d[5]));
        return MarkupColor::Rgb(0, 0, 0);
    }
    for (const NamedColor& c : ColorTable()) {
        if (c.name.size() == value.size() && FindNoCase(value, c.name) == 0)
            return c.color;
    }
    return MarkupColor::Rgb(0, 0, 0);
}

int ParseMarkupInt(std::string_view value)
{
    while (!value.empty() && IsBlank(value.front()))
        value.remove_prefix(1);
    while (!value.empty() && IsBlank(value.back()))
        value.remove_suffix(1);
    bool negative = false;
    if (!value.empty() && (value[0] == '-' || value[0] == '+')) {
        negative = value[0] == '-';
        value.remove_prefix(1);
    }
    if (value.empty())
        return 0;
    long long n = 0;
    for (char c : value) {
        if (c < '0' || c > '9')
            return 0;
        n = n * 10 + (c - '0');
        if (n > INT_MAX)
            return 0; // out of range is as unusable as non-numeric
    }
    return static_cast<int>(negative ? -n : n);
}

bool FindMarkupAttribute(std::string_view tagText, std::string_view keyword, std::string_view& value)
{
    const size_t at = FindNoCase(tagText, keyword);
    if (at == std::string_view::npos)
        return false;
    const size_t q1 = tagText.find('"', at + keyword.size());
    if (q1 == std::string_view::npos)
        return false;
    const size_t q2 = tagText.find('"', q1 + 1);
    if (q2 == std::string_view::npos)
        return false;
    value = tagText.substr(q1 + 1, q2 - q1 - 1);
    return true;
}

bool HasMarkupKeyword(std::string_view tagText, std::string_view keyword)
{
    return FindNoCase(tagText, keyword) != std::string_view::npos;
}

void TMarkupParser::Preprocess(std::string_view markup, bool accelerators, std::string& out, std::string& scratch)
{
    out.clear();
    out.reserve(markup.size() + 16);
    // Entities, replaced until none is left. Every entity ends in ";" and none holds another
    // "&" or ";", so checking the output's end at each ";" reaches the same result as repeated
    // passes, in one pass.
    if (markup.find('&') == std::string_view::npos) {
        out.assign(markup);
    } else {
        const std::string_view amp = accelerators ? "&&" : "&";
        for (const char c : markup) {
            out += c;
            if (c != ';')
                continue;
            if (EndsWith(out, "&amp;")) {
                out.resize(out.size() - 5);
                out += amp;
                continue;
            }
            for (const Entity& e : kEntities) {
                if (EndsWith(out, e.name)) {
                    out.resize(out.size() - e.name.size());
                    out += e.text;
                    break;
                }
            }
        }
    }
    // The first "<#" loses its "<" and the next ">" after it.
    size_t dropLt = std::string::npos, dropGt = std::string::npos;
    if (const size_t p = out.find("<#"); p != std::string::npos) {
        dropLt = p;
        dropGt = out.find('>', p + 2);
    }
    if (dropLt == std::string::npos && out.find_first_of("\r\n") == std::string::npos)
        return;
    scratch.clear();
    scratch.reserve(out.size() + 16);
    for (size_t i = 0; i < out.size(); ++i) {
        const char c = out[i];
        if (i == dropLt || i == dropGt || c == '\n')
            continue;
        if (c == '\r')
            scratch += "<BR>";
        else
            scratch += c;
    }
    out.swap(scratch);
}

void TMarkupParser::Parse(std::string_view markup, const Options& options)
{
    const bool accelerators = options.accelerators && markup.find(" & ") == std::string_view::npos;
    Preprocess(markup, accelerators, text_, scratch_);
    display_.clear();
    items_.clear();
    const std::string_view text(text_);
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t lt = text.find('<', pos);
        if (lt == std::string_view::npos) {
            AddRun(text.substr(pos), accelerators);
            break;
        }
        if (lt > pos)
            AddRun(text.substr(pos, lt - pos), accelerators);
        const size_t gt = text.find('>', lt + 1);
        if (gt == std::string_view::npos)
            break; // a "<" without ">" drops the rest
        AddTag(static_cast<std::uint32_t>(lt + 1), static_cast<std::uint32_t>(gt - lt - 1));
        pos = gt + 1;
    }
}

void TMarkupParser::AddRun(std::string_view run, bool accelerators)
{
    auto startItem = [this] {
        MarkupItem item;
        item.kind = MarkupItem::Kind::Text;
        item.start = static_cast<std::uint32_t>(display_.size());
        return item;
    };
    MarkupItem current = startItem();
    auto flush = [&] {
        current.length = static_cast<std::uint32_t>(display_.size() - current.start);
        if (current.length > 0)
            items_.push_back(current);
    };
    for (size_t i = 0; i < run.size(); ++i) {
        const char c = run[i];
        if (c != '&') {
            display_ += c;
            continue;
        }
        const std::string_view rest = run.substr(i);
        if (rest.starts_with("&nbsp;")) {
            display_ += '\xA0'; // shown as a blank, never a place to break the line
            i += 5;
        } else if (rest.starts_with("&lt;")) {
            display_ += '<';
            i += 3;
        } else if (rest.starts_with("&gt;")) {
            display_ += '>';
            i += 3;
        } else if (accelerators && i + 1 < run.size()) {
            if (run[i + 1] == '&') {
                display_ += '&';
            } else {
                flush();
                MarkupItem accel = startItem();
                accel.accelerator = true;
                accel.length = 1;
                display_ += run[i + 1];
                items_.push_back(accel);
                current = startItem();
            }
            ++i;
        } else {
            display_ += c;
        }
    }
    flush();
}

void TMarkupParser::AddTag(std::uint32_t start, std::uint32_t length)
{
    MarkupItem item;
    item.kind = MarkupItem::Kind::Tag;
    item.start = start;
    item.length = length;
    std::string_view t = std::string_view(text_).substr(start, length);
    while (!t.empty() && IsBlank(t.front()))
        t.remove_prefix(1);
    if (!t.empty() && t.front() == '/') {
        item.closing = true;
        t.remove_prefix(1);
    }
    size_t n = 0;
    while (n < t.size() && IsLetter(t[n]))
        ++n;
    const std::string_view name = t.substr(0, n);
    if (item.closing && !name.empty() && AsciiUpper(name[0]) == 'B') {
        std::string_view trimmed = t;
        while (!trimmed.empty() && IsBlank(trimmed.back()))
            trimmed.remove_suffix(1);
        if (trimmed.size() == 1) {
            item.tag = MarkupTag::B;
        } else {
            item.tag = MarkupTag::Unknown;
            item.colorReset = true; // "/B..." other than "/B": back to the default text colour
        }
    } else {
        item.tag = TagOfName(name);
    }
    items_.push_back(item);
}

} // namespace artikel
