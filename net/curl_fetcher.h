#pragma once
// The fetcher of the POSIX builds, on libcurl. It behaves like WinHttpFetcher
// in everything a caller can see: the same requests (headers, redirects,
// TLS 1.2 or newer, time-outs) and the same failures for the same situations.

#include "net/http_fetcher.h"

namespace zv {

class CurlFetcher final : public HttpFetcher {
 public:
  // Creates the transfer handle, which keeps connections alive between
  // requests. Without one every request fails with "bad URL: <url>".
  explicit CurlFetcher(const FetchTimeouts& timeouts = {});
  ~CurlFetcher() override;
  CurlFetcher(const CurlFetcher&) = delete;
  CurlFetcher& operator=(const CurlFetcher&) = delete;

 private:
  Exchange exchange(const std::string& url, uint64_t rangeFrom, ResponseHandler& handler, Failure& failure) override;

  void* session_ = nullptr;  // CURL easy handle
  FetchTimeouts timeouts_;
};

}  // namespace zv
