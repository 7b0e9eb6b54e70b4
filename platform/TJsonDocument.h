#pragma once

// JSON documents of the program: the node files of the catalog and the documents exchanged with
// the office application.
//
// A document is an nlohmann::ordered_json (members keep the order in which they were added).
// Strings inside a document are held as UTF-8, so a character that Windows-1252 cannot hold
// (a path of a foreign file system, say) survives a read and a write. The program's text is
// Windows-1252: the accessors below take and give Windows-1252 and convert at this edge; the
// *Utf8 variants give the lossless value.
//
// On disk and on the wire a document is Windows-1252 text (one byte per character): WriteJson
// escapes control characters, writes the euro sign as "\u20ac" and every character the code page
// cannot hold as a "\u" escape; ReadJson turns the escapes back into characters.

#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <string_view>

namespace artikel {

using TJSON = nlohmann::ordered_json;

// Raised when a text cannot be parsed as a JSON document; carries a German message.
class EJsonError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TJsonLayout {
    Compact, // no blanks and no line breaks
    Indented, // one member per line, two blanks per level, CR LF line ends
};

// Nesting deeper than this is refused by the reader (it bounds every recursive walk).
inline constexpr int kMaxJsonDepth = 256;

// The document as Windows-1252 text (see the conventions above). Numbers use "." and the
// shortest form of up to 15 significant digits; a number that is not finite is written as null.
std::string WriteJson(const TJSON& value, TJsonLayout layout = TJsonLayout::Compact);

// Parses Windows-1252 text (raw bytes are Windows-1252 characters, "\u" escapes any character).
// A text starting with a UTF-8 byte-order mark is read as UTF-8. Raises EJsonError.
TJSON ReadJson(std::string_view ansiText);
// Parses UTF-8 text. Raises EJsonError.
TJSON ReadJsonUtf8(std::string_view utf8Text);

// Case-insensitive member look-up (the ANSI upper-case mapping); key is Windows-1252.
// nullptr when the member is absent or obj is not an object.
const TJSON* JsonFind(const TJSON& obj, std::string_view key);
TJSON* JsonFind(TJSON& obj, std::string_view key);

// The member with that key (any letter case); when absent it is appended as null under the key
// as given. obj becomes an object when it is null. Raises EJsonError when obj is no object.
TJSON& JsonMember(TJSON& obj, std::string_view key);

// The text of a value: a string as Windows-1252 ('?' for characters the code page cannot hold),
// a number or Boolean in its written form, anything else (null, array, object) as empty text.
std::string JsonValueText(const TJSON& value);
std::string JsonValueTextUtf8(const TJSON& value);

// The text of a member; an absent or null member reads as empty text.
std::string JsonText(const TJSON& obj, std::string_view key);
std::string JsonTextUtf8(const TJSON& obj, std::string_view key);

// Sets a member (found ignoring case, else appended) to a string given in Windows-1252 / UTF-8.
void SetJsonText(TJSON& obj, std::string_view key, std::string_view ansiValue);
void SetJsonTextUtf8(TJSON& obj, std::string_view key, std::string_view utf8Value);

// A string value from Windows-1252 text.
TJSON JsonString(std::string_view ansiValue);

} // namespace artikel
