#include "platform/tcp_probe.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>

#include "platform/unique_fd_posix.h"

namespace zv {

bool probeTcp(std::string_view host, int32_t port, unsigned timeoutMs) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string hostText(host);
  if (getaddrinfo(hostText.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
  const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> addresses(found, freeaddrinfo);
  if (!addresses) return false;
  const addrinfo& address = *addresses;
  UniqueFd socket(::socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC, address.ai_protocol));
  if (socket.get() < 0) return false;
  const int flags = fcntl(socket.get(), F_GETFL);
  if (flags < 0 || fcntl(socket.get(), F_SETFL, flags | O_NONBLOCK) != 0) return false;

  // Unlike Winsock, a loopback connect may finish or be refused at once, and
  // a refusal reported here is no longer pending on the socket: the
  // immediate result must be taken as it is.
  if (connect(socket.get(), address.ai_addr, address.ai_addrlen) == 0) return true;
  if (errno != EINPROGRESS) return false;

  pollfd waiting{socket.get(), POLLOUT, 0};
  int ready = 0;
  do {
    ready = poll(&waiting, 1, static_cast<int>(timeoutMs));
  } while (ready < 0 && errno == EINTR);
  if (ready != 1 || (waiting.revents & POLLOUT) == 0) return false;
  // A refused connection also wakes the writer; only SO_ERROR tells them apart.
  int error = 0;
  socklen_t length = sizeof error;
  return getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

}  // namespace zv
