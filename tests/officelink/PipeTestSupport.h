#pragma once

// Servers for the link tests: a small in-process server on a socket of its own that records the
// bytes every client sent and answers with a given text, and the exchange simulator as a process.

#include "officelink/TIPCClient.h"

#include <QProcess>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace artikel::test {

// Points the pipes at a fresh private folder of this test, forgets the chosen server and
// removes the server list.
void UsePrivatePipeFolder();

std::string Le64(int64_t v);

class FakeExchange {
public:
    // answer: the reply's "DATA" for a request's command; nothing: the connection is closed
    // without a reply.
    FakeExchange(std::string name, std::function<std::optional<std::string>(const std::string&)> answer);
    ~FakeExchange();

    // Every byte each finished connection sent, in order of the connections; waits a while for
    // `expected` connections to finish (a client may have its reply before the server is done).
    std::vector<std::string> Received(size_t expected);
    int Connections(size_t expected);

private:
    void Run();

    std::string name_;
    std::function<std::optional<std::string>(const std::string&)> answer_;
    int listenFd_ = -1;
    std::atomic<bool> stop_{false};
    std::mutex lock_;
    std::vector<std::string> received_;
    std::thread thread_;
};

// exchange-sim with the given options (--no-window is added), running until destroyed.
class SimProcess {
public:
    SimProcess(const std::string& name, QStringList arguments = {});
    ~SimProcess();
    bool Started() const { return started_; }
    // What it printed so far: one command per request.
    std::vector<std::string> Commands();

private:
    QProcess process_;
    bool started_ = false;
    std::string out_;
};

} // namespace artikel::test
