#include "net/http_error.h"

namespace zv {

std::string httpErrorText(std::string_view step, uint32_t code) {
  std::string text(step);
  switch (code) {
    case winhttp_error::kTimeout:
    case winhttp_error::kSocketTimeout: return text + ": timeout";
    case winhttp_error::kNameNotResolved: return text + ": server name not found (no internet?)";
    case winhttp_error::kCannotConnect:
    case winhttp_error::kSocketRefused: return text + ": cannot connect";
    case winhttp_error::kConnectionError:
    case winhttp_error::kSocketReset: return text + ": connection reset";
    case winhttp_error::kSecureFailure: return text + ": TLS/certificate error";
    default: return text + ": error " + std::to_string(code);
  }
}

}  // namespace zv
