// Markup parser and StripMarkup on arbitrary bytes: no crash, no hang, results within bounds.
#include "platform/MiniMarkup.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    std::string plain;
    artikel::StripMarkup(text, plain);
    // Stripping only removes or shortens (the longest replacement is one blank for "&gt;").
    if (plain.size() > text.size())
        std::abort();

    static artikel::TMarkupParser parser;
    for (const bool accelerators : {true, false}) {
        parser.Parse(text, artikel::TMarkupParser::Options{accelerators});
        // CR grows to "<BR>": at most four bytes per input byte.
        if (parser.Text().size() > 4 * text.size() || parser.Display().size() > parser.Text().size())
            std::abort();
        for (const artikel::MarkupItem& item : parser.Items()) {
            const std::string& base = item.kind == artikel::MarkupItem::Kind::Text ? parser.Display() : parser.Text();
            if (item.start + static_cast<std::size_t>(item.length) > base.size())
                std::abort();
            if (item.kind == artikel::MarkupItem::Kind::Tag) {
                const std::string_view tag = parser.TagText(item);
                std::string_view value;
                for (const char* keyword : {"HREF", " COLOR", "BGCOLOR", "SIZE", "SRC", "X"})
                    if (artikel::FindMarkupAttribute(tag, keyword, value)) {
                        (void)artikel::ParseMarkupColor(value);
                        (void)artikel::ParseMarkupInt(value);
                    }
            }
        }
    }
    // Escaped plain text (without line breaks, which become <BR>) is shown exactly as it is.
    if (text.find_first_of("\r\n") == std::string_view::npos) {
        parser.Parse(artikel::EscapeMarkup(text));
        if (parser.Display() != text)
            std::abort();
    }
    return 0;
}
