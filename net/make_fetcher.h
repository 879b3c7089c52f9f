#pragma once
// The platform's fetcher, for code that must not name one.

#include <memory>

#include "net/fetcher.h"

namespace zv {

// WinHttpFetcher on Windows, CurlFetcher elsewhere.
std::unique_ptr<Fetcher> makeFetcher(const FetchTimeouts& timeouts = {});

}  // namespace zv
