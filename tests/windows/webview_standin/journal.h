// The stand-in runtime's record of what the launcher asked of it: one line
// per call, appended and flushed at once so a test can read it while the
// launcher runs.
#pragma once

#include <string>
#include <string_view>

namespace zv::standin {

void journal(std::wstring_view line);
std::wstring hexNumber(unsigned long value);

}  // namespace zv::standin
