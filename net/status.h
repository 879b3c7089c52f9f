#pragma once
// Whether the game server is up, and how many play: asked once a minute
// from the status document, else by knocking on the game server's port.

#include <atomic>
#include <cstdint>
#include <functional>

#include "data/launcher_config.h"
#include "net/fetcher.h"

namespace zv {

// How long a probe may wait for the game server's port to answer.
inline constexpr unsigned kProbeTimeoutMs = 3000;

struct ServerStatus {
  bool known = false;  // false: no source answered
  bool online = false;
  int64_t players = -1;  // -1: the count is not available

  bool operator==(const ServerStatus&) const = default;
};

// One status query: from statusUrl when it answers with a JSON object
// (online only for true, players the number truncated, else -1); otherwise
// from a probe of statusHost:statusPort when configured (players -1);
// otherwise not known.
ServerStatus queryStatus(Fetcher& fetcher, const LauncherConfig& config);

// The pause between two queries: steps of stepMs, at most `steps` of them,
// each preceded by a look at the closing flag. Tests shorten it.
struct StatusPause {
  unsigned stepMs = 500;
  unsigned steps = 120;
};

// The status task: queries at once and then after every pause, with one
// fetcher of its own, reporting each answer, until closing is set. Returns
// within one pause step of closing being set, or after the running query. A
// query that fails in any way reports the status as not known.
void pollStatus(const LauncherConfig& config, const std::function<void(const ServerStatus&)>& report,
                const std::atomic<bool>& closing, const StatusPause& pause = {});

}  // namespace zv
