#pragma once
// The publisher's news: fetched once, passed to the page as it is.

#include <optional>
#include <string>

#include "data/json.h"
#include "net/fetcher.h"

namespace zv {

// The parsed text (a leading UTF-8 byte-order mark removed), Json null when
// the text is not JSON; none when the request failed.
using News = std::optional<Json>;

// One attempt at newsUrl.
News fetchNews(Fetcher& fetcher, const std::string& newsUrl);

}  // namespace zv
