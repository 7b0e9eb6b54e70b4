#include "converter/TArticleIndex.h"

#include <algorithm>
#include <cstring>

namespace artikel::convert {

uint32_t TArticleIndex::Hash(std::string_view k)
{
    uint64_t h = 0x9E3779B97F4A7C15ull ^ k.size();
    size_t i = 0;
    for (; i + 8 <= k.size(); i += 8) {
        uint64_t w;
        std::memcpy(&w, k.data() + i, 8);
        h = (h ^ w) * 0xBF58476D1CE4E5B9ull;
        h ^= h >> 31;
    }
    uint64_t tail = 0;
    for (size_t j = 0; i < k.size(); ++i, j += 8)
        tail |= static_cast<uint64_t>(static_cast<unsigned char>(k[i])) << j;
    h = (h ^ tail) * 0x94D049BB133111EBull;
    h ^= h >> 29;
    return static_cast<uint32_t>(h) | 1u;
}

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

size_t TArticleIndex::Probe(std::string_view key, uint32_t hash) const
{
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& sl = slots_[i];
        if (sl.id == 0)
            return i;
        if (sl.id != kTomb && sl.hash == hash && keys_[sl.id - 1] == key)
            return i;
    }
}

uint32_t TArticleIndex::Find(std::string_view key) const
{
    if (slots_.empty())
        return kNone;
    const Slot& sl = slots_[Probe(key, Hash(key))];
    return sl.id == 0 ? kNone : sl.id - 1;
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
