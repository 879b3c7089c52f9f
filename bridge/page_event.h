#pragma once
// One event on its way to the page: the compact JSON text the page gets and,
// for a job's events and the notices, the values it was made from, which a
// host that shows events its own way (the console) reads instead of parsing
// the text back. page_protocol.cpp makes both.

#include <string>
#include <variant>
#include <vector>

#include "updater/update_events.h"

namespace zv {

struct PhaseStart {
  std::string phase;
};

struct JobResult {
  bool ok = false;
  bool canPlay = false;
  std::string code;
  std::string detail;
  std::string build;  // the accepted manifest's build; empty when none
};

struct Notice {
  std::string code;
  std::string detail;
};

using AddonList = std::vector<AddonListEntry>;

// None for the events only the page shows (init, news, status, settings).
using EventValues = std::variant<std::monostate, PhaseStart, Progress, JobResult, Notice, AddonList>;

struct PageEvent {
  std::string json;
  EventValues values;
  std::string type;  // the event's "type", as in json
};

}  // namespace zv
