#pragma once
// The launcher's log, "ZarvoLauncher.log" in the client folder.

#include <filesystem>
#include <string_view>

namespace zv {

// Appends "YYYY-MM-DD hh:mm:ss  message\r\n" to logPath. The file is emptied
// first when it is larger than 256 KiB or its size cannot be read, so the log
// never grows without bound. Each call opens and closes the file; a failed
// open drops the line.
void writeLog(const std::filesystem::path& logPath, std::string_view message);

}  // namespace zv
