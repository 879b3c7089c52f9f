#pragma once
// Whether a TCP port answers: the game server's status when no status
// document says otherwise.

#include <cstdint>
#include <string_view>

namespace zv {

// True when a TCP connection to the first IPv4 address of host:port could be
// established within timeoutMs. An unknown host, a refused connection (as
// soon as the refusal arrives) and the time-out give false. The connection is
// closed again at once; nothing is sent.
bool probeTcp(std::string_view host, int32_t port, unsigned timeoutMs);

}  // namespace zv
