#pragma once

// The program's small HTML-like markup: tags such as <b>, <font color="clred">, <br>, <a href="..">,
// <img src="idx:0">, entities such as &amp; and menu-style "&" accelerators. This is the
// toolkit-free half: pre-processing, tokenising, attribute and colour parsing, and StripMarkup.
// Drawing and measuring live in platform/ui/MarkupRenderer.h.
//
// Every text is parsed afresh on every paint, so the parser keeps its buffers between calls: keep
// one TMarkupParser per thread (the renderer does) and no per-character allocation happens.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace artikel {

// The plain text of a markup text: the entities and tags the program writes are removed or
// replaced, every remaining complete tag is cut out, surrounding blanks are trimmed.
std::string StripMarkup(std::string_view text);
// The same into `out` (its buffer is reused; `out` must not alias `text`).
void StripMarkup(std::string_view text, std::string& out);

// Plain text (a file name, a user's filter) made safe to embed in markup: "&", "<" and ">" become
// entities, so the text is shown as it is (no accelerator, no tag).
std::string EscapeMarkup(std::string_view plain);

enum class MarkupTag : std::uint8_t {
    Unknown,
    B,
    I,
    U,
    S,
    A,
    Font,
    Br,
    P,
    Hr,
    Hi,
    Ind,
    Ofs,
    Img,
    Ul,
    Li,
    Sub,
    Sup,
    Shad,
    Z,
    E,
    R,
    Body,
    Blink
};

// Colours that stand for a role of the current system palette ("clwindow", "clhighlight", ...).
enum class MarkupSysColor : std::uint8_t {
    Background,
    ActiveCaption,
    InactiveCaption,
    Menu,
    Window,
    WindowFrame,
    MenuText,
    WindowText,
    CaptionText,
    ActiveBorder,
    InactiveBorder,
    AppWorkspace,
    Highlight,
    HighlightText,
    BtnFace,
    BtnShadow,
    GrayText,
    BtnText,
    InactiveCaptionText,
    BtnHighlight,
    DkShadow3D,
    Light3D,
    InfoText,
    InfoBk
};

struct MarkupColor {
    bool system = false; // true: `role` names the colour, r/g/b are unused
    MarkupSysColor role = MarkupSysColor::WindowText;
    std::uint8_t r = 0, g = 0, b = 0;

    friend bool operator==(const MarkupColor&, const MarkupColor&) = default;
    static MarkupColor Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b)
    {
        return {false, MarkupSysColor::WindowText, r, g, b};
    }
};

// A colour name ("clred", compared ignoring case), a system colour name, or "#RRGGBB".
// Anything else is black.
MarkupColor ParseMarkupColor(std::string_view value);

// A decimal integer with optional blanks and sign; anything non-numeric counts as 0.
int ParseMarkupInt(std::string_view value);

// Finds `keyword` (upper case, e.g. "HREF", " COLOR") in the tag text ignoring case and gives the
// text between the next two double quotes after it. False when the keyword or the quotes are missing.
bool FindMarkupAttribute(std::string_view tagText, std::string_view keyword, std::string_view& value);
// True when the tag text contains `keyword` (upper case) ignoring case: flags such as WRAP.
bool HasMarkupKeyword(std::string_view tagText, std::string_view keyword);

struct MarkupItem {
    enum class Kind : std::uint8_t { Text, Tag };
    Kind kind = Kind::Text;
    MarkupTag tag = MarkupTag::Unknown; // Tag items only
    bool closing = false; // Tag items: "</...>"
    bool colorReset = false; // a closing "/B..." other than "/B": default text colour again
    bool accelerator = false; // Text items: a single character underlined as accelerator
    std::uint32_t start = 0; // Text: into Display(); Tag: into Text() (inside "<" ">")
    std::uint32_t length = 0;
};

class TMarkupParser {
public:
    struct Options {
        // Menu-style accelerators: "&x" underlines x, "&&" shows "&". Off when the text contains
        // " & " (an ampersand between blanks), whatever this says.
        bool accelerators = true;
    };

    void Parse(std::string_view markup) { Parse(markup, Options{}); }
    void Parse(std::string_view markup, const Options& options);

    // The pre-processed text (entities replaced, CR as <BR>, LF removed).
    const std::string& Text() const { return text_; }
    // The shown bytes of all text runs; Text items point into it.
    const std::string& Display() const { return display_; }
    const std::vector<MarkupItem>& Items() const { return items_; }

    std::string_view RunText(const MarkupItem& item) const
    {
        return std::string_view(display_).substr(item.start, item.length);
    }
    std::string_view TagText(const MarkupItem& item) const
    {
        return std::string_view(text_).substr(item.start, item.length);
    }

    // Pre-processing alone (exposed for tests and for callers that only need the text form).
    static void Preprocess(std::string_view markup, bool accelerators, std::string& out, std::string& scratch);

private:
    void AddRun(std::string_view run, bool accelerators);
    void AddTag(std::uint32_t start, std::uint32_t length);

    std::string text_;
    std::string scratch_;
    std::string display_;
    std::vector<MarkupItem> items_;
};

} // namespace artikel
