#include "net/background_tasks.h"

#include <system_error>
#include <thread>

#include "net/make_fetcher.h"

namespace zv {
namespace {

// A thread that cannot be made, or a task that fails past its own failure
// path, only costs the page its news or status; the launcher works on
// without them.
void startDetached(std::function<void()> task) {
  try {
    std::thread([task = std::move(task)] {
      try {
        task();
      } catch (...) {
      }
    }).detach();
  } catch (const std::system_error&) {
  }
}

News newsOnce(const std::string& newsUrl) {
  try {
    return fetchNews(*makeFetcher(), newsUrl);
  } catch (...) {
    return {};
  }
}

}  // namespace

bool newsConfigured(const LauncherConfig& config) { return !config.newsUrl.empty(); }

bool statusConfigured(const LauncherConfig& config) {
  return !config.statusUrl.empty() || (!config.statusHost.empty() && config.statusPort > 0);
}

void startBackgroundTasks(const LauncherConfig& config, const BackgroundReports& reports,
                          const std::atomic<bool>& closing) {
  if (newsConfigured(config)) {
    startDetached([url = config.newsUrl, report = reports.news] { report(newsOnce(url)); });
  }
  if (statusConfigured(config)) {
    startDetached([config, report = reports.status, &closing] { pollStatus(config, report, closing); });
  }
}

}  // namespace zv
