#pragma once
// The two tasks that run beside the launcher for its whole life: the news
// fetch and the status poll. The host starts them once, when its page is
// first ready.

#include <atomic>
#include <functional>

#include "data/launcher_config.h"
#include "net/news.h"
#include "net/status.h"

namespace zv {

// A news source is configured: newsUrl is not empty.
bool newsConfigured(const LauncherConfig& config);

// A status source is configured: statusUrl, or statusHost with a port above 0.
bool statusConfigured(const LauncherConfig& config);

// Where the tasks' answers go; called on the tasks' own threads.
struct BackgroundReports {
  std::function<void(const News& news)> news;
  std::function<void(const ServerStatus& status)> status;
};

// Starts the news fetch (one attempt) and pollStatus, each on a detached
// thread with a fetcher of its own and only when its source is configured.
// The threads keep their own copies of config and reports; closing is read
// until the status task ends, so it must live as long as the process. The
// process does not wait for these threads at exit. A news fetch that fails in
// any way, even by an exception, reports a failed fetch.
void startBackgroundTasks(const LauncherConfig& config, const BackgroundReports& reports,
                          const std::atomic<bool>& closing);

}  // namespace zv
