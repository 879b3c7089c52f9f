#include "platform/module_resource.h"

#include <windows.h>

namespace zv {

bool moduleResource(unsigned id, std::string_view& bytes) {
  bytes = {};
  // A resource of the image needs no release: LoadResource only hands out
  // the address of memory that the loader mapped with the executable.
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), RT_RCDATA);
  if (!found) return false;
  HGLOBAL loaded = LoadResource(nullptr, found);
  if (!loaded) return false;
  const DWORD size = SizeofResource(nullptr, found);
  const void* data = LockResource(loaded);
  if (!data && size != 0) return false;
  bytes = std::string_view(static_cast<const char*>(data), size);
  return true;
}

}  // namespace zv
