#pragma once

namespace zv::builder {

inline constexpr const char* kBuilderVersion = "1.0.0";

}  // namespace zv::builder
