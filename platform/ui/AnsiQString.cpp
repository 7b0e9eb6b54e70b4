#include "platform/ui/AnsiQString.h"

#include "platform/Win1252.h"

namespace artikel {

QString FromAnsi(std::string_view ansi)
{
    QString out(static_cast<qsizetype>(ansi.size()), Qt::Uninitialized);
    QChar* dst = out.data();
    for (const char c : ansi) {
        const auto b = static_cast<unsigned char>(c);
        // ASCII is by far the common case; the table only for the upper half.
        *dst++ = QChar(b < 0x80 ? char16_t(b) : char16_t(Win1252ToUnicode(b)));
    }
    return out;
}

std::string ToAnsi(QStringView text, char replacement)
{
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u < 0x80) {
            out += static_cast<char>(u);
            continue;
        }
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i; // a character outside the BMP: never in the code page
            out += replacement;
            continue;
        }
        const int b = UnicodeToWin1252(u);
        out += b < 0 ? replacement : static_cast<char>(b);
    }
    return out;
}

} // namespace artikel
