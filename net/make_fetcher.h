#pragma once
// The platform's fetcher, for code that must not name one.

#include <memory>

#include "net/http_fetcher.h"

namespace zv {

// On WinHTTP on Windows (winhttp_fetcher_win.cpp), on libcurl elsewhere
// (curl_fetcher_posix.cpp).
std::unique_ptr<HttpFetcher> makeFetcher(const FetchTimeouts& timeouts = {});

}  // namespace zv
