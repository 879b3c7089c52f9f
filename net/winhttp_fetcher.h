#pragma once
// The fetcher of the Windows build, on the Windows HTTP Services (WinHTTP).
// Redirects, proxies and certificate checks are WinHTTP's own; TLS 1.2 or
// newer only.

#include "net/http_fetcher.h"

namespace zv {

class WinHttpFetcher final : public HttpFetcher {
 public:
  // Opens the WinHTTP session. When no session can be opened every request
  // fails with "bad URL: <url>".
  explicit WinHttpFetcher(const FetchTimeouts& timeouts = {});
  ~WinHttpFetcher() override;
  WinHttpFetcher(const WinHttpFetcher&) = delete;
  WinHttpFetcher& operator=(const WinHttpFetcher&) = delete;

 private:
  Exchange exchange(const std::string& url, uint64_t rangeFrom, ResponseHandler& handler, Failure& failure) override;

  void* session_ = nullptr;  // HINTERNET
};

}  // namespace zv
