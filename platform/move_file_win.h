#pragma once
// Moving a file on Windows past a short hold on it. Included by _win.cpp
// files only.

#include <windows.h>

#include <filesystem>

namespace zv::detail {

// MoveFileExW(from, to, flags), tried again for about a second while the
// failure is one that a program holding either file for a moment (an
// antivirus or the search indexer scanning a file just written) causes.
// On failure GetLastError is the last attempt's.
[[nodiscard]] bool moveFilePastShortHolds(const std::filesystem::path& from, const std::filesystem::path& to,
                                          DWORD flags);

}  // namespace zv::detail
