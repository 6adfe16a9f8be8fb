#include "demo/demo_sockets.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>

namespace tarvik {
namespace {

int LocalPort(int fd) {
  sockaddr_in address{};
  socklen_t length = sizeof(address);
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
      address.sin_family != AF_INET) {
    return -1;
  }
  return ntohs(address.sin_port);
}

int PeerPort(int fd) {
  sockaddr_in address{};
  socklen_t length = sizeof(address);
  if (getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
      address.sin_family != AF_INET) {
    return -1;
  }
  return ntohs(address.sin_port);
}

// Calls |visit| with every open descriptor number of the process.
void ForEachDescriptor(const std::function<void(int)>& visit) {
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return;
  int own = dirfd(dir);
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
    int fd = std::atoi(entry->d_name);
    if (fd != own) visit(fd);
  }
  closedir(dir);
}

}  // namespace

bool ResetServerConnection(int serverPort, int clientPort) {
  int found = -1;
  ForEachDescriptor([&](int fd) {
    if (found < 0 && LocalPort(fd) == serverPort && PeerPort(fd) == clientPort) found = fd;
  });
  if (found < 0) return false;
  linger abort{1, 0};  // closing now sends RST and drops unsent data
  setsockopt(found, SOL_SOCKET, SO_LINGER, &abort, sizeof(abort));
  int null = open("/dev/null", O_RDWR | O_CLOEXEC);
  if (null < 0) return false;
  dup2(null, found);  // drops the last reference to the socket: the reset goes out here
  close(null);
  return true;
}

int ShutdownServerConnections(int serverPort) {
  int count = 0;
  ForEachDescriptor([&](int fd) {
    int copy = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) return;
    // The listening socket has no peer, so it is left alone.
    if (LocalPort(copy) == serverPort && PeerPort(copy) > 0) {
      shutdown(copy, SHUT_RDWR);
      ++count;
    }
    close(copy);
  });
  return count;
}

}  // namespace tarvik
