#include "officelink/TIPCClient.h"
#include "officelink/TStreamStorage.h"

#include <gtest/gtest.h>

using namespace artikel;

namespace {

// Little-endian helpers to spell expected streams.
std::string Le(uint64_t v, int width)
{
    std::string out;
    for (int i = 0; i < width; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    return out;
}

std::string Wide(std::string_view ascii)
{
    std::string out;
    for (char c : ascii) {
        out.push_back(c);
        out.push_back('\0');
    }
    return out;
}

std::string Value(std::string_view name, const std::string& bytes)
{
    return Le(name.size() * 2, 4) + Wide(name) + Le(bytes.size(), 8) + bytes;
}

TEST(StreamStorageTest, CanPostRequestHoldsExactlyCommandIndexSync)
{
    const TMessageData m = MakeRequestMessage("CANPOSTJSON", -1, "", true);
    EXPECT_EQ(m.MessageID, "");
    EXPECT_EQ(m.Storage.Bytes(),
              Value("COMMAND", Wide("CANPOSTJSON")) + Value("INDEX", Le(0xFFFFFFFF, 4)) +
                  Value("SYNC", std::string(1, '\x01')));
}

TEST(StreamStorageTest, WriteRequestsCarryDataAndSyncOnlyWhenSynchronous)
{
    // "€" and "ä" are Windows-1252 bytes that become UTF-16LE code units 20AC and 00E4.
    const std::string data = "{\"a\":\"\x80\xE4\"}";
    const std::string wideData = Wide("{\"a\":\"") + std::string("\xAC\x20\xE4\x00", 4) + Wide("\"}");
    EXPECT_EQ(MakeRequestMessage("OUTDATA", 11, data, false).Storage.Bytes(),
              Value("COMMAND", Wide("OUTDATA")) + Value("INDEX", Le(11, 4)) + Value("DATA", wideData));
    EXPECT_EQ(MakeRequestMessage("OUTDATA", 11, data, true).Storage.Bytes(),
              Value("COMMAND", Wide("OUTDATA")) + Value("INDEX", Le(11, 4)) + Value("DATA", wideData) +
                  Value("SYNC", std::string(1, '\x01')));
}

TEST(StreamStorageTest, EmptyNamesAndEmptyStringsAreLeftOutDuplicatesRefused)
{
    TStreamStorage s;
    s.AddString("", "x");
    s.AddBoolean("", true);
    s.AddString("EMPTY", "");
    EXPECT_EQ(s.Size(), 0u);
    s.AddInteger("N", 7);
    try {
        s.AddBoolean("N", true);
        FAIL() << "a second value of the same name was accepted";
    } catch (const EStreamStorageError& e) {
        EXPECT_STREQ(e.what(), "Value with name \"N\" already exists");
    }
    EXPECT_EQ(s.ReadInteger("N"), 7);
}

TEST(StreamStorageTest, ReadsValuesOfAPeersStreamInAnyOrder)
{
    TStreamStorage s(Value("ID", Le(5, 4)) + Value("DATA", Wide("Hallo")) + Value("FLAG", std::string(1, '\x01')));
    EXPECT_TRUE(s.ReadBoolean("FLAG")); // scans past the others, indexing them
    EXPECT_EQ(s.ReadString("DATA"), "Hallo");
    EXPECT_EQ(s.ReadInteger("ID"), 5);
    EXPECT_EQ(s.ReadString("MISSING"), "");
    EXPECT_FALSE(s.FindValue("MISSING").has_value());
}

TEST(StreamStorageTest, MalformedStreamsReadAsMissingValues)
{
    const std::string good = Value("DATA", Wide("ok"));
    const std::string cases[] = {
        Le(1000, 4) + Wide("DATA"), // name longer than the stream
        Le(8, 4) + Wide("DATA") + Le(uint64_t(-5), 8), // negative value size
        Le(8, 4) + Wide("DATA") + Le(1ull << 62, 8) + "xx", // value size far beyond the end
        Le(8, 4) + Wide("DA"), // cut inside the name
        std::string("\x01\x02", 2), // cut inside the name length
    };
    for (const std::string& bad : cases) {
        TStreamStorage s(good + bad);
        EXPECT_EQ(s.ReadString("DATA"), "ok");
        EXPECT_EQ(s.ReadString("OTHER"), "");
        TStreamStorage t(bad + good);
        EXPECT_EQ(t.ReadString("DATA"), "") << "nothing is read behind a malformed value";
    }
}

} // namespace
