#pragma once

// Who is at the other end of a local (Unix domain) socket.

namespace artikel {

// True when the peer of the connected local socket fd runs as this process's effective user.
// False for every other user, for a descriptor that is no local socket and when the system
// cannot tell.
bool SocketPeerIsOwnUser(int fd);

} // namespace artikel
