#include "officelink/TIPCClient.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace artikel;

namespace {

// A channel over memory that hands out at most `piece` bytes per read and counts the reads.
class MemoryChannel : public IFrameChannel {
public:
    explicit MemoryChannel(std::string input = {}, int64_t piece = 1 << 30)
        : input_(std::move(input)),
          piece_(piece)
    {}

    int64_t ReadSome(char* buffer, int64_t size) override
    {
        largestRequest = std::max(largestRequest, size);
        const int64_t n = std::min<int64_t>({size, piece_, static_cast<int64_t>(input_.size() - pos_)});
        std::copy_n(input_.data() + pos_, n, buffer);
        pos_ += static_cast<size_t>(n);
        return n;
    }
    bool WriteAll(const char* data, int64_t size) override
    {
        writes.push_back(size);
        output.append(data, static_cast<size_t>(size));
        return true;
    }

    std::string output;
    std::vector<int64_t> writes;
    int64_t largestRequest = 0;

private:
    std::string input_;
    size_t pos_ = 0;
    int64_t piece_;
};

std::string Le64(int64_t v)
{
    std::string out;
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>((static_cast<uint64_t>(v) >> (8 * i)) & 0xFF));
    return out;
}

TEST(FramingTest, RequestIsIdSizeAndChunksOfAtMost65536Bytes)
{
    const std::string data(100000, 'x'); // 200000 bytes as UTF-16LE
    const TMessageData m = MakeRequestMessage("OUTDATA", 11, data, false);
    MemoryChannel channel;
    std::string error;
    ASSERT_TRUE(WriteFramedMessage(channel, m, error)) << error;
    const int64_t s = static_cast<int64_t>(m.Storage.Size());
    EXPECT_EQ(channel.output, Le64(0) + Le64(s) + m.Storage.Bytes());
    ASSERT_EQ(channel.writes.size(), 2u + 4u);
    EXPECT_EQ(channel.writes[0], 8); // the empty ID's length
    EXPECT_EQ(channel.writes[1], 8);
    EXPECT_EQ(channel.writes[2], 65536);
    EXPECT_EQ(channel.writes[3], 65536);
    EXPECT_EQ(channel.writes[4], 65536);
    EXPECT_EQ(channel.writes[5], s - 3 * 65536);
}

TEST(FramingTest, ReplyLongerThanAChunkIsReadToItsDeclaredSize)
{
    TStreamStorage storage;
    storage.AddString("DATA", std::string(150000, 'y'));
    const std::string wire = Le64(3) + "abc" + Le64(static_cast<int64_t>(storage.Size())) + storage.Bytes() + "tail";
    MemoryChannel channel(wire, 1000); // arrives in pieces
    TMessageData reply;
    std::string error;
    ASSERT_TRUE(ReadFramedMessage(channel, reply, error)) << error;
    EXPECT_EQ(reply.MessageID, "abc");
    EXPECT_EQ(reply.Storage.Bytes(), storage.Bytes()); // "tail" is not part of the reply
    EXPECT_EQ(reply.Storage.ReadString("DATA").size(), 150000u);
    EXPECT_LE(channel.largestRequest, 65536);
}

TEST(FramingTest, BadRepliesFailWithTheirStep)
{
    struct Case {
        std::string wire;
        const char* error;
    };
    const Case cases[] = {
        {"", "ReadFile failed while reading message ID length"},
        {Le64(4) + "ab", "ReadFile failed while reading message ID"},
        {Le64(0) + "1234", "ReadFile failed while reading message data size"},
        {Le64(0) + Le64(10) + "12345", "ReadFile failed while reading message data"},
        {Le64(0) + Le64((int64_t(64) << 20) + 1), "Reply refused: message data size 67108865 out of range"},
        {Le64(0) + Le64(-1), "Reply refused: message data size -1 out of range"},
        {Le64(int64_t(1) << 62), "Reply refused: message ID length 4611686018427387904 out of range"},
    };
    for (const Case& c : cases) {
        MemoryChannel channel(c.wire);
        TMessageData reply;
        std::string error;
        EXPECT_FALSE(ReadFramedMessage(channel, reply, error));
        EXPECT_EQ(error, c.error);
    }
}

TEST(FramingTest, AReplyOfExactlyTheLimitIsTaken)
{
    const int64_t limit = 1000;
    MemoryChannel channel(Le64(0) + Le64(limit) + std::string(limit, 'z'));
    TMessageData reply;
    std::string error;
    EXPECT_TRUE(ReadFramedMessage(channel, reply, error, limit)) << error;
    EXPECT_EQ(reply.Storage.Size(), static_cast<size_t>(limit));
}

} // namespace
