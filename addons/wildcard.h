#pragma once
// The one wildcard of clean-up patterns.

#include <string_view>

namespace zv {

// Whether name matches pattern, both compared without ASCII case: "*" stands
// for any run of characters, none included; every other character only for
// itself. There is no single-character wildcard.
bool wildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace zv
