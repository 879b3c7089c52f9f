#include "net/status.h"

#include <chrono>
#include <thread>

#include "net/make_fetcher.h"
#include "platform/tcp_probe.h"

namespace zv {
namespace {

// The status document's answer, when it gives one: a JSON object. No
// byte-order mark is removed here; a document with one does not count.
bool statusFromDocument(Fetcher& fetcher, const std::string& url, Json& event) {
  std::string body;
  Failure failure;
  if (!fetcher.getText(url, body, failure)) return false;
  const Json document = Json::parse(body);
  if (!document.isObject()) return false;
  event.set("online", document.get("online").boolOr(false));
  event.set("players", document.get("players").integerOr(-1));
  return true;
}

}  // namespace

Json queryStatusEvent(Fetcher& fetcher, const LauncherConfig& config, unsigned probeTimeoutMs) {
  Json event = Json::object();
  event.set("type", "status");
  if (!config.statusUrl.empty() && statusFromDocument(fetcher, config.statusUrl, event)) return event;
  if (!config.statusHost.empty() && config.statusPort > 0) {
    event.set("online", probeTcp(config.statusHost, config.statusPort, probeTimeoutMs));
    event.set("players", -1);
  } else {
    event.set("online", Json());
  }
  return event;
}

void pollStatus(const LauncherConfig& config, const PostEvent& post, const std::atomic<bool>& closing,
                const StatusPause& pause) {
  const std::unique_ptr<Fetcher> fetcher = makeFetcher();
  for (;;) {
    post(queryStatusEvent(*fetcher, config));
    for (unsigned step = 0; step < pause.steps && !closing.load(); ++step) {
      std::this_thread::sleep_for(std::chrono::milliseconds(pause.stepMs));
    }
    if (closing.load()) return;
  }
}

}  // namespace zv
