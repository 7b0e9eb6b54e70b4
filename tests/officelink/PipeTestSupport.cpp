#include "tests/officelink/PipeTestSupport.h"

#include "tests/common/TestEnv.h"

#include <QElapsedTimer>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace artikel::test {

namespace {

bool ReadAllBytes(int fd, char* p, size_t n)
{
    while (n > 0) {
        const ssize_t r = read(fd, p, n);
        if (r <= 0)
            return false;
        p += r;
        n -= static_cast<size_t>(r);
    }
    return true;
}

int64_t ParseLe64(const char* p)
{
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(p[i]);
    return static_cast<int64_t>(v);
}

} // namespace

void UsePrivatePipeFolder()
{
    const std::filesystem::path dir = MakeTempDir("run");
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    SetCurrentServerName({});
    std::filesystem::remove(ServerListFileName());
}

std::string Le64(int64_t v)
{
    std::string out;
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>((static_cast<uint64_t>(v) >> (8 * i)) & 0xFF));
    return out;
}

FakeExchange::FakeExchange(std::string name, std::function<std::optional<std::string>(const std::string&)> answer)
    : name_(std::move(name)),
      answer_(std::move(answer))
{
    const std::string path = ExchangeSocketPath(name_);
    listenFd_ = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    unlink(path.c_str());
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(listenFd_, 8) != 0)
        std::abort();
    thread_ = std::thread([this] { Run(); });
}

FakeExchange::~FakeExchange()
{
    stop_ = true;
    thread_.join();
    close(listenFd_);
    unlink(ExchangeSocketPath(name_).c_str());
}

void FakeExchange::Run()
{
    while (!stop_) {
        pollfd p{listenFd_, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0)
            continue;
        const int fd = accept(listenFd_, nullptr, nullptr);
        if (fd < 0)
            continue;
        std::string got(16, '\0');
        if (ReadAllBytes(fd, got.data(), 8)) {
            const int64_t idLength = ParseLe64(got.data());
            got.resize(16 + static_cast<size_t>(idLength));
            std::string data;
            if (ReadAllBytes(fd, got.data() + 8, static_cast<size_t>(idLength) + 8)) {
                const int64_t size = ParseLe64(got.data() + 8 + idLength);
                data.resize(static_cast<size_t>(size));
                if (ReadAllBytes(fd, data.data(), data.size())) {
                    got += data;
                    TStreamStorage request(data);
                    if (const auto answer = answer_(request.ReadString("COMMAND"))) {
                        TStreamStorage reply;
                        reply.AddString("DATA", *answer);
                        const std::string frame = Le64(0) + Le64(static_cast<int64_t>(reply.Size())) + reply.Bytes();
                        (void)!write(fd, frame.data(), frame.size());
                        // Whatever follows (the end mark) until the client closes.
                        char buffer[4096];
                        ssize_t r;
                        while ((r = read(fd, buffer, sizeof buffer)) > 0)
                            got.append(buffer, static_cast<size_t>(r));
                    }
                }
            }
        }
        close(fd);
        std::lock_guard lock(lock_);
        received_.push_back(std::move(got));
    }
}

std::vector<std::string> FakeExchange::Received(size_t expected)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        {
            std::lock_guard lock(lock_);
            if (received_.size() >= expected || timer.elapsed() > 5000)
                return received_;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

int FakeExchange::Connections(size_t expected) { return static_cast<int>(Received(expected).size()); }

SimProcess::SimProcess(const std::string& name, QStringList arguments)
{
#ifdef EXCHANGE_SIM
    arguments << QStringLiteral("--name") << QString::fromUtf8(name) << QStringLiteral("--no-window");
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start(QStringLiteral(EXCHANGE_SIM), arguments);
    if (!process_.waitForStarted(10000))
        return;
    // Listening once it says so on its error channel.
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 20000 && process_.state() == QProcess::Running) {
        process_.waitForReadyRead(100);
        if (process_.readAllStandardError().contains("listening")) {
            started_ = true;
            return;
        }
    }
#else
    (void)name;
    (void)arguments;
#endif
}

SimProcess::~SimProcess()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(5000))
            process_.kill();
        process_.waitForFinished(5000);
    }
}

std::vector<std::string> SimProcess::Commands()
{
    process_.waitForReadyRead(50);
    const QByteArray bytes = process_.readAllStandardOutput();
    out_.append(bytes.constData(), static_cast<size_t>(bytes.size()));
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = out_.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(out_.substr(start, end - start));
    return lines;
}

} // namespace artikel::test
