#include "net/background_tasks.h"

#include <functional>
#include <system_error>
#include <thread>

#include "net/news.h"
#include "net/status.h"

namespace zv {
namespace {

// A thread that cannot be made only costs the page its news or status; the
// launcher works on without them.
void startDetached(std::function<void()> task) {
  try {
    std::thread(std::move(task)).detach();
  } catch (const std::system_error&) {
  }
}

}  // namespace

bool newsConfigured(const LauncherConfig& config) { return !config.newsUrl.empty(); }

bool statusConfigured(const LauncherConfig& config) {
  return !config.statusUrl.empty() || (!config.statusHost.empty() && config.statusPort > 0);
}

void startBackgroundTasks(const LauncherConfig& config, const PostEvent& post, const std::atomic<bool>& closing) {
  if (newsConfigured(config)) startDetached([config, post] { fetchNews(config, post); });
  if (statusConfigured(config)) startDetached([config, post, &closing] { pollStatus(config, post, closing); });
}

}  // namespace zv
