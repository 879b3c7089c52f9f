#pragma once
// The two tasks that run beside the launcher for its whole life: the news
// fetch and the status poll. The host starts them once, when its page is
// first ready.

#include <atomic>

#include "data/launcher_config.h"
#include "net/page_event.h"

namespace zv {

// A news source is configured: newsUrl is not empty.
bool newsConfigured(const LauncherConfig& config);

// A status source is configured: statusUrl, or statusHost with a port above 0.
bool statusConfigured(const LauncherConfig& config);

// Starts fetchNews and pollStatus, each on a detached thread and only when
// its source is configured. The threads keep their own copies of config and
// post; closing is read until the status task ends, so it must live as long
// as the process. The process does not wait for these threads at exit.
void startBackgroundTasks(const LauncherConfig& config, const PostEvent& post, const std::atomic<bool>& closing);

}  // namespace zv
