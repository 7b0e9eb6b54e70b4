// Any byte sequence as an exchange-server reply: the framing either refuses it or gives a
// message whose value stream is never read beyond its bytes; the current-order parser takes any
// answer text.
#include "officelink/TIPCClient.h"
#include "officelink/TPutLXParser.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// Hands the input out in pieces of varying size, as a pipe would.
class BytesChannel : public artikel::IFrameChannel {
public:
    BytesChannel(const uint8_t* data, size_t size)
        : data_(data),
          size_(size)
    {}
    int64_t ReadSome(char* buffer, int64_t want) override
    {
        const size_t piece = 1 + (pos_ * 7919) % 4096;
        const size_t n = std::min({static_cast<size_t>(want), piece, size_ - pos_});
        std::copy_n(data_ + pos_, n, buffer);
        pos_ += n;
        return static_cast<int64_t>(n);
    }
    bool WriteAll(const char*, int64_t) override { return true; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace artikel;
    BytesChannel channel(data, size);
    TMessageData reply;
    std::string error;
    if (ReadFramedMessage(channel, reply, error, int64_t(1) << 20)) {
        if (reply.Storage.Size() > size)
            std::abort();
        const std::string answer = reply.Storage.ReadString("DATA");
        (void)reply.Storage.ReadInteger("INDEX");
        (void)reply.Storage.ReadBoolean("SYNC");
        (void)ParseCurrentOrder(answer);
    } else if (error.empty()) {
        std::abort();
    }
    // The bare value stream, as a peer could send it.
    TStreamStorage raw(std::string(reinterpret_cast<const char*>(data), size));
    (void)raw.ReadString("DATA");
    (void)raw.FindValue("COMMAND");
    return 0;
}
