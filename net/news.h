#pragma once
// The publisher's news: fetched once, passed to the page as it is.

#include <string>

#include "data/json.h"
#include "data/launcher_config.h"
#include "net/fetcher.h"
#include "net/page_event.h"

namespace zv {

// One attempt at newsUrl. The event is {"type": "news", "data": document}:
// document is the parsed text (a leading UTF-8 byte-order mark removed), or
// null when the text is not JSON; "data" is left out when the fetch failed.
Json fetchNewsEvent(Fetcher& fetcher, const std::string& newsUrl);

// The news task: fetchNewsEvent of the configured newsUrl with a fetcher of
// its own, then the event is posted. Blocks for the one request.
void fetchNews(const LauncherConfig& config, const PostEvent& post);

}  // namespace zv
