#pragma once

// The phrases of one suggestion list and their learning. A word list registers itself in a
// process-wide registry for its lifetime, so that a list that saved its phrases can make the
// other lists re-read theirs. Used on the interface thread; only the registry is locked.

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace artikel {

class TSuggestWords {
public:
    TSuggestWords();
    TSuggestWords(const TSuggestWords&) = delete;
    TSuggestWords& operator=(const TSuggestWords&) = delete;
    virtual ~TSuggestWords();

    // The phrases in stored order (oldest first).
    const std::vector<std::string>& Words() const { return words_; }
    int Count() const { return static_cast<int>(words_.size()); }
    // Look-up ignoring letter case (Windows upper-casing).
    bool Contains(std::string_view phrase) const;
    void Append(std::string phrase);

    bool Loaded() const { return loaded_; }
    // Reads the phrases from storage; a list without storage only marks itself loaded.
    virtual void LoadWords();
    // Writes the phrases to storage; nothing without storage.
    virtual void SaveWords() {}
    // Empties the phrases; the next load reads storage again.
    virtual void ClearWords();
    void EnsureLoaded();
    // Reads storage again even when nothing seems changed.
    void Reload();

    // Number of the list; -1 = none, then nothing is stored.
    int ListId() const { return listId_; }
    void SetListId(int id) { listId_ = id; }

    // Bracket around adding phrases: loads first, saves once at the end and makes every other
    // registered list re-read its storage. Nested brackets count as one.
    void BeginBulkLearn();
    void EndBulkLearn();
    bool InBulkLearn() const { return bulk_; }

    // Adds the phrases of text (one per line; trimmed, double quotes removed, at least
    // minLength and more than two characters long) not yet stored in any letter case.
    void LearnSuggestions(std::string_view text, int minLength);
    // Replaces all phrases by those of lines (as LearnSuggestions).
    void ReplaceSuggestions(std::string_view lines, int minLength);

    // Calls fn for every registered list, this one included, in creation order.
    static void ForEachInstance(const std::function<void(TSuggestWords&)>& fn);

    // Another list has just saved its phrases: catch up with storage.
    virtual void TakeSavedWords(const TSuggestWords& saved);

protected:
    // The phrases in memory are what storage holds now (they were just written).
    void MarkStored();
    // Replaces the phrases without touching storage (for LoadWords of a derived class).
    void SetLoadedWords(std::vector<std::string> words);
    int CountAtLastLoad() const { return countAtLastLoad_; }

private:
    void AddKey(const std::string& phrase);

    std::vector<std::string> words_;
    std::unordered_map<std::string, int> keys_; // upper-cased phrase -> occurrences
    bool loaded_ = false;
    int countAtLastLoad_ = 0;
    int listId_ = -1;
    bool bulk_ = false;
};

// A word list stored in a word file: Windows-1252, one phrase per line, each line ended by
// CR LF, oldest first. Reading and writing wait and retry while another program holds the file;
// a save is atomic.
class TWordFileWords : public TSuggestWords {
public:
    explicit TWordFileWords(std::string wordFile = {});

    const std::string& WordFile() const { return wordFile_; }
    // Points the list at another file; Reload() reads it.
    void SetWordFile(std::string wordFile) { wordFile_ = std::move(wordFile); }

    // Nothing when loaded, unchanged since and not empty; else the file's lines (a missing file
    // is an empty list).
    void LoadWords() override;
    // Nothing without a list id or when unchanged since the last load; else the phrases are
    // written (and read back only when one holds a line break, which the file splits).
    void SaveWords() override;
    // A list on the same file takes the saved phrases as they are; any other re-reads its file.
    void TakeSavedWords(const TSuggestWords& saved) override;

private:
    std::string wordFile_;
    // The last save wrote the phrases one per line, so reading the file gives them unchanged.
    bool storedAsIs_ = false;
};

} // namespace artikel
