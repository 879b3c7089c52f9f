// Functions looked up at run time: newer than the oldest supported Windows,
// missing under Wine, or living in a library we load ourselves.
#pragma once

#include <windows.h>

namespace zv {

// The export as the given function pointer type, or null. The detour through
// void(*)() is the sanctioned way to change a function pointer's type.
template <typename Fn>
Fn procAddress(HMODULE module, const char* name) {
  if (!module) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

}  // namespace zv
