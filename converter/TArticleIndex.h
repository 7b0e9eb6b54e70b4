#pragma once

// Article numbers -> dense article ids (0, 1, 2 ... in the order first seen) of one DATANORM
// delivery. Open addressing over the keys' hashes: a node-based map costs a cache miss and an
// allocation per article, which a delivery of millions of articles feels.

#include <cstddef>
#include <cstdint>
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

} // namespace artikel::convert
