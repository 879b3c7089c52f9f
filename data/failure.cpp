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
    // WinHTTP's one number for both: a chain of redirects that never ends,
    // and a redirect to an address of another kind (https to http, ftp).
    case winhttp_error::kRedirectFailed: return "redirect failed (a redirect loop, or to another kind of address)";
    // The stacks refuse an answer whose header does not fit in memory
    // (libcurl by running out of memory for it).
    case winhttp_error::kOutOfMemory:
    case winhttp_error::kHeaderSizeOverflow: return "the server's answer is too large to read";
    case winhttp_error::kInternal: return "internal error of the HTTP stack";
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
    case FailureKind::FolderInPlace: return in + "cannot replace " + failure.subject + " (a folder is in its place)";
    case FailureKind::FileInPlace: return in + "cannot create folder " + failure.subject + " (a file is in its place)";
    case FailureKind::FolderBusy: return in + "another launcher is working on this client folder";
    case FailureKind::DiskFull: return in + "not enough disk space for " + failure.subject;
  }
  return "";
}

}  // namespace zv
