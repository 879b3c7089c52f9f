#include "net/make_fetcher.h"

#include "net/winhttp_fetcher.h"

namespace zv {

std::unique_ptr<HttpFetcher> makeFetcher(const FetchTimeouts& timeouts) {
  return std::make_unique<WinHttpFetcher>(timeouts);
}

}  // namespace zv
