#pragma once
// The host's half of the launcher's self-update: the downloaded launcher
// takes the running one's name, and the running one steps aside as ".old"
// (a running executable can be renamed, though not deleted, on Windows). The
// new launcher is started; if anything fails, the old one is put back.

#include <filesystem>
#include <functional>
#include <string>

#include "platform/process.h"

namespace zv {

using ProcessStartFn = std::function<bool(const ProcessCommand& command, StartError& error)>;

// Deletes a leftover ".old" launcher, moves the running one to ".old" and
// newLauncher to its name, and starts it with restart (whose program is
// launcherPath). True: the new launcher runs. False: launcherPath holds the
// old launcher again and newLauncher is gone.
[[nodiscard]] bool swapInNewLauncher(const std::filesystem::path& launcherPath,
                                     const std::filesystem::path& newLauncher, const ProcessCommand& restart,
                                     const ProcessStartFn& start);

// Removes the ".old" launcher a finished self-update left: up to 20 tries
// 150 ms apart, since the previous process may still be ending. Silent.
void removeOldLauncher(const std::filesystem::path& launcherPath);

}  // namespace zv
