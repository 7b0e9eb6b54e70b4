#include "catalog/TSendQuerySyncThread.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace artikel {

TSendQuerySyncThread::TSendQuerySyncThread(std::string executable, std::string source, std::string target,
                                           std::string resultFile)
    : executable_(std::move(executable)),
      source_(std::move(source)),
      target_(std::move(target)),
      resultFile_(std::move(resultFile))
{
    thread_ = std::thread([this] { Run(); });
}

TSendQuerySyncThread::~TSendQuerySyncThread()
{
    if (thread_.joinable())
        thread_.join();
}

void TSendQuerySyncThread::Run()
{
    std::vector<char*> argv = {executable_.data(), source_.data(), target_.data(), resultFile_.data(), nullptr};
    pid_t pid = -1;
    // The converter must not read our input: it gets /dev/null as its standard input.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    const int err = posix_spawn(&pid, executable_.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int exitCode = -1;
    if (err == 0) {
        int status = 0;
        pid_t r;
        do
            r = ::waitpid(pid, &status, 0);
        while (r < 0 && errno == EINTR);
        if (r == pid && WIFEXITED(status))
            exitCode = WEXITSTATUS(status);
    }
    {
        std::lock_guard lock(mutex_);
        startError_ = err;
        exitCode_ = exitCode;
        terminated_.store(true, std::memory_order_release);
    }
    done_.notify_all();
}

bool TSendQuerySyncThread::WaitFor(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    return done_.wait_for(lock, timeout, [this] { return Terminated(); });
}

void TSendQuerySyncThread::Wait()
{
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return Terminated(); });
}

} // namespace artikel
