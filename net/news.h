#pragma once
// The publisher's news: fetched once, passed to the page as it is.

#include <string>

#include "data/json.h"
#include "net/fetcher.h"

namespace zv {

struct News {
  bool fetched = false;  // false: the request failed, there is no document
  // The parsed text (a leading UTF-8 byte-order mark removed); null when the
  // text is not JSON.
  Json document;
};

// One attempt at newsUrl.
News fetchNews(Fetcher& fetcher, const std::string& newsUrl);

}  // namespace zv
