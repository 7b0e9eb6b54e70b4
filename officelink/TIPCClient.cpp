#include "officelink/TIPCClient.h"

#include "platform/FileRetry.h"
#include "platform/Folders.h"
#include "platform/TextUtils.h"

#include <QElapsedTimer>
#include <QLocalSocket>

#include <charconv>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace artikel {

namespace {

constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorReadFault = 30;
constexpr uint32_t kErrorWriteFault = 29;

std::mutex g_serverLock;
std::string g_serverName; // guarded by g_serverLock

void PutLe64(std::string& out, int64_t value)
{
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>((static_cast<uint64_t>(value) >> (8 * i)) & 0xFF));
}

int64_t GetLe64(const char* p)
{
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(p[i]);
    return static_cast<int64_t>(v);
}

// Reads exactly `size` bytes, appending them to `out` as they arrive.
bool ReadExact(IFrameChannel& channel, int64_t size, std::string& out)
{
    char buffer[kIPCChunkSize];
    while (size > 0) {
        const int64_t want = std::min<int64_t>(size, static_cast<int64_t>(kIPCChunkSize));
        const int64_t got = channel.ReadSome(buffer, want);
        if (got <= 0 || got > want)
            return false;
        out.append(buffer, static_cast<size_t>(got));
        size -= got;
    }
    return true;
}

bool ReadSize(IFrameChannel& channel, int64_t& value)
{
    std::string bytes;
    if (!ReadExact(channel, 8, bytes))
        return false;
    value = GetLe64(bytes.data());
    return true;
}

// The pipe as a frame channel; reads and writes share one deadline.
class TSocketChannel : public IFrameChannel {
public:
    TSocketChannel(QLocalSocket& socket, int timeoutMs)
        : socket_(socket),
          timeoutMs_(timeoutMs)
    {
        timer_.start();
    }

    int64_t ReadSome(char* buffer, int64_t size) override
    {
        while (socket_.bytesAvailable() <= 0) {
            if (socket_.state() != QLocalSocket::ConnectedState)
                return 0;
            const int left = Remaining();
            if (left <= 0) {
                timedOut_ = true;
                return -1;
            }
            if (!socket_.waitForReadyRead(left)) {
                if (socket_.bytesAvailable() > 0)
                    break;
                if (socket_.error() == QLocalSocket::SocketTimeoutError) {
                    timedOut_ = true;
                    return -1;
                }
                return socket_.state() == QLocalSocket::ConnectedState ? -1 : 0;
            }
        }
        return socket_.read(buffer, size);
    }

    bool WriteAll(const char* data, int64_t size) override
    {
        if (socket_.write(data, size) != size)
            return false;
        while (socket_.bytesToWrite() > 0) {
            const int left = Remaining();
            if (left <= 0) {
                timedOut_ = true;
                return false;
            }
            if (!socket_.waitForBytesWritten(left)) {
                if (socket_.error() == QLocalSocket::SocketTimeoutError)
                    timedOut_ = true;
                return false;
            }
        }
        return true;
    }

    bool TimedOut() const { return timedOut_; }

private:
    int Remaining() const { return static_cast<int>(std::max<qint64>(0, timeoutMs_ - timer_.elapsed())); }

    QLocalSocket& socket_;
    int timeoutMs_;
    QElapsedTimer timer_;
    bool timedOut_ = false;
};

bool IsPlainName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    for (char c : name) {
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < ' ')
            return false;
    }
    return true;
}

std::vector<std::string> SplitAt8(std::string_view text)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t pos = text.find('\x08', start);
        parts.emplace_back(text.substr(start, pos == std::string_view::npos ? std::string_view::npos : pos - start));
        if (pos == std::string_view::npos)
            return parts;
        start = pos + 1;
    }
}

bool SameProcessId(std::string_view text, int64_t pid)
{
    const std::string_view t = TrimText(text);
    int64_t value = 0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), value);
    return !t.empty() && r.ec == std::errc() && r.ptr == t.data() + t.size() && value == pid;
}

// One call: attempts with a new client and message each, until a complete reply.
bool RunCall(std::string_view command, int32_t index, std::string_view data, bool sync, bool raiseOnError,
             const std::string& raiseText, const TIPCOptions& options, TIPCResult* result, TMessageData& reply)
{
    TIPCResult local;
    TIPCResult& r = result ? *result : local;
    r = TIPCResult{};
    r.ServerName = options.ServerName.empty() ? DefaultServerName() : options.ServerName;
    const int attempts = std::max(1, options.Attempts);
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (attempt > 0 && options.AttemptPauseMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(options.AttemptPauseMs));
        TIPCClient client(r.ServerName);
        const TMessageData request = MakeRequestMessage(command, index, data, sync);
        reply = TMessageData{};
        r.ComputerName = client.ComputerName();
        const bool answered =
            client.Connect(options.ConnectTimeoutMs) && client.Request(request, reply, options.ReplyTimeoutMs);
        r.ErrorText = client.ErrorText();
        r.AnswerValid = answered;
        r.TimedOut = client.TimedOut();
        if (answered)
            return true;
        if (raiseOnError)
            throw TIPCClientException(raiseText.empty()
                                          ? "Named Pipe Error [ReadIPCValueSync]\r\nErrorDesc: " + r.ErrorText +
                                              "\r\nComputerName: " + r.ComputerName + "\r\nServerName: " + r.ServerName
                                          : raiseText);
        // A server that took the request and never answered would only hang again.
        if (r.TimedOut)
            break;
    }
    return false;
}

} // namespace

std::string ExchangeSocketPath(std::string_view serverName)
{
    if (!IsPlainName(serverName))
        return {};
#ifdef _WIN32
    // QLocalSocket opens \\.\pipe\<name> itself.
    return std::string(serverName);
#else
    // Never the shared temporary folder: another user could plant a server there.
    const std::string folder = GetPrivateRuntimeFolder();
    return folder.empty() ? std::string() : folder + std::string(serverName);
#endif
}

bool ReadFramedMessage(IFrameChannel& channel, TMessageData& message, std::string& errorText, int64_t maxSize)
{
    message = TMessageData{};
    int64_t idLength = 0;
    if (!ReadSize(channel, idLength)) {
        errorText = "ReadFile failed while reading message ID length";
        return false;
    }
    if (idLength < 0 || idLength > maxSize) {
        errorText = "Reply refused: message ID length " + std::to_string(idLength) + " out of range";
        return false;
    }
    if (idLength > 0 && !ReadExact(channel, idLength, message.MessageID)) {
        errorText = "ReadFile failed while reading message ID";
        return false;
    }
    int64_t dataSize = 0;
    if (!ReadSize(channel, dataSize)) {
        errorText = "ReadFile failed while reading message data size";
        return false;
    }
    if (dataSize < 0 || dataSize > maxSize - idLength) {
        errorText = "Reply refused: message data size " + std::to_string(dataSize) + " out of range";
        return false;
    }
    std::string bytes;
    if (dataSize > 0 && !ReadExact(channel, dataSize, bytes)) {
        errorText = "ReadFile failed while reading message data";
        return false;
    }
    message.Storage = TStreamStorage(std::move(bytes));
    return true;
}

bool WriteFramedMessage(IFrameChannel& channel, const TMessageData& message, std::string& errorText)
{
    std::string head;
    PutLe64(head, static_cast<int64_t>(message.MessageID.size()));
    head += message.MessageID;
    if (!channel.WriteAll(head.data(), static_cast<int64_t>(head.size()))) {
        errorText = "WriteFile failed while writing message ID";
        return false;
    }
    const std::string& bytes = message.Storage.Bytes();
    std::string size;
    PutLe64(size, static_cast<int64_t>(bytes.size()));
    if (!channel.WriteAll(size.data(), 8)) {
        errorText = "WriteFile failed while writing message data size";
        return false;
    }
    for (size_t pos = 0; pos < bytes.size(); pos += kIPCChunkSize) {
        const size_t n = std::min(kIPCChunkSize, bytes.size() - pos);
        if (!channel.WriteAll(bytes.data() + pos, static_cast<int64_t>(n))) {
            errorText = "WriteFile failed while writing message chunk";
            return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------- TIPCClient

TIPCClient::TIPCClient(std::string serverName, std::string computerName)
    : serverName_(std::move(serverName)),
      computerName_(std::move(computerName)),
      pipeName_("\\\\" + computerName_ + "\\pipe\\" + serverName_)
{}

TIPCClient::~TIPCClient() { Disconnect(); }

void TIPCClient::Fail(std::string text, uint32_t code)
{
    errorText_ = std::move(text);
    errorCode_ = code;
}

bool TIPCClient::Connect(int timeoutMs)
{
    if (connected_)
        return true;
    const std::string path = ExchangeSocketPath(serverName_);
    if (path.empty()) {
        Fail("CreateFile failed while creating new pipe handle", kErrorFileNotFound);
        return false;
    }
    QElapsedTimer timer;
    timer.start();
    socket_ = std::make_unique<QLocalSocket>();
    while (timer.elapsed() < timeoutMs) {
        socket_->connectToServer(QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())),
                                 QIODevice::ReadWrite);
        const int left = static_cast<int>(std::max<qint64>(0, timeoutMs - timer.elapsed()));
        if (socket_->waitForConnected(left)) {
            connected_ = true;
            errorText_.clear();
            errorCode_ = 0;
            return true;
        }
        const QLocalSocket::LocalSocketError error = socket_->error();
        socket_->abort();
        switch (error) {
        case QLocalSocket::ServerNotFoundError:
        case QLocalSocket::ConnectionRefusedError:
            // No server behind the name: waiting for the pipe fails at once.
            Fail("WaitNamedPipe failed while wating for the pipe", kErrorFileNotFound);
            return false;
        case QLocalSocket::SocketAccessError:
            Fail("CreateFile failed while creating new pipe handle", kErrorAccessDenied);
            return false;
        default:
            // Busy: try again for the rest of the time.
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            break;
        }
    }
    Fail("IPC client failed with WAIT timeout", kIPCWaitTimeoutCode);
    return false;
}

bool TIPCClient::Request(const TMessageData& request, TMessageData& reply, int replyTimeoutMs)
{
    answerValid_ = false;
    timedOut_ = false;
    if (!connected_ || !socket_)
        return false;
    TSocketChannel channel(*socket_, replyTimeoutMs);
    std::string error;
    if (!WriteFramedMessage(channel, request, error)) {
        timedOut_ = channel.TimedOut();
        Fail(std::move(error), kErrorWriteFault);
        return false;
    }
    if (!ReadFramedMessage(channel, reply, error)) {
        timedOut_ = channel.TimedOut();
        Fail(timedOut_ ? error + " (no reply within " + std::to_string(replyTimeoutMs) + " ms)" : error,
             timedOut_ ? kIPCWaitTimeoutCode : kErrorReadFault);
        return false;
    }
    answerValid_ = true;
    return true;
}

void TIPCClient::Disconnect()
{
    if (!socket_)
        return;
    if (connected_ && socket_->state() == QLocalSocket::ConnectedState) {
        static const char kEnd[8] = {'\xFF', '\xFF', '\xFF', '\xFF', '\xFF', '\xFF', '\xFF', '\xFF'};
        if (socket_->write(kEnd, 8) == 8)
            socket_->waitForBytesWritten(1000);
    }
    socket_->abort();
    socket_.reset();
    connected_ = false;
}

// ---------------------------------------------------------------- calls

TMessageData MakeRequestMessage(std::string_view command, int32_t index, std::string_view data, bool sync)
{
    TMessageData message;
    message.Storage.AddString("COMMAND", command);
    message.Storage.AddInteger("INDEX", index);
    message.Storage.AddString("DATA", data);
    if (sync)
        message.Storage.AddBoolean("SYNC", true);
    return message;
}

std::string ReadIPCValueSync(std::string_view command, bool raiseOnError, std::string_view data,
                             const TIPCOptions& options, TIPCResult* result)
{
    TMessageData reply;
    if (!RunCall(command, -1, data, true, raiseOnError, {}, options, result, reply))
        return {};
    return reply.Storage.ReadString("DATA");
}

std::string WriteIPCValueSync(std::string_view data, int32_t index, bool raiseOnError, std::string_view command,
                              const TIPCOptions& options, TIPCResult* result)
{
    if (data.empty())
        return {};
    const std::string server = options.ServerName.empty() ? DefaultServerName() : options.ServerName;
    TMessageData reply;
    if (!RunCall(command, index, data, true, raiseOnError,
                 "WriteIPCValueSync: Der Server " + server + " antwortet nicht", options, result, reply))
        return {};
    return reply.Storage.ReadString("DATA");
}

bool WriteIPCValueASync(std::string_view data, int32_t index, bool raiseOnError, std::string_view command,
                        const TIPCOptions& options, TIPCResult* result)
{
    if (data.empty())
        return false;
    const std::string server = options.ServerName.empty() ? DefaultServerName() : options.ServerName;
    TMessageData reply;
    return RunCall(command, index, data, false, raiseOnError,
                   "WriteIPCValueASync: Der Server " + server + " antwortet nicht", options, result, reply);
}

// ---------------------------------------------------------------- server selection

std::string ServerListFileName() { return GetScratchFolder() + "KLX-EXCHANGELOCALSERVICE.TXT"; }

std::vector<std::string> ReadServerList()
{
    std::vector<std::string> raw;
    std::vector<std::string> lines;
    try {
        if (!LoadStringsRetry(raw, ServerListFileName()))
            return lines;
    } catch (const std::exception&) {
        return lines;
    }
    for (const std::string& line : raw) {
        const std::string_view t = TrimText(line);
        if (!t.empty())
            lines.emplace_back(t);
    }
    return lines;
}

std::string DefaultServerName()
{
    std::string current = CurrentServerName();
    if (!current.empty())
        return current;
    std::vector<std::string> list = ReadServerList();
    return list.empty() ? std::string() : std::move(list.front());
}

std::string CurrentServerName()
{
    std::lock_guard lock(g_serverLock);
    return g_serverName;
}

void SetCurrentServerName(std::string name)
{
    std::lock_guard lock(g_serverLock);
    g_serverName = std::move(name);
}

void DiscoverServer(const TIPCOptions& options) { DiscoverServer(static_cast<int64_t>(getppid()), options); }

void DiscoverServer(int64_t parentPid, const TIPCOptions& options)
{
    if (parentPid <= 0)
        return;
    int answered = 0;
    std::string remembered;
    for (const std::string& line : ReadServerList()) {
        TIPCOptions one = options;
        one.ServerName = line;
        one.Attempts = 1;
        const std::string answer = ReadIPCValueSync("SERVERPROCESS", false, {}, one);
        if (answer.empty())
            continue;
        ++answered;
        remembered = answer;
        const std::vector<std::string> parts = SplitAt8(answer);
        if (parts.size() == 2 && SameProcessId(parts[1], parentPid)) {
            SetCurrentServerName(line);
            return;
        }
    }
    if (answered != 1)
        return;
    TIPCOptions fallback = options;
    fallback.ServerName.clear();
    if (!ReadIPCValueSync("SERVERPROCESS", false, {}, fallback).empty())
        return;
    const std::vector<std::string> parts = SplitAt8(remembered);
    if (parts.size() == 2)
        SetCurrentServerName(parts[0]);
}

} // namespace artikel
