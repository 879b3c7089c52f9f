#include "net/news.h"

#include <string_view>

#include "net/make_fetcher.h"

namespace zv {

Json fetchNewsEvent(Fetcher& fetcher, const std::string& newsUrl) {
  Json event = Json::object();
  event.set("type", "news");
  std::string body;
  Failure failure;  // the page has no use for why
  if (!fetcher.getText(newsUrl, body, failure)) return event;
  std::string_view text = body;
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  event.set("data", Json::parse(text));
  return event;
}

void fetchNews(const LauncherConfig& config, const PostEvent& post) {
  const std::unique_ptr<Fetcher> fetcher = makeFetcher();
  post(fetchNewsEvent(*fetcher, config.newsUrl));
}

}  // namespace zv
