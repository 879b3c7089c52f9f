// Reads RCDATA resources of another executable the way the Windows launcher
// reads its built-in configuration, and compares them with files:
//   resource_probe EXE ID FILE [ID FILE ...]
// Exit code 0 when every resource holds exactly the file's bytes and the
// executable's header checksum is the one Windows computes.

#include <windows.h>
#include <imagehlp.h>

#include <cstdio>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <string>

namespace {

struct ModuleOwner {
  HMODULE module;
  ~ModuleOwner() {
    if (module) FreeLibrary(module);
  }
};

std::string fileBytes(const wchar_t* path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4 || argc % 2 != 0) {
    std::fputs("usage: resource_probe EXE ID FILE [ID FILE ...]\n", stderr);
    return 2;
  }
  const ModuleOwner owner{LoadLibraryExW(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE)};
  if (!owner.module) {
    std::fprintf(stderr, "cannot load %ls as data: error %lu\n", argv[1], GetLastError());
    return 1;
  }
  int failures = 0;
  DWORD headerSum = 0;
  DWORD computedSum = 0;
  if (MapFileAndCheckSumW(argv[1], &headerSum, &computedSum) != CHECKSUM_SUCCESS || headerSum != computedSum) {
    std::fprintf(stderr, "checksum %08lx in the header, %08lx computed\n", headerSum, computedSum);
    ++failures;
  }
  for (int i = 2; i + 1 < argc; i += 2) {
    const WORD id = static_cast<WORD>(std::wcstoul(argv[i], nullptr, 10));
    HRSRC found = FindResourceW(owner.module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));
    HGLOBAL loaded = found ? LoadResource(owner.module, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) {
      std::fprintf(stderr, "RCDATA %u: not found\n", id);
      ++failures;
      continue;
    }
    const std::string actual(static_cast<const char*>(data), SizeofResource(owner.module, found));
    if (actual != fileBytes(argv[i + 1])) {
      std::fprintf(stderr, "RCDATA %u: %zu bytes that differ from %ls\n", id, actual.size(), argv[i + 1]);
      ++failures;
      continue;
    }
    std::printf("RCDATA %u: %zu bytes as expected\n", id, actual.size());
  }
  return failures == 0 ? 0 : 1;
}
