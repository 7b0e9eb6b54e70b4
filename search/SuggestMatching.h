#pragma once

// The pure text rules of the suggestion list: what a word of the typed text is, which stored
// phrases match it, how an entry is shown, and how learned text is cleaned. Texts are
// Windows-1252 bytes.

#include <string>
#include <string_view>
#include <vector>

namespace artikel {

// No more entries than this are listed, however many phrases match.
inline constexpr int kSuggestHitLimit = 1000;

// Blanks, line ends, tab and the punctuation that ends a word of the typed text; every other
// byte (all above 127 included) belongs to a word.
bool IsSuggestDelimiter(unsigned char c);

// Number of word characters immediately before the caret (a byte offset into text).
int CurrentWordLength(std::string_view text, int caret);

// Lower-cases only A-Z, Ä, Ö and Ü. Stored phrases are compared in this form against the typed
// text lower-cased in full, so a phrase starting with É never matches "é".
std::string SimpleLowerCase(std::string_view s);

// Indexes of the phrases whose start matches typed, in stored order, at most limit of them.
// An empty typed text matches every phrase.
std::vector<int> MatchSuggestions(const std::vector<std::string>& words, std::string_view typed,
                                  int limit = kSuggestHitLimit);

// Replaces every "<br>" (any letter case) by `by`.
std::string ReplaceBreakTags(std::string_view text, std::string_view by);

// When entry starts with typed (ignoring case, both lower-cased in full, typed non-empty): head
// := that start as stored, rest := the remainder, true.
bool SplitSuggestion(std::string_view entry, std::string_view typed, std::string& head, std::string& rest);
// The markup of a split entry: head plain, rest bold; both escaped, "<br>" shown as "¬".
std::string SplitDisplayMarkup(std::string_view head, std::string_view rest);

// The markup an entry is drawn with: the typed part as stored, the rest bold (when the entry
// starts with the typed text, ignoring case), "<br>" shown as "¬". The phrase itself is plain
// text: its characters are escaped, so "<5mm" or "A&B" show as typed.
std::string SuggestionDisplayMarkup(std::string_view entry, std::string_view typed);

// Removes control characters and blanks at both ends.
std::string TrimSuggestion(std::string_view text);

// The phrases learned from text: its lines, trimmed, with every double quote removed, kept when
// at least minLength long.
std::vector<std::string> PrepareLearnPhrases(std::string_view text, int minLength);

} // namespace artikel
