#pragma once
// The platform's fetcher, for code that must not name one.

#include <memory>

#include "net/http_fetcher.h"

namespace zv {

// WinHttpFetcher on Windows, CurlFetcher elsewhere.
std::unique_ptr<HttpFetcher> makeFetcher(const FetchTimeouts& timeouts = {});

}  // namespace zv
