#include "net/status.h"

#include <chrono>
#include <thread>

#include "data/json.h"
#include "net/make_fetcher.h"
#include "platform/tcp_probe.h"

namespace zv {
namespace {

// The status document's answer, when it gives one: a JSON object. No
// byte-order mark is removed here; a document with one does not count.
bool statusFromDocument(Fetcher& fetcher, const std::string& url, ServerStatus& status) {
  std::string body;
  Failure failure;
  if (!fetcher.getText(url, body, failure)) return false;
  const Json document = Json::parse(body);
  if (!document.isObject()) return false;
  status = {true, document.get("online").boolOr(false), document.get("players").integerOr(-1)};
  return true;
}

}  // namespace

ServerStatus queryStatus(Fetcher& fetcher, const LauncherConfig& config) {
  ServerStatus status;
  if (!config.statusUrl.empty() && statusFromDocument(fetcher, config.statusUrl, status)) return status;
  if (!config.statusHost.empty() && config.statusPort > 0) {
    status = {true, probeTcp(config.statusHost, config.statusPort, kProbeTimeoutMs), -1};
  }
  return status;
}

void pollStatus(const LauncherConfig& config, const std::function<void(const ServerStatus&)>& report,
                const std::atomic<bool>& closing, const StatusPause& pause) {
  const std::unique_ptr<Fetcher> fetcher = makeFetcher();
  for (;;) {
    ServerStatus status;
    try {
      status = queryStatus(*fetcher, config);
    } catch (...) {
      // A fault in one query is one round without an answer; the next may have one.
    }
    report(status);
    for (unsigned step = 0; step < pause.steps && !closing.load(); ++step) {
      std::this_thread::sleep_for(std::chrono::milliseconds(pause.stepMs));
    }
    if (closing.load()) return;
  }
}

}  // namespace zv
