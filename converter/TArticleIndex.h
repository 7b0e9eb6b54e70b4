#pragma once

// Article numbers -> dense article ids (0, 1, 2 ... in the order first seen) of one DATANORM
// delivery. Open addressing over the keys' hashes: a node-based map costs a cache miss and an
// allocation per article, which a delivery of millions of articles feels.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace artikel::convert {

class TArticleIndex {
public:
    static constexpr uint32_t kNone = 0xFFFFFFFFu;

    // Room for this many keys without growing.
    void Reserve(size_t keys);

    // The id of the key, or kNone.
    uint32_t Find(std::string_view key) const;
    // The id of the key; an unknown key gets the next id. Keys are not copied: their bytes must
    // outlive the index.
    uint32_t FindOrAdd(std::string_view key);
    // The article `id` is found under `key` from now on, no longer under its old key; an article
    // that had `key` before is no longer found.
    void Rename(uint32_t id, std::string_view key);

    std::string_view Key(uint32_t id) const { return keys_[id]; }
    // Ids handed out so far.
    size_t Size() const { return keys_.size(); }

private:
    struct Slot {
        uint32_t hash = 0;
        uint32_t id = 0; // id + 1; 0 empty, kTomb erased
    };
    static constexpr uint32_t kTomb = 0xFFFFFFFFu;

    static uint32_t Hash(std::string_view key);
    void Rehash(size_t keys);
    // The slot holding the key, or the empty slot that ends its probe sequence.
    size_t Probe(std::string_view key, uint32_t hash) const;
    void Assign(std::string_view key, uint32_t id);
    void Erase(std::string_view key);

    std::vector<Slot> slots_;
    size_t slotsUsed_ = 0; // filled or erased
    std::vector<std::string_view> keys_;
};

// Inline: called once or twice for every record of a delivery.
inline uint32_t TArticleIndex::Hash(std::string_view k)
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

inline size_t TArticleIndex::Probe(std::string_view key, uint32_t hash) const
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

inline uint32_t TArticleIndex::Find(std::string_view key) const
{
    if (slots_.empty())
        return kNone;
    const Slot& sl = slots_[Probe(key, Hash(key))];
    return sl.id == 0 ? kNone : sl.id - 1;
}

} // namespace artikel::convert
