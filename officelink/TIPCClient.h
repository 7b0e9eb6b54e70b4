#pragma once

// The client side of the office application's exchange server: one request per client over a
// local pipe (a QLocalSocket: a named pipe on Windows, a socket in the user's private runtime
// folder elsewhere), framed as
//   request: 8 bytes ID length L, L bytes ID, 8 bytes value-stream size S, S bytes in writes of
//            at most 65536 bytes
//   reply:   the same, read in pieces of at most 65536 bytes
//   end:     8 bytes 0xFF, then the pipe is closed
// All integers are little-endian. The reply is outside data: its declared sizes are never
// allocated ahead of the bytes, a reply over kMaxReplySize is refused, and a reply that does not
// complete within the reply time-out counts as no reply.

#include "officelink/TStreamStorage.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class QLocalSocket;

namespace artikel {

inline constexpr int kIPCConnectTimeoutMs = 5000;
inline constexpr int kIPCReplyTimeoutMs = 10000;
inline constexpr int kIPCAttempts = 3;
inline constexpr int kIPCAttemptPauseMs = 50;
inline constexpr size_t kIPCChunkSize = 65536;
inline constexpr int64_t kMaxReplySize = int64_t(64) << 20;
// Error code of a connection that timed out (the Windows code for a wait time-out).
inline constexpr uint32_t kIPCWaitTimeoutCode = 258;

// Raised by the calls below with RaiseOnError when a request brought no reply.
class TIPCClientException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Time-outs and retries of the calls; the defaults are the program's.
struct TIPCOptions {
    int ConnectTimeoutMs = kIPCConnectTimeoutMs;
    int ReplyTimeoutMs = kIPCReplyTimeoutMs;
    int Attempts = kIPCAttempts;
    int AttemptPauseMs = kIPCAttemptPauseMs;
    // The server to ask; empty: CurrentServerName(), else the first line of the server list.
    std::string ServerName;
};

// The outcome of one call.
struct TIPCResult {
    std::string ErrorText;
    std::string ComputerName = ".";
    std::string ServerName;
    bool AnswerValid = false;
    // The last attempt waited for its reply until the reply time-out.
    bool TimedOut = false;
};

// Where the pipe of a server lives: on Linux the socket of that name in the user's private
// runtime folder (GetPrivateRuntimeFolder); empty text for a name that is no plain file name or
// when there is no private folder.
std::string ExchangeSocketPath(std::string_view serverName);

// Source and sink of a framed message, so the framing can be driven without a pipe.
class IFrameChannel {
public:
    virtual ~IFrameChannel() = default;
    // Reads up to `size` bytes (at least 1) into `buffer`; 0 at the end of data, -1 on an error or
    // when the time-out passed.
    virtual int64_t ReadSome(char* buffer, int64_t size) = 0;
    // Writes all bytes; false on an error or time-out.
    virtual bool WriteAll(const char* data, int64_t size) = 0;
};

// Reads one framed message. False with errorText set (the client's "ReadFile failed ..." texts)
// when the channel failed or the message was malformed or too large.
bool ReadFramedMessage(IFrameChannel& channel, TMessageData& message, std::string& errorText,
                       int64_t maxSize = kMaxReplySize);
// Writes one framed message. False with errorText set ("WriteFile failed ...").
bool WriteFramedMessage(IFrameChannel& channel, const TMessageData& message, std::string& errorText);

// One request: connect, send, read the reply, disconnect. Used once.
class TIPCClient {
public:
    explicit TIPCClient(std::string serverName, std::string computerName = ".");
    ~TIPCClient();
    TIPCClient(const TIPCClient&) = delete;
    TIPCClient& operator=(const TIPCClient&) = delete;

    // Tries to open the pipe until timeoutMs passed. Failures: "IPC client failed with WAIT
    // timeout" (code 258), "WaitNamedPipe failed while wating for the pipe", "CreateFile failed
    // while creating new pipe handle".
    bool Connect(int timeoutMs = kIPCConnectTimeoutMs);
    // Sends the request and reads the reply into `reply`; true when the reply is complete. The
    // write and the reply share the time-out.
    bool Request(const TMessageData& request, TMessageData& reply, int replyTimeoutMs = kIPCReplyTimeoutMs);
    // Writes the 8 bytes of 0xFF when connected, then closes the pipe. Also done by the destructor.
    void Disconnect();

    const std::string& PipeName() const { return pipeName_; }
    const std::string& ServerName() const { return serverName_; }
    const std::string& ComputerName() const { return computerName_; }
    const std::string& ErrorText() const { return errorText_; }
    uint32_t ErrorCode() const { return errorCode_; }
    bool Connected() const { return connected_; }
    bool AnswerValid() const { return answerValid_; }
    bool TimedOut() const { return timedOut_; }

private:
    void Fail(std::string text, uint32_t code);

    std::string serverName_;
    std::string computerName_;
    std::string pipeName_;
    std::string errorText_;
    uint32_t errorCode_ = 0;
    bool connected_ = false;
    bool answerValid_ = false;
    bool timedOut_ = false;
    std::unique_ptr<QLocalSocket> socket_;
};

// The calls the program makes. Each makes up to Attempts requests with a new client and message,
// pausing between them, until one brings a complete reply; a reply that timed out is not retried.
// Empty text / false without reply. With raiseOnError the first attempt without reply raises
// TIPCClientException instead.
std::string ReadIPCValueSync(std::string_view command, bool raiseOnError = false, std::string_view data = {},
                             const TIPCOptions& options = {}, TIPCResult* result = nullptr);
// Nothing is sent when data is empty.
std::string WriteIPCValueSync(std::string_view data, int32_t index, bool raiseOnError, std::string_view command,
                              const TIPCOptions& options = {}, TIPCResult* result = nullptr);
bool WriteIPCValueASync(std::string_view data, int32_t index, bool raiseOnError, std::string_view command,
                        const TIPCOptions& options = {}, TIPCResult* result = nullptr);

// The request message of a call: COMMAND, INDEX, DATA (left out when empty), SYNC (left out for
// the asynchronous write), in this order.
TMessageData MakeRequestMessage(std::string_view command, int32_t index, std::string_view data, bool sync);

// The server list file "KLX-EXCHANGELOCALSERVICE.TXT" in the scratch folder.
std::string ServerListFileName();
// Its non-empty lines (trimmed); empty when the file is missing.
std::vector<std::string> ReadServerList();
// The server of a call: the current server name when set, else the first line of the list.
std::string DefaultServerName();

// The server chosen by DiscoverServer, for the whole run (guarded by a lock).
std::string CurrentServerName();
void SetCurrentServerName(std::string name);

// Chooses the current server: the listed server whose "SERVERPROCESS" answer names
// parentPid as its process; else, when exactly one server answered and the default server gives
// no answer of its own, the server named in that answer. Nothing is set otherwise. Without
// parentPid the parent of this process (getppid()) is taken.
void DiscoverServer(const TIPCOptions& options = {});
void DiscoverServer(int64_t parentPid, const TIPCOptions& options);

} // namespace artikel
