#include "platform/clock.h"

#include <ctime>

namespace zv {

LocalTime localNow() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  return {static_cast<unsigned>(parts.tm_year + 1900), static_cast<unsigned>(parts.tm_mon + 1),
          static_cast<unsigned>(parts.tm_mday),        static_cast<unsigned>(parts.tm_hour),
          static_cast<unsigned>(parts.tm_min),         static_cast<unsigned>(parts.tm_sec)};
}

double monotonicSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

}  // namespace zv
