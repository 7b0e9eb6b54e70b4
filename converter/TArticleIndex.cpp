#include "converter/TArticleIndex.h"

#include <algorithm>

namespace artikel::convert {

void TArticleIndex::Reserve(size_t keys)
{
    keys_.reserve(keys);
    if (slots_.size() < keys * 2)
        Rehash(keys);
}

void TArticleIndex::Rehash(size_t keys)
{
    size_t cap = 1024;
    while (cap < keys * 2)
        cap <<= 1;
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(cap, Slot{});
    slotsUsed_ = 0;
    const size_t mask = slots_.size() - 1;
    for (const Slot& sl : old) {
        if (sl.id == 0 || sl.id == kTomb)
            continue;
        for (size_t i = sl.hash & mask;; i = (i + 1) & mask) {
            if (slots_[i].id == 0) {
                slots_[i] = sl;
                ++slotsUsed_;
                break;
            }
        }
    }
}

void TArticleIndex::Assign(std::string_view key, uint32_t id)
{
    if (slots_.empty() || (slotsUsed_ + 1) * 4 > slots_.size() * 3)
        Rehash(std::max(slotsUsed_ + 1, keys_.size()));
    const uint32_t hash = Hash(key);
    const size_t i = Probe(key, hash);
    if (slots_[i].id == 0)
        ++slotsUsed_;
    slots_[i] = Slot{hash, id + 1};
}

void TArticleIndex::Erase(std::string_view key)
{
    if (slots_.empty())
        return;
    Slot& sl = slots_[Probe(key, Hash(key))];
    if (sl.id != 0)
        sl.id = kTomb;
}

uint32_t TArticleIndex::FindOrAdd(std::string_view key)
{
    const uint32_t found = Find(key);
    if (found != kNone)
        return found;
    const uint32_t id = static_cast<uint32_t>(keys_.size());
    keys_.push_back(key);
    Assign(key, id);
    return id;
}

void TArticleIndex::Rename(uint32_t id, std::string_view key)
{
    if (Find(keys_[id]) == id)
        Erase(keys_[id]);
    keys_[id] = key;
    Assign(key, id);
}

} // namespace artikel::convert
