#include "platform/PeerCredentials.h"

#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace artikel;

namespace {

// An abstract local socket (no file, no permissions in the way) listening under a unique name.
struct Listener {
    int fd = -1;
    sockaddr_un addr{};
    socklen_t len = 0;
    Listener()
    {
        fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        addr.sun_family = AF_UNIX;
        const std::string name = "artikel-peer-test-" + std::to_string(::getpid());
        name.copy(addr.sun_path + 1, name.size());
        len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
        if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0 || ::listen(fd, 4) != 0) {
            ::close(fd);
            fd = -1;
        }
    }
    ~Listener()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

TEST(PeerCredentials, OwnUserIsRecognisedAndNoSocketIsNot)
{
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    EXPECT_TRUE(SocketPeerIsOwnUser(pair[0]));
    ::close(pair[0]);
    ::close(pair[1]);

    const int file = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(file, 0);
    EXPECT_FALSE(SocketPeerIsOwnUser(file));
    ::close(file);
    EXPECT_FALSE(SocketPeerIsOwnUser(-1));

    const int unconnected = ::socket(AF_UNIX, SOCK_STREAM, 0);
    EXPECT_FALSE(SocketPeerIsOwnUser(unconnected));
    ::close(unconnected);
}

TEST(PeerCredentials, APeerOfAnotherUserIsRefused)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can start a process of another user here";
    Listener listener;
    ASSERT_GE(listener.fd, 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The other user connects from a process of its own.
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&listener.addr), listener.len) != 0)
            ::_exit(3);
        char c;
        (void)::read(fd, &c, 1);
        ::_exit(0);
    }
    const int peer = ::accept(listener.fd, nullptr, nullptr);
    ASSERT_GE(peer, 0);
    EXPECT_FALSE(SocketPeerIsOwnUser(peer));
    ::close(peer);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    // The same path taken by a process of our own user is accepted.
    const pid_t own = ::fork();
    ASSERT_GE(own, 0);
    if (own == 0) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&listener.addr), listener.len) != 0)
            ::_exit(3);
        char c;
        (void)::read(fd, &c, 1);
        ::_exit(0);
    }
    const int ownPeer = ::accept(listener.fd, nullptr, nullptr);
    ASSERT_GE(ownPeer, 0);
    EXPECT_TRUE(SocketPeerIsOwnUser(ownPeer));
    ::close(ownPeer);
    ::waitpid(own, &status, 0);
}
