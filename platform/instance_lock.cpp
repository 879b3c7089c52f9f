#include "platform/instance_lock.h"

namespace zv {

std::string instanceLockName(uint32_t hash) { return "ZarvoLauncher_" + std::to_string(hash); }

}  // namespace zv
