#pragma once
// The running program's own data resources (RCDATA on Windows): the page's
// files, the UI pack and the built-in configuration travel inside the
// executable, so that one file is all a publisher ships.

#include <string_view>

namespace zv {

// The bytes of data resource id of the running executable. They belong to
// the loaded image and stay valid until the process ends; nothing is copied.
// False when the program carries no such resource (always elsewhere than
// Windows, where programs have no resources).
[[nodiscard]] bool moduleResource(unsigned id, std::string_view& bytes);

}  // namespace zv
