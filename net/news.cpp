#include "net/news.h"

#include <string_view>

namespace zv {

News fetchNews(Fetcher& fetcher, const std::string& newsUrl) {
  std::string body;
  Failure failure;  // the page has no use for why
  if (!fetcher.getText(newsUrl, body, failure)) return std::nullopt;
  std::string_view text = body;
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  return Json::parse(text);
}

}  // namespace zv
