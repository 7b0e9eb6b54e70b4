#include "mainwindow/ui/StatusLine.h"

#include "platform/MiniMarkup.h"
#include "platform/ui/AnsiQString.h"

#include <QLocale>

namespace artikel {

std::string FormatCount(long long value, std::string_view groupSeparator)
{
    const bool negative = value < 0;
    // Through unsigned, so the most negative value has a magnitude too.
    unsigned long long magnitude =
        negative ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    const std::string digits = std::to_string(magnitude);
    std::string out;
    if (negative)
        out += '-';
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += groupSeparator;
        out += digits[i];
    }
    return out;
}

std::string StatusCountsText(long long total, long long filtered, std::string_view filterText,
                             std::string_view groupSeparator)
{
    std::string text = "<b>";
    text += FormatCount(total, groupSeparator);
    text += " </b>Datens\xE4tze | Gefiltert: <b>";
    text += FormatCount(filtered, groupSeparator);
    if (!filterText.empty()) {
        text += " </b>| [";
        // The user's own text: shown as typed, never read as markup.
        text += EscapeMarkup(filterText);
        text += "]";
    }
    return text;
}

std::string LocaleGroupSeparator() { return ToAnsi(QLocale::system().groupSeparator(), ' '); }

} // namespace artikel
