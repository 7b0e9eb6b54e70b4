#include "platform/TJsonDocument.h"

#include "platform/Win1252.h"

#include <charconv>
#include <cmath>

namespace artikel {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

// Decodes one well-formed UTF-8 sequence at s[i] (no surrogates, no overlong forms).
bool NextUtf8(std::string_view s, size_t& i, char32_t& cp)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        cp = b0;
        ++i;
        return true;
    }
    int len = 0;
    char32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        return false;
    }
    if (i + len > s.size())
        return false;
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80)
            return false;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return false;
    i += len;
    return true;
}

void AppendEscape16(std::string& out, unsigned v)
{
    out += "\\u";
    out += kHex[(v >> 12) & 0xF];
    out += kHex[(v >> 8) & 0xF];
    out += kHex[(v >> 4) & 0xF];
    out += kHex[v & 0xF];
}

void WriteString(std::string& out, std::string_view utf8)
{
    out += '"';
    size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp = 0;
        if (!NextUtf8(utf8, i, cp)) {
            // Not UTF-8: the byte came in as Windows-1252 and is kept as that character.
            cp = Win1252ToUnicode(static_cast<unsigned char>(utf8[i]));
            ++i;
        }
        switch (cp) {
        case '\b': out += "\\b"; continue;
        case '\t': out += "\\t"; continue;
        case '\n': out += "\\n"; continue;
        case '\f': out += "\\f"; continue;
        case '\r': out += "\\r"; continue;
        case '"': out += "\\\""; continue;
        case '/': out += "\\/"; continue;
        case '\\': out += "\\\\"; continue;
        case 0x20AC: out += "\\u20ac"; continue;
        default: break;
        }
        const int b = UnicodeToWin1252(cp);
        if (b >= 0 && b < 0x20) {
            AppendEscape16(out, static_cast<unsigned>(b));
        } else if (b >= 0) {
            out += static_cast<char>(b);
        } else if (cp < 0x10000) {
            AppendEscape16(out, static_cast<unsigned>(cp));
        } else {
            const char32_t v = cp - 0x10000;
            AppendEscape16(out, 0xD800 + static_cast<unsigned>(v >> 10));
            AppendEscape16(out, 0xDC00 + static_cast<unsigned>(v & 0x3FF));
        }
    }
    out += '"';
}

void WriteFloat(std::string& out, double d)
{
    if (!std::isfinite(d)) {
        out += "null";
        return;
    }
    if (d == 0) {
        out += '0'; // also for -0: a reader takes "-0" for the integer 0 anyway
        return;
    }
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, 15);
    out.append(buf, r.ptr);
}

template <typename T>
void WriteInteger(std::string& out, T v)
{
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void WriteScalar(std::string& out, const TJSON& v)
{
    switch (v.type()) {
    case TJSON::value_t::string: WriteString(out, v.get_ref<const std::string&>()); break;
    case TJSON::value_t::boolean: out += v.get<bool>() ? "true" : "false"; break;
    case TJSON::value_t::number_integer: WriteInteger(out, v.get<std::int64_t>()); break;
    case TJSON::value_t::number_unsigned: WriteInteger(out, v.get<std::uint64_t>()); break;
    case TJSON::value_t::number_float: WriteFloat(out, v.get<double>()); break;
    default: out += "null"; break; // null, and the binary and discarded kinds a parse never gives
    }
}

void NewLine(std::string& out, int depth)
{
    out += "\r\n";
    out.append(static_cast<size_t>(depth) * 2, ' ');
}

void WriteValue(std::string& out, const TJSON& v, bool indented, int depth)
{
    if (v.is_object()) {
        if (v.empty()) {
            out += "{}";
            return;
        }
        out += '{';
        bool first = true;
        for (auto it = v.begin(); it != v.end(); ++it) {
            if (!first)
                out += ',';
            first = false;
            if (indented)
                NewLine(out, depth + 1);
            WriteString(out, it.key());
            out += indented ? ": " : ":";
            WriteValue(out, it.value(), indented, depth + 1);
        }
        if (indented)
            NewLine(out, depth);
        out += '}';
    } else if (v.is_array()) {
        if (v.empty()) {
            out += "[]";
            return;
        }
        out += '[';
        bool first = true;
        for (const auto& e : v) {
            if (!first)
                out += ',';
            first = false;
            if (indented)
                NewLine(out, depth + 1);
            WriteValue(out, e, indented, depth + 1);
        }
        if (indented)
            NewLine(out, depth);
        out += ']';
    } else {
        WriteScalar(out, v);
    }
}

// Refuses nesting beyond kMaxJsonDepth before the parser (and later walks) see the text.
void CheckDepth(std::string_view text)
{
    int depth = 0;
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxJsonDepth)
                throw EJsonError("Das JSON-Dokument ist zu tief verschachtelt.");
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
}

bool SameKey(std::string_view utf8Key, std::string_view ansiKey)
{
    if (utf8Key.size() == ansiKey.size() && SameTextNoCase(utf8Key, ansiKey))
        return true; // the usual case: plain ASCII keys
    for (char c : utf8Key)
        if (static_cast<unsigned char>(c) >= 0x80)
            return SameTextNoCase(Utf8ToWin1252(utf8Key), ansiKey);
    return false;
}

} // namespace

std::string WriteJson(const TJSON& value, TJsonLayout layout)
{
    std::string out;
    WriteValue(out, value, layout == TJsonLayout::Indented, 0);
    return out;
}

TJSON ReadJsonUtf8(std::string_view utf8Text)
{
    CheckDepth(utf8Text);
    try {
        return TJSON::parse(utf8Text.begin(), utf8Text.end());
    } catch (const TJSON::parse_error& e) {
        throw EJsonError("Das JSON-Dokument ist fehlerhaft (Zeichen " + std::to_string(e.byte) + ").");
    } catch (const TJSON::exception&) {
        throw EJsonError("Das JSON-Dokument ist fehlerhaft.");
    }
}

TJSON ReadJson(std::string_view ansiText)
{
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (ansiText.substr(0, 3) == kBom && IsValidUtf8(ansiText))
        return ReadJsonUtf8(ansiText.substr(3));
    return ReadJsonUtf8(Win1252ToUtf8(ansiText));
}

const TJSON* JsonFind(const TJSON& obj, std::string_view key)
{
    if (!obj.is_object())
        return nullptr;
    for (auto it = obj.begin(); it != obj.end(); ++it)
        if (SameKey(it.key(), key))
            return &it.value();
    return nullptr;
}

TJSON* JsonFind(TJSON& obj, std::string_view key)
{
    return const_cast<TJSON*>(JsonFind(static_cast<const TJSON&>(obj), key));
}

TJSON& JsonMember(TJSON& obj, std::string_view key)
{
    if (TJSON* found = JsonFind(obj, key))
        return *found;
    if (obj.is_null())
        obj = TJSON::object();
    if (!obj.is_object())
        throw EJsonError("Das JSON-Element ist kein Objekt.");
    return obj[Win1252ToUtf8(key)];
}

std::string JsonValueTextUtf8(const TJSON& value)
{
    if (value.is_string())
        return value.get<std::string>();
    if (value.is_boolean() || value.is_number()) {
        std::string out;
        WriteScalar(out, value);
        return out;
    }
    return {};
}

std::string JsonValueText(const TJSON& value)
{
    if (value.is_string())
        return Utf8ToWin1252(value.get_ref<const std::string&>());
    return JsonValueTextUtf8(value); // ASCII only
}

std::string JsonText(const TJSON& obj, std::string_view key)
{
    const TJSON* v = JsonFind(obj, key);
    return v ? JsonValueText(*v) : std::string();
}

std::string JsonTextUtf8(const TJSON& obj, std::string_view key)
{
    const TJSON* v = JsonFind(obj, key);
    return v ? JsonValueTextUtf8(*v) : std::string();
}

void SetJsonText(TJSON& obj, std::string_view key, std::string_view ansiValue)
{
    JsonMember(obj, key) = Win1252ToUtf8(ansiValue);
}

void SetJsonTextUtf8(TJSON& obj, std::string_view key, std::string_view utf8Value)
{
    JsonMember(obj, key) = std::string(utf8Value);
}

TJSON JsonString(std::string_view ansiValue) { return TJSON(Win1252ToUtf8(ansiValue)); }

} // namespace artikel
