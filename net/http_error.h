#pragma once
// The error texts of failed HTTP transfers. They are keyed by WinHTTP's error
// numbers on every platform: other HTTP stacks translate their failures into
// the number WinHTTP gives for the same situation, so a user (and a test)
// reads the same words whichever stack did the work.

#include <cstdint>
#include <string>
#include <string_view>

namespace zv {

// WinHTTP error numbers that have their own words or stand in for another
// stack's failures.
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
// Wine's WinHTTP passes some Winsock numbers through where Windows reports
// its own; they mean the same situations.
inline constexpr uint32_t kSocketReset = 10054;       // WSAECONNRESET
inline constexpr uint32_t kSocketTimeout = 10060;     // WSAETIMEDOUT
inline constexpr uint32_t kSocketRefused = 10061;     // WSAECONNREFUSED
}  // namespace winhttp_error

// step + ": " + the words for code, e.g. "download: timeout", or
// "download: error 12152" for a number without words of its own.
std::string httpErrorText(std::string_view step, uint32_t code);

}  // namespace zv
