#include "converter/TCellFormat.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace artikel::convert {
namespace {

// Civil date of a day count since 1970-01-01 (proleptic Gregorian calendar).
void CivilFromDays(std::int64_t z, int& y, unsigned& m, unsigned& d)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t yy = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int>(yy + (m <= 2));
}

void AppendTwo(std::string& out, unsigned v)
{
    out += static_cast<char>('0' + (v / 10) % 10);
    out += static_cast<char>('0' + v % 10);
}

void AppendClock(std::string& out, std::int64_t hours, unsigned minutes, unsigned secs, bool seconds)
{
    if (hours >= 100)
        out += std::to_string(hours);
    else
        AppendTwo(out, static_cast<unsigned>(hours));
    out += ':';
    AppendTwo(out, minutes);
    if (seconds) {
        out += ':';
        AppendTwo(out, secs);
    }
}

// Removes the parts of a format code that are shown literally: quoted text, escaped characters,
// "_x" spacing, "*x" fill and bracketed colours/conditions (elapsed "[h]" is kept as "H").
std::string StripLiterals(std::string_view code, bool& elapsed)
{
    std::string out;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (c == '"') {
            while (++i < code.size() && code[i] != '"') {
            }
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i;
        } else if (c == '[') {
            const std::size_t end = code.find(']', i);
            const std::string_view inner =
                code.substr(i + 1, (end == std::string_view::npos ? code.size() : end) - i - 1);
            if (!inner.empty() &&
                (inner[0] == 'h' || inner[0] == 'H' || inner[0] == 'm' || inner[0] == 'M' || inner[0] == 's' ||
                 inner[0] == 'S')) {
                elapsed = true;
                out += static_cast<char>(inner[0] | 0x20);
            }
            if (end == std::string_view::npos)
                break;
            i = end;
        } else {
            out += c;
        }
    }
    return out;
}

// A value as the spreadsheet keeps it: at most 15 significant digits, so binary noise such as
// 78.459999999999994 is gone. value = 0.digits x 10^point.
struct TDecimal {
    std::string digits; // no leading or trailing zeros; empty for zero
    int point = 0;
    bool negative = false;
};

TDecimal Significant(double v)
{
    TDecimal d;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(v));
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            d.digits += *p;
    d.point = (*p == 'e' ? std::atoi(p + 1) : 0) + 1;
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    if (d.digits.empty())
        return TDecimal{};
    d.negative = v < 0;
    return d;
}

// Every digit of the value, never an exponent; at least `minDecimals` digits after the comma and
// `minIntDigits` before it.
std::string Layout(const TDecimal& d, int minDecimals, int minIntDigits)
{
    std::string out;
    if (d.negative)
        out += '-';
    const int len = static_cast<int>(d.digits.size());
    std::string intPart;
    for (int i = 0; i < d.point; ++i)
        intPart += i < len ? d.digits[static_cast<std::size_t>(i)] : '0';
    if (static_cast<int>(intPart.size()) < minIntDigits)
        intPart.insert(0, static_cast<std::size_t>(minIntDigits) - intPart.size(), '0');
    out += intPart;
    std::string frac;
    for (int at = std::min(d.point, 0); at < len; ++at)
        if (at >= d.point)
            frac += at >= 0 ? d.digits[static_cast<std::size_t>(at)] : '0';
    if (static_cast<int>(frac.size()) < minDecimals)
        frac.append(static_cast<std::size_t>(minDecimals) - frac.size(), '0');
    if (!frac.empty())
        out.append(",").append(frac);
    return out;
}

} // namespace

TCellFormat TCellFormat::FromBuiltinId(int id)
{
    TCellFormat f;
    switch (id) {
    case 1:
    case 3:
    case 37:
    case 38: f.kind = Kind::Fixed; break;
    case 2:
    case 4:
    case 39:
    case 40:
        f.kind = Kind::Fixed;
        f.decimals = 2;
        break;
    case 9: f.kind = Kind::Percent; break;
    case 10:
        f.kind = Kind::Percent;
        f.decimals = 2;
        break;
    case 14:
    case 15:
    case 16:
    case 17: f.kind = Kind::Date; break;
    case 18:
    case 20: f.kind = Kind::Time; break;
    case 19:
    case 21:
    case 45:
    case 47:
        f.kind = Kind::Time;
        f.seconds = true;
        break;
    case 46:
        f.kind = Kind::Time;
        f.seconds = true;
        f.elapsedHours = true;
        break;
    case 22: f.kind = Kind::DateTime; break;
    case 49: f.kind = Kind::Text; break;
    default:
        // Locale-specific (East Asian) date formats.
        if ((id >= 27 && id <= 36) || (id >= 50 && id <= 58))
            f.kind = Kind::Date;
        break;
    }
    return f;
}

TCellFormat TCellFormat::FromCode(std::string_view code)
{
    TCellFormat f;
    // Only the first section (positive numbers) decides how the value looks.
    bool inQuote = false;
    std::size_t end = 0;
    for (; end < code.size(); ++end) {
        if (code[end] == '"')
            inQuote = !inQuote;
        else if (code[end] == '\\')
            ++end;
        else if (code[end] == ';' && !inQuote)
            break;
    }
    bool elapsed = false;
    const std::string plain = StripLiterals(code.substr(0, std::min(end, code.size())), elapsed);
    std::string lower;
    for (char c : plain)
        lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c | 0x20 : c);
    if (lower.empty() || lower.find("general") != std::string::npos || lower.find("standard") != std::string::npos)
        return f;
    if (lower.find("e+") != std::string::npos || lower.find("e-") != std::string::npos ||
        lower.find('/') != std::string::npos) {
        if (lower.find_first_of("ydhs") == std::string::npos)
            return f; // scientific, fractions: general form
    }
    const bool hasDate = lower.find_first_of("yde") != std::string::npos ||
        (lower.find('m') != std::string::npos && lower.find_first_of("hs") == std::string::npos &&
         lower.find_first_of("0#?") == std::string::npos);
    const bool hasTime = lower.find_first_of("hs") != std::string::npos;
    if (hasDate || hasTime) {
        f.kind = hasDate ? (hasTime ? Kind::DateTime : Kind::Date) : Kind::Time;
        f.seconds = lower.find('s') != std::string::npos;
        f.elapsedHours = elapsed && !hasDate;
        return f;
    }
    if (lower.find('@') != std::string::npos) {
        f.kind = Kind::Text;
        return f;
    }
    if (lower.find_first_of("0#?") == std::string::npos)
        return f;
    f.kind = lower.find('%') != std::string::npos ? Kind::Percent : Kind::Fixed;
    const std::size_t dot = lower.find('.');
    int intZeros = 0;
    for (std::size_t i = 0; i < std::min(dot, lower.size()); ++i)
        if (lower[i] == '0')
            ++intZeros;
    f.minIntDigits = std::max(1, intZeros);
    if (dot != std::string::npos) {
        for (std::size_t i = dot + 1; i < lower.size(); ++i) {
            if (lower[i] == '0' || lower[i] == '#' || lower[i] == '?')
                ++f.decimals;
            else if (lower[i] != ',')
                break;
        }
    }
    if (f.minIntDigits > 30)
        f.minIntDigits = 30;
    if (f.decimals > 30)
        f.decimals = 30;
    return f;
}

std::string FormatGeneralNumber(double value)
{
    if (!std::isfinite(value))
        return "#ZAHL!";
    return Layout(Significant(value), 0, 1);
}

std::string FormatSerialDate(double serial, bool withTime, bool seconds, bool date1904)
{
    if (!std::isfinite(serial) || serial < 0 || serial >= 2958466)
        return {};
    double whole = std::floor(serial);
    std::int64_t secs = std::llround((serial - whole) * 86400.0);
    if (secs >= 86400) {
        secs -= 86400;
        whole += 1;
    }
    if (!withTime && !seconds)
        secs = 0;
    auto day = static_cast<std::int64_t>(whole);
    std::string out;
    int y;
    unsigned m, d;
    if (date1904) {
        CivilFromDays(day - 24107, y, m, d); // serial 0 is 1904-01-01
    } else if (day == 0) {
        y = 1900;
        m = 1;
        d = 0; // the spreadsheet's "00.01.1900"
    } else if (day == 60) {
        y = 1900;
        m = 2;
        d = 29; // the leap day that 1900 never had, kept for compatibility
    } else {
        // Serial 1 is 1900-01-01; from serial 61 on the phantom leap day shifts by one.
        CivilFromDays(day - (day < 60 ? 25568 : 25569), y, m, d);
    }
    AppendTwo(out, d);
    out += '.';
    AppendTwo(out, m);
    out += '.';
    out += std::to_string(y);
    if (withTime) {
        out += ' ';
        AppendClock(out, secs / 3600, static_cast<unsigned>(secs / 60 % 60), static_cast<unsigned>(secs % 60), seconds);
    }
    return out;
}

std::string FormatCellNumber(double value, const TCellFormat& format, bool date1904)
{
    using Kind = TCellFormat::Kind;
    if (!std::isfinite(value))
        return FormatGeneralNumber(value);
    switch (format.kind) {
    case Kind::Date:
    case Kind::DateTime: {
        std::string s = FormatSerialDate(value, format.kind == Kind::DateTime, format.seconds, date1904);
        return s.empty() ? FormatGeneralNumber(value) : s;
    }
    case Kind::Time: {
        if (value < 0 || value >= 1e7)
            return FormatGeneralNumber(value);
        std::int64_t secs = std::llround(value * 86400.0);
        if (!format.elapsedHours)
            secs %= 86400;
        std::string out;
        AppendClock(out, secs / 3600, static_cast<unsigned>(secs / 60 % 60), static_cast<unsigned>(secs % 60),
                    format.seconds);
        return out;
    }
    case Kind::Fixed: return Layout(Significant(value), format.decimals, format.minIntDigits);
    case Kind::Percent: {
        TDecimal d = Significant(value);
        if (!d.digits.empty())
            d.point += 2; // times 100, exactly in decimal
        return Layout(d, format.decimals, 1) + "%";
    }
    case Kind::General:
    case Kind::Text: break;
    }
    return FormatGeneralNumber(value);
}

std::string IsoDateToGerman(std::string_view iso)
{
    auto digits = [&](std::size_t pos, std::size_t n) {
        if (pos + n > iso.size())
            return false;
        for (std::size_t i = pos; i < pos + n; ++i)
            if (iso[i] < '0' || iso[i] > '9')
                return false;
        return true;
    };
    if (!digits(0, 4) || iso.size() < 10 || iso[4] != '-' || !digits(5, 2) || iso[7] != '-' || !digits(8, 2))
        return std::string(iso);
    std::string out;
    out.append(iso.substr(8, 2)).append(".").append(iso.substr(5, 2)).append(".").append(iso.substr(0, 4));
    if (iso.size() >= 16 && (iso[10] == 'T' || iso[10] == ' ') && digits(11, 2) && iso[13] == ':' && digits(14, 2)) {
        const bool secs = iso.size() >= 19 && iso[16] == ':' && digits(17, 2) && iso.substr(17, 2) != "00";
        if (iso.substr(11, 5) != "00:00" || secs) {
            out.append(" ").append(iso.substr(11, 5));
            if (secs)
                out.append(":").append(iso.substr(17, 2));
        }
    }
    return out;
}

} // namespace artikel::convert
