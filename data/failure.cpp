#include "data/failure.h"

namespace zv {
namespace {

std::string networkWords(uint32_t number) {
  switch (number) {
    case winhttp_error::kTimeout:
    case winhttp_error::kSocketTimeout: return "timeout";
    case winhttp_error::kNameNotResolved: return "server name not found (no internet?)";
    case winhttp_error::kCannotConnect:
    case winhttp_error::kSocketRefused: return "cannot connect";
    case winhttp_error::kConnectionError:
    case winhttp_error::kSocketReset: return "connection reset";
    case winhttp_error::kSecureFailure: return "TLS/certificate error";
    default: return "error " + std::to_string(number);
  }
}

}  // namespace

std::string failureText(const Failure& failure) {
  const std::string in = failure.file.empty() ? "" : failure.file + ": ";
  switch (failure.kind) {
    case FailureKind::None: return "";
    case FailureKind::Cancelled:
    case FailureKind::TooLarge: return in + "cancelled";
    case FailureKind::BadUrl: return in + "bad URL: " + failure.subject;
    case FailureKind::Network: return in + failure.subject + ": " + networkWords(failure.number);
    case FailureKind::HttpStatus:
    case FailureKind::BusyServer:
      return in + "HTTP " + std::to_string(failure.number) + (failure.subject.empty() ? "" : " " + failure.subject);
    case FailureKind::DiskWrite: return in + "cannot write " + failure.subject;
    case FailureKind::TargetInUse: return in + "cannot write " + failure.subject + " (file in use or no permission?)";
    case FailureKind::TargetLocked: return in + "cannot replace " + failure.subject + " (is the game running?)";
    case FailureKind::WriteFailed: return in + "write failed (disk full?)";
    case FailureKind::DamagedData: return in + failure.subject;
  }
  return "";
}

}  // namespace zv
