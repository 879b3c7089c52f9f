#include "data/builtin_config.h"

namespace zv {

const std::string_view builtinConfigText = R"({
  "serverName": "Demo Server",
  "updateUrl": "http://127.0.0.1:8080/update/",
  "newsUrl": "http://127.0.0.1:8080/news.json",
  "statusUrl": "http://127.0.0.1:8080/status.json",
  "statusHost": "",
  "statusPort": 0,
  "game": "system/L2.exe",
  "gameArgs": "",
  "options": "system/Option.ini",
  "language": "en",
  "theme": "classic",
  "mode": "dark",
  "closeOnPlay": true,
  "links": {
    "website": "http://127.0.0.1:8080/",
    "forum": "http://127.0.0.1:8080/forum/",
    "discord": "http://127.0.0.1:8080/discord/"
  },
  "publicKey": ""
}
)";

}  // namespace zv
