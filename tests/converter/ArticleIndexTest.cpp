#include "converter/TArticleIndex.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>

namespace artikel::convert {
namespace {

TEST(ArticleIndex, HandsOutDenseIdsAndFindsEveryKey)
{
    TArticleIndex index;
    EXPECT_EQ(index.Find("1"), TArticleIndex::kNone);
    // Far more keys than reserved, so the table grows several times; keys of every length
    // around the 8-byte steps of the hash, and keys that differ only in their last byte.
    index.Reserve(16);
    std::deque<std::string> keys;
    for (int i = 0; i < 50000; ++i)
        keys.push_back(std::string(static_cast<size_t>(i % 19), 'x') + std::to_string(i));
    keys.push_back("");
    for (size_t i = 0; i < keys.size(); ++i)
        ASSERT_EQ(index.FindOrAdd(keys[i]), i);
    EXPECT_EQ(index.Size(), keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        ASSERT_EQ(index.Find(keys[i]), i) << keys[i];
        ASSERT_EQ(index.FindOrAdd(keys[i]), i);
        ASSERT_EQ(index.Key(static_cast<uint32_t>(i)), keys[i]);
    }
    EXPECT_EQ(index.Size(), keys.size());
    EXPECT_EQ(index.Find("x50000"), TArticleIndex::kNone);
    EXPECT_EQ(index.Find("0 "), TArticleIndex::kNone);
}

TEST(ArticleIndex, RenamedArticlesMoveToTheirNewKey)
{
    TArticleIndex index;
    const uint32_t a = index.FindOrAdd("A-1");
    const uint32_t b = index.FindOrAdd("B-1");
    index.Rename(a, "A-2");
    EXPECT_EQ(index.Find("A-1"), TArticleIndex::kNone);
    EXPECT_EQ(index.Find("A-2"), a);
    EXPECT_EQ(index.Key(a), "A-2");
    // Renamed onto the key of another article: the key now names the renamed one.
    index.Rename(a, "B-1");
    EXPECT_EQ(index.Find("B-1"), a);
    EXPECT_EQ(index.Find("A-2"), TArticleIndex::kNone);
    EXPECT_EQ(index.Key(b), "B-1");
    // The old key is free again and a new article gets the next id.
    EXPECT_EQ(index.FindOrAdd("A-1"), 2u);
    // Many renames leave erased slots behind; lookups still end.
    for (int i = 0; i < 5000; ++i)
        index.Rename(b, i % 2 ? "C-1" : "C-2");
    EXPECT_EQ(index.Find("C-2"), TArticleIndex::kNone);
    EXPECT_EQ(index.Find("C-1"), b);
    EXPECT_EQ(index.Find("B-1"), a);
}

} // namespace
} // namespace artikel::convert
