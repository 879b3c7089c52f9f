#pragma once
// Why an operation failed, as facts. Callers decide by the kind; the words a
// player or a log reads are made from the facts by failureText, once, where
// they are shown.

#include <cstdint>
#include <string>

namespace zv {

// WinHTTP's error numbers, the one numbering of network failures on every
// platform: other HTTP stacks report the number WinHTTP gives for the same
// situation, so a user (and a test) reads the same words whichever stack did
// the work.
namespace winhttp_error {
inline constexpr uint32_t kOutOfMemory = 8;  // ERROR_NOT_ENOUGH_MEMORY
inline constexpr uint32_t kTimeout = 12002;
inline constexpr uint32_t kInternal = 12004;
inline constexpr uint32_t kNameNotResolved = 12007;
inline constexpr uint32_t kCannotConnect = 12029;
inline constexpr uint32_t kConnectionError = 12030;
inline constexpr uint32_t kInvalidServerResponse = 12152;
inline constexpr uint32_t kRedirectFailed = 12156;
inline constexpr uint32_t kSecureFailure = 12175;
inline constexpr uint32_t kHeaderSizeOverflow = 12183;
// Wine's WinHTTP passes some Winsock numbers through where Windows reports
// its own; they mean the same situations.
inline constexpr uint32_t kSocketReset = 10054;    // WSAECONNRESET
inline constexpr uint32_t kSocketTimeout = 10060;  // WSAETIMEDOUT
inline constexpr uint32_t kSocketRefused = 10061;  // WSAECONNREFUSED
}  // namespace winhttp_error

// Each kind with the words failureText makes of it.
enum class FailureKind : uint8_t {
  None,
  Cancelled,     // "cancelled": stopped on request
  TooLarge,      // a text document past its size cap; it has always read "cancelled"
  BadUrl,        // "bad URL: " + subject
  Network,       // subject (the step) + ": " + the words for number (a WinHTTP error number)
  HttpStatus,    // "HTTP " + number, and " " + subject (the address) when there is one
  BusyServer,    // as HttpStatus, for 503 and 429: the server asks us to come back later
  DiskWrite,     // "cannot write " + subject
  TargetInUse,   // "cannot write " + subject + " (file in use or no permission?)"
  TargetLocked,  // "cannot replace " + subject + " (is the game running?)"
  WriteFailed,   // "write failed (disk full?)": unpacked bytes did not reach the disk
  DamagedData,   // subject: what is wrong with downloaded data
  FolderInPlace, // "cannot replace " + subject + " (a folder is in its place)"
  FileInPlace,   // "cannot create folder " + subject + " (a file is in its place)"
  DiskFull,      // "not enough disk space for " + subject
  FolderBusy,    // "another launcher is working on this client folder"
};

struct Failure {
  FailureKind kind = FailureKind::None;
  uint32_t number = 0;  // HTTP status or WinHTTP error number
  std::string subject;  // the address, path, step or description the words name
  std::string file;     // the manifest path the failure concerns, put in front with ": "

  // A client file cannot be written, whether the game holds it or the disk
  // refuses: nothing a new download would change.
  bool targetUnwritable() const {
    return kind == FailureKind::DiskWrite || kind == FailureKind::TargetInUse || kind == FailureKind::TargetLocked ||
           kind == FailureKind::FolderInPlace || kind == FailureKind::FileInPlace || kind == FailureKind::DiskFull;
  }
};

inline Failure cancelledFailure() { return Failure{FailureKind::Cancelled, 0, {}, {}}; }

// The message for failure; empty for FailureKind::None.
std::string failureText(const Failure& failure);

}  // namespace zv
