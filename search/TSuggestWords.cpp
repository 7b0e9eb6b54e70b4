#include "search/TSuggestWords.h"

#include "platform/FileRetry.h"
#include "platform/Win1252.h"
#include "search/SuggestMatching.h"

#include <algorithm>
#include <mutex>

namespace artikel {

namespace {

struct TRegistry {
    std::mutex lock;
    std::vector<TSuggestWords*> lists;
};

TRegistry& Registry()
{
    static TRegistry registry;
    return registry;
}

} // namespace

TSuggestWords::TSuggestWords()
{
    TRegistry& r = Registry();
    std::lock_guard guard(r.lock);
    r.lists.push_back(this);
}

TSuggestWords::~TSuggestWords()
{
    TRegistry& r = Registry();
    std::lock_guard guard(r.lock);
    r.lists.erase(std::remove(r.lists.begin(), r.lists.end(), this), r.lists.end());
}

void TSuggestWords::ForEachInstance(const std::function<void(TSuggestWords&)>& fn)
{
    std::vector<TSuggestWords*> lists;
    {
        TRegistry& r = Registry();
        std::lock_guard guard(r.lock);
        lists = r.lists;
    }
    for (TSuggestWords* list : lists) {
        // A list destroyed by an earlier call has left the registry.
        {
            TRegistry& r = Registry();
            std::lock_guard guard(r.lock);
            if (std::find(r.lists.begin(), r.lists.end(), list) == r.lists.end())
                continue;
        }
        fn(*list);
    }
}

bool TSuggestWords::Contains(std::string_view phrase) const { return keys_.find(AnsiUpperCase(phrase)) != keys_.end(); }

void TSuggestWords::AddKey(const std::string& phrase) { ++keys_[AnsiUpperCase(phrase)]; }

void TSuggestWords::Append(std::string phrase)
{
    AddKey(phrase);
    words_.push_back(std::move(phrase));
}

void TSuggestWords::LoadWords()
{
    loaded_ = true;
    countAtLastLoad_ = Count();
}

void TSuggestWords::ClearWords()
{
    words_.clear();
    keys_.clear();
    countAtLastLoad_ = 0;
    loaded_ = false;
}

void TSuggestWords::EnsureLoaded()
{
    if (!loaded_)
        LoadWords();
}

void TSuggestWords::Reload()
{
    loaded_ = false;
    LoadWords();
}

void TSuggestWords::SetLoadedWords(std::vector<std::string> words)
{
    keys_.clear();
    words_ = std::move(words);
    for (const std::string& w : words_)
        AddKey(w);
    loaded_ = true;
    countAtLastLoad_ = Count();
}

void TSuggestWords::BeginBulkLearn()
{
    if (bulk_)
        return;
    LoadWords();
    bulk_ = true;
}

void TSuggestWords::EndBulkLearn()
{
    if (!bulk_)
        return;
    bulk_ = false;
    const bool changed = !(loaded_ && Count() == countAtLastLoad_);
    SaveWords();
    if (!changed)
        return;
    // The others share the phrases only through storage. Their own change test compares counts
    // and would miss phrases added here, so they catch up unconditionally.
    ForEachInstance([this](TSuggestWords& other) {
        if (&other != this)
            other.TakeSavedWords(*this);
    });
}

void TSuggestWords::TakeSavedWords(const TSuggestWords&) { Reload(); }

void TSuggestWords::MarkStored()
{
    loaded_ = true;
    countAtLastLoad_ = Count();
}

void TSuggestWords::LearnSuggestions(std::string_view text, int minLength)
{
    if (SplitLines(text).empty())
        return;
    BeginBulkLearn();
    try {
        for (std::string& phrase : PrepareLearnPhrases(text, minLength))
            if (phrase.size() > 2 && !Contains(phrase))
                Append(std::move(phrase));
    } catch (...) {
        EndBulkLearn();
        throw;
    }
    EndBulkLearn();
}

void TSuggestWords::ReplaceSuggestions(std::string_view lines, int minLength)
{
    ClearWords();
    SaveWords();
    LearnSuggestions(lines, minLength);
}

TWordFileWords::TWordFileWords(std::string wordFile)
    : wordFile_(std::move(wordFile))
{}

void TWordFileWords::LoadWords()
{
    if (Loaded() && Count() == CountAtLastLoad() && Count() != 0)
        return;
    std::vector<std::string> lines;
    if (wordFile_.empty() || !LoadStringsRetry(lines, wordFile_))
        lines.clear();
    SetLoadedWords(std::move(lines));
}

void TWordFileWords::SaveWords()
{
    if (ListId() == -1 || wordFile_.empty())
        return;
    // Unchanged since the last load: nothing to write. (An emptied list is not loaded, so
    // emptying is written; a list that was empty and stayed so does not create a file.)
    if (Loaded() && Count() == CountAtLastLoad())
        return;
    SaveStringsRetry(Words(), wordFile_, TLinkPolicy::Replace);
    // The file now holds exactly these lines, unless a phrase holds a line break of its own:
    // reading it back (on every learned search) would only cost time.
    storedAsIs_ = std::none_of(Words().begin(), Words().end(),
                               [](const std::string& w) { return w.find_first_of("\r\n") != std::string::npos; });
    if (storedAsIs_)
        MarkStored();
    else
        Reload();
}

void TWordFileWords::TakeSavedWords(const TSuggestWords& saved)
{
    const auto* file = dynamic_cast<const TWordFileWords*>(&saved);
    if (file && file->storedAsIs_ && file->wordFile_ == wordFile_ && !wordFile_.empty())
        SetLoadedWords(saved.Words());
    else
        Reload();
}

} // namespace artikel
