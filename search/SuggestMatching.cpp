#include "search/SuggestMatching.h"

#include "platform/FileRetry.h"
#include "platform/MiniMarkup.h"
#include "platform/Win1252.h"

namespace artikel {

namespace {

constexpr std::string_view kDelimiters = "\t\n\r !\"'(),-./:;=?[\\]{}";

// Ä, Ö, Ü and their lower forms in Windows-1252.
constexpr unsigned char kUpperAE = 0xC4, kUpperOE = 0xD6, kUpperUE = 0xDC;

unsigned char SimpleLowerChar(unsigned char c)
{
    if ((c >= 'A' && c <= 'Z') || c == kUpperAE || c == kUpperOE || c == kUpperUE)
        return static_cast<unsigned char>(c + 32);
    return c;
}

} // namespace

bool IsSuggestDelimiter(unsigned char c) { return kDelimiters.find(static_cast<char>(c)) != std::string_view::npos; }

int CurrentWordLength(std::string_view text, int caret)
{
    if (caret < 0)
        return 0;
    std::size_t end = std::min<std::size_t>(static_cast<std::size_t>(caret), text.size());
    std::size_t start = end;
    while (start > 0 && !IsSuggestDelimiter(static_cast<unsigned char>(text[start - 1])))
        --start;
    return static_cast<int>(end - start);
}

std::string SimpleLowerCase(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(SimpleLowerChar(static_cast<unsigned char>(c)));
    return out;
}

std::vector<int> MatchSuggestions(const std::vector<std::string>& words, std::string_view typed, int limit)
{
    const std::string pattern = AnsiLowerCase(typed);
    std::vector<int> hits;
    for (std::size_t i = 0; i < words.size() && static_cast<int>(hits.size()) < limit; ++i) {
        const std::string& word = words[i];
        if (word.size() < pattern.size())
            continue;
        bool hit = true;
        for (std::size_t k = 0; k < pattern.size() && hit; ++k)
            hit = SimpleLowerChar(static_cast<unsigned char>(word[k])) == static_cast<unsigned char>(pattern[k]);
        if (hit)
            hits.push_back(static_cast<int>(i));
    }
    return hits;
}

std::string ReplaceBreakTags(std::string_view text, std::string_view by)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '<' && StartsWithNoCase(text.substr(i), "<br>")) {
            out += by;
            i += 4;
        } else {
            out += text[i++];
        }
    }
    return out;
}

bool SplitSuggestion(std::string_view entry, std::string_view typed, std::string& head, std::string& rest)
{
    if (typed.empty() || !StartsWithNoCase(entry, typed))
        return false;
    head.assign(entry.substr(0, typed.size()));
    rest.assign(entry.substr(typed.size()));
    return true;
}

namespace {
const std::string kBreakShown(1, static_cast<char>(0xAC)); // "¬"

std::string ShownPlain(std::string_view text) { return EscapeMarkup(ReplaceBreakTags(text, kBreakShown)); }
} // namespace

std::string SplitDisplayMarkup(std::string_view head, std::string_view rest)
{
    return ShownPlain(head) + "<b>" + ShownPlain(rest) + "</b>";
}

std::string SuggestionDisplayMarkup(std::string_view entry, std::string_view typed)
{
    std::string head, rest;
    if (SplitSuggestion(entry, typed, head, rest))
        return SplitDisplayMarkup(head, rest);
    return ShownPlain(entry);
}

std::string TrimSuggestion(std::string_view text)
{
    std::size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ')
        --e;
    return std::string(text.substr(b, e - b));
}

std::vector<std::string> PrepareLearnPhrases(std::string_view text, int minLength)
{
    std::vector<std::string> kept;
    for (const std::string& line : SplitLines(text)) {
        std::string phrase;
        for (char c : TrimSuggestion(line))
            if (c != '"')
                phrase += c;
        // Quotes may have held blanks: "\" abc \"" is the phrase abc.
        phrase = TrimSuggestion(phrase);
        if (static_cast<int>(phrase.size()) >= minLength)
            kept.push_back(std::move(phrase));
    }
    return kept;
}

} // namespace artikel
