#pragma once
// The plain data of the job's one file pass: which phases it reports under,
// and what it did.

#include <string>
#include <vector>

#include "data/failure.h"

namespace zv {

struct PassPhases {
  // The phase of the check's progress events; empty: the check reports none.
  std::string check;
  // Announced before the first download; the downloads' progress phase.
  std::string download;
};

struct PassOutcome {
  // Manifest paths of the files the pass downloaded and installed.
  std::vector<std::string> downloaded;
  // The pass got as far as downloading: after a failure, client files may be
  // half replaced.
  bool downloading = false;
  Failure failure;
};

}  // namespace zv
