// The mapped, memory and write-cached streams: contents, capacity steps, write pattern, errors.

#include "data/TCachedFileStream.h"
#include "data/TFastMemoryStream.h"
#include "data/TMappedFileStream.h"
#include "data/TReadOnlyFile.h"
#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace artikel {
namespace {

using test::MakeTempDir;
using test::ReadFileBytes;
using test::WriteFileBytes;

std::string ErrorOf(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const EStreamError& e) {
        return e.what();
    }
    return "<no error>";
}

TEST(TMappedFileStream, ReadsSeeksAndRefusesWrites)
{
    const auto dir = MakeTempDir("mapped");
    WriteFileBytes(dir / "f", "0123456789");
    TMappedFileStream s(dir / "f");
    EXPECT_TRUE(s.Mapped());
    EXPECT_EQ(s.Size(), 10);
    char buf[8] = {};
    EXPECT_EQ(s.Read(buf, 4), 4);
    EXPECT_EQ(std::string(buf, 4), "0123");
    EXPECT_EQ(s.Seek(-2, TSeekOrigin::End), 8);
    EXPECT_EQ(s.Read(buf, 8), 2);
    EXPECT_EQ(s.Read(buf, 8), 0);
    EXPECT_EQ(s.Seek(100, TSeekOrigin::Beginning), 10) << "seeking past the end clamps";
    EXPECT_EQ(ErrorOf([&] { s.Write("x", 1); }), "TMappedFileStream is read only");
}

TEST(TMappedFileStream, EmptyFileHasNoMappingAndMissingFileRaises)
{
    const auto dir = MakeTempDir("mapped");
    WriteFileBytes(dir / "empty", "");
    TMappedFileStream s(dir / "empty");
    EXPECT_FALSE(s.Mapped());
    EXPECT_EQ(s.Size(), 0);
    EXPECT_EQ(ErrorOf([&] { TMappedFileStream m(dir / "missing"); }), "OSError");
    EXPECT_EQ(ErrorOf([&] { TMappedFileStream m(dir); }), "OSError") << "a folder is not a file";

    TFastMemoryStream mem;
    mem.LoadFromFile(dir / "empty");
    EXPECT_EQ(mem.Size(), 0);
    EXPECT_EQ(mem.Capacity(), 0);
}

TEST(TMappedFileStream, ANamedPipeIsRefusedWithoutWaitingForAWriter)
{
    const auto fifo = MakeTempDir("mapped-fifo") / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto opened = std::async(std::launch::async, [&] { return ErrorOf([&] { TMappedFileStream m(fifo); }); });
    if (opened.wait_for(std::chrono::milliseconds(500)) != std::future_status::ready) {
        ADD_FAILURE() << "the open waits for a writer of the pipe";
        // A writer releases the blocked open, so that the test can end.
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        opened.wait();
        if (writer >= 0)
            ::close(writer);
        return;
    }
    EXPECT_EQ(opened.get(), "OSError");
}

// The converter's readers parse a file through a view: its bytes, or a clear failure for what is
// no readable regular file (a pipe among them, opened without waiting), and a size limit.
TEST(TFileView, GivesTheBytesOrFailsForWhatIsNoReadableFile)
{
    const auto dir = MakeTempDir("fileview");
    WriteFileBytes(dir / "f", std::string("a\0b\xFF", 4));
    WriteFileBytes(dir / "empty", "");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    struct Case {
        const char* name;
        uint64_t maxSize;
        bool opens;
        std::string bytes;
    } cases[] = {
        {"f", TReadOnlyFile::kNoLimit, true, std::string("a\0b\xFF", 4)},
        {"empty", TReadOnlyFile::kNoLimit, true, ""},
        {"f", 4, false, ""},
        {"f", 5, true, std::string("a\0b\xFF", 4)},
        {"missing", TReadOnlyFile::kNoLimit, false, ""},
        {"pipe", TReadOnlyFile::kNoLimit, false, ""},
        {".", TReadOnlyFile::kNoLimit, false, ""},
    };
    for (const Case& c : cases) {
        auto opened = std::async(std::launch::async, [&] {
            TFileView view;
            const bool ok = view.Open(dir / c.name, c.maxSize);
            return std::make_pair(ok, std::string(view.Data(), view.Size()));
        });
        ASSERT_EQ(opened.wait_for(std::chrono::seconds(5)), std::future_status::ready) << c.name;
        const auto [ok, bytes] = opened.get();
        EXPECT_EQ(ok, c.opens) << c.name << " " << c.maxSize;
        EXPECT_EQ(bytes, c.bytes) << c.name;
    }
}

// A file cut short after it was opened reads short through the descriptor, never past its end.
TEST(TReadOnlyFile, AFileShortenedAfterOpeningReadsShort)
{
    const auto file = MakeTempDir("readonly") / "f";
    WriteFileBytes(file, std::string(10000, 'x'));
    TReadOnlyFile f(file);
    EXPECT_EQ(f.Size(), 10000u);
    ASSERT_EQ(::truncate(file.c_str(), 100), 0);
    std::vector<char> buffer(10000);
    size_t got = 0;
    ASSERT_TRUE(f.ReadAt(buffer.data(), 50, 10000 - 50, got));
    EXPECT_EQ(got, 50u);
    ASSERT_TRUE(f.ReadAt(buffer.data(), 5000, 100, got));
    EXPECT_EQ(got, 0u);
}

TEST(TFastMemoryStream, CapacityGrowsInSteps)
{
    struct Case {
        int64_t bytes;
        int64_t capacity;
    };
    for (const Case& c : std::vector<Case>{{1, 262144}, {262144, 262144}, {262145, 524288}, {600000, 786432}}) {
        TFastMemoryStream s;
        const std::string data(static_cast<size_t>(c.bytes), 'a');
        // Written in pieces, as a stream fills up.
        for (int64_t at = 0; at < c.bytes; at += 1000)
            s.Write(data.data() + at, std::min<int64_t>(1000, c.bytes - at));
        EXPECT_EQ(s.Size(), c.bytes);
        EXPECT_EQ(s.Capacity(), c.capacity) << c.bytes;
    }
    TFastMemoryStream s;
    s.Write("abcdef", 6);
    s.SetSize(3);
    EXPECT_EQ(s.Position(), 3) << "position moves to a shrunk end";
    s.Seek(-1, TSeekOrigin::Beginning);
    EXPECT_EQ(s.Write("x", 1), 0) << "negative position writes nothing";
    s.Clear();
    EXPECT_EQ(s.Size() + s.Capacity() + s.Position(), 0);
}

TEST(TFastMemoryStream, LoadFromFileCopiesAllBytes)
{
    const auto dir = MakeTempDir("mem");
    std::string data;
    for (int i = 0; i < 300000; ++i)
        data.push_back(static_cast<char>(i * 7));
    WriteFileBytes(dir / "f", data);
    TFastMemoryStream s;
    s.LoadFromFile(dir / "f");
    ASSERT_EQ(s.Size(), static_cast<int64_t>(data.size()));
    EXPECT_EQ(std::memcmp(s.Memory(), data.data(), data.size()), 0);
    EXPECT_EQ(s.Position(), 0);
    EXPECT_LE(s.Capacity() - s.Size(), TFastMemoryStream::kCapacityStep);
}

// Records each system write; can be told to write short.
class TRecordingStream : public TWriteCachedFileStream {
public:
    using TWriteCachedFileStream::TWriteCachedFileStream;
    std::vector<int64_t> writes;
    bool failWrites = false;

protected:
    int64_t SysWrite(const void* data, int64_t count) override
    {
        writes.push_back(count);
        if (failWrites) {
            errno = ENOSPC;
            return count / 2;
        }
        return TWriteCachedFileStream::SysWrite(data, count);
    }
};

TEST(TWriteCachedFileStream, CollectsLinesIntoBufferSizedWrites)
{
    const auto dir = MakeTempDir("wcache");
    std::string expected;
    {
        TRecordingStream s(dir / "out", 65535);
        std::string line(48, 'x');
        line += "\r\n";
        for (int i = 0; i < 2000; ++i) {
            line[0] = static_cast<char>('a' + i % 26);
            s.Write(line.data(), 50);
            expected += line;
        }
        EXPECT_EQ(s.Size(), 100000);
        EXPECT_EQ(s.writes, std::vector<int64_t>({65535})) << "one write when the buffer fills";
        s.Close();
        EXPECT_EQ(s.writes, std::vector<int64_t>({65535, 34465}));
    }
    EXPECT_EQ(ReadFileBytes(dir / "out"), expected);

    // Destruction writes what is still buffered.
    {
        TWriteCachedFileStream s(dir / "out2", 0);
        EXPECT_EQ(s.BufferSize(), TBaseCachedFileStream::kDefaultBufferSize);
        s.Write("hello", 5);
    }
    EXPECT_EQ(ReadFileBytes(dir / "out2"), "hello");
}

TEST(TWriteCachedFileStream, SeekBackRewritesBufferedBytes)
{
    const auto dir = MakeTempDir("wcache");
    {
        TWriteCachedFileStream s(dir / "f", 4);
        s.Write("abcdefgh", 8);
        s.Seek(1, TSeekOrigin::Beginning);
        s.Write("XY", 2);
        s.Seek(0, TSeekOrigin::End);
        s.Write("!", 1);
        EXPECT_EQ(s.Size(), 9);
    }
    EXPECT_EQ(ReadFileBytes(dir / "f"), "aXYdefgh!");
}

TEST(TWriteCachedFileStream, ErrorsNameTheFileAndTheSystemReason)
{
    const auto dir = MakeTempDir("wcache");
    const auto missing = dir / "no" / "such" / "file.csv";
    const std::string create = ErrorOf([&] { TWriteCachedFileStream s(missing, 100); });
    EXPECT_EQ(create, "Cannot create " + missing.string() + "." + std::strerror(ENOENT));

    const std::string shortWrite = ErrorOf([&] {
        TRecordingStream s(dir / "f", 10);
        s.failWrites = true;
        s.Write("0123456789abc", 13);
    });
    EXPECT_EQ(shortWrite, "FileWrite failed for " + (dir / "f").string() + "." + std::strerror(ENOSPC));
}

} // namespace
} // namespace artikel
