#pragma once
// How background tasks hand a finished event to the host, which delivers it
// to the page on its own thread.

#include <functional>

#include "data/json.h"

namespace zv {

// Called from any thread with one complete event object ("type" first).
using PostEvent = std::function<void(const Json& event)>;

}  // namespace zv
