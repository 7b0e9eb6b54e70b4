#include "platform/PeerCredentials.h"

#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

namespace artikel {

bool SocketPeerIsOwnUser(int fd)
{
    if (fd < 0)
        return false;
#if defined(SO_PEERCRED) && defined(__linux__)
    ucred cred{};
    socklen_t len = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || len != sizeof cred)
        return false;
    // A socket pair not connected to anyone reports no process.
    return cred.pid != 0 && cred.uid == ::geteuid();
#else
    uid_t uid = 0;
    gid_t gid = 0;
    if (::getpeereid(fd, &uid, &gid) != 0)
        return false;
    return uid == ::geteuid();
#endif
}

} // namespace artikel
