#include "platform/log.h"

#include <cstdio>
#include <string>
#include <system_error>

#include "platform/clock.h"
#include "platform/file.h"

namespace zv {

namespace {
constexpr uint64_t kLogLimit = 262144;
}

void writeLog(const std::filesystem::path& logPath, std::string_view message) {
  std::error_code ec;
  File::Mode mode = File::Mode::Append;
  if (std::filesystem::exists(logPath, ec)) {
    const auto size = std::filesystem::file_size(logPath, ec);
    if (ec || size > kLogLimit) mode = File::Mode::Truncate;
  }
  File file;
  std::string error;
  if (!file.open(logPath, mode, error)) return;
  const LocalTime t = localNow();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u  ", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  std::string line = stamp;
  line.append(message);
  line += "\r\n";
  (void)file.write(line, error);
}

}  // namespace zv
