#include "platform/tcp_probe.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <memory>
#include <mutex>
#include <string>

namespace zv {
namespace {

// Winsock is started on first use and never cleaned up: a probe may run on a
// detached thread until the process ends. A failed start is tried again by
// the next probe.
bool startWinsock() {
  static std::mutex mutex;
  static bool started = false;
  std::lock_guard lock(mutex);
  if (!started) {
    WSADATA data;
    started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  return started;
}

class Socket {
 public:
  explicit Socket(SOCKET handle) : handle_(handle) {}
  ~Socket() {
    if (handle_ != INVALID_SOCKET) closesocket(handle_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  SOCKET handle() const { return handle_; }

 private:
  SOCKET handle_;
};

}  // namespace

bool probeTcp(std::string_view host, int32_t port, unsigned timeoutMs) {
  if (!startWinsock()) return false;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string hostText(host);
  if (getaddrinfo(hostText.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
  const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> addresses(found, freeaddrinfo);
  if (!addresses) return false;
  const addrinfo& address = *addresses;
  Socket socket(::socket(address.ai_family, address.ai_socktype, address.ai_protocol));
  if (socket.handle() == INVALID_SOCKET) return false;
  u_long nonBlocking = 1;
  ioctlsocket(socket.handle(), FIONBIO, &nonBlocking);
  // Winsock always reports WSAEWOULDBLOCK here; select tells the outcome.
  (void)connect(socket.handle(), address.ai_addr, static_cast<int>(address.ai_addrlen));

  fd_set writable;
  fd_set failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(socket.handle(), &writable);
  FD_SET(socket.handle(), &failed);
  timeval timeout{};
  timeout.tv_sec = static_cast<long>(timeoutMs / 1000);
  timeout.tv_usec = static_cast<long>((timeoutMs % 1000) * 1000);
  // A refused connection lands in the failed set only.
  return select(0, nullptr, &writable, &failed, &timeout) == 1 && FD_ISSET(socket.handle(), &writable);
}

}  // namespace zv
