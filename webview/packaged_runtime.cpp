#include "webview/packaged_runtime.h"

#include <windows.h>

#include <cstdint>
#include <vector>

#include "webview/proc_address.h"

namespace zv {

namespace {

// Declarations from the documented package API (appmodel.h), which our
// toolchain's headers lack. The x86 layout packs these to 4 bytes.
#if defined(__i386__)
#pragma pack(push, 4)
#endif
struct PackageId {
  UINT32 reserved;
  UINT32 processorArchitecture;
  UINT64 version;  // revision, build, minor, major: 16 bits each from the low end
  PWSTR name;
  PWSTR publisher;
  PWSTR resourceId;
  PWSTR publisherId;
};
struct PackageInfo {
  UINT32 reserved;
  UINT32 flags;
  PWSTR path;
  PWSTR packageFullName;
  PWSTR packageFamilyName;
  PackageId packageId;
};
#if defined(__i386__)
#pragma pack(pop)
#endif

using TryCreatePackageDependencyFn = HRESULT(WINAPI*)(PSID user, PCWSTR family, UINT64 minVersion,
                                                      int architectures, int lifetimeKind, PCWSTR lifetimeArtifact,
                                                      int options, PWSTR* dependencyId);
using AddPackageDependencyFn = HRESULT(WINAPI*)(PCWSTR dependencyId, INT32 rank, int options, void** context,
                                                PWSTR* packageFullName);
using GetCurrentPackageInfoFn = LONG(WINAPI*)(UINT32 flags, UINT32* bufferLength, BYTE* buffer, UINT32* count);

constexpr UINT32 kPackageFilterHead = 0x10;
constexpr UINT32 kPackageFilterDirect = 0x20;
constexpr UINT32 kPackageInformationFull = 0x100;
constexpr UINT32 kPackageFilterDynamic = 0x100000;

std::wstring versionText(UINT64 version) {
  std::wstring text;
  for (int shift = 48; shift >= 0; shift -= 16) {
    text += std::to_wstring((version >> shift) & 0xFFFF);
    if (shift) text += L'.';
  }
  return text;
}

}  // namespace

bool findPackagedRuntime(const wchar_t* packageFamily, PackagedRuntime& runtime) {
  HMODULE kernelbase = GetModuleHandleW(L"kernelbase.dll");
  if (!kernelbase) return false;
  const auto tryCreate =
      procAddress<TryCreatePackageDependencyFn>(kernelbase, "TryCreatePackageDependency");
  const auto add = procAddress<AddPackageDependencyFn>(kernelbase, "AddPackageDependency");
  const auto packageInfo =
      procAddress<GetCurrentPackageInfoFn>(kernelbase, "GetCurrentPackageInfo");
  if (!tryCreate || !add || !packageInfo) return false;

  // A process-lifetime dependency: it ends with the launcher.
  PWSTR dependencyId = nullptr;
  if (FAILED(tryCreate(nullptr, packageFamily, 0, 0, 0, nullptr, 0, &dependencyId)) || !dependencyId) return false;
  void* context = nullptr;
  PWSTR fullName = nullptr;
  const HRESULT added = add(dependencyId, 0, 0, &context, &fullName);
  HeapFree(GetProcessHeap(), 0, dependencyId);
  if (fullName) HeapFree(GetProcessHeap(), 0, fullName);
  if (FAILED(added)) return false;

  const UINT32 flags = kPackageFilterHead | kPackageFilterDirect | kPackageFilterDynamic | kPackageInformationFull;
  UINT32 length = 0;
  UINT32 count = 0;
  if (packageInfo(flags, &length, nullptr, &count) != ERROR_INSUFFICIENT_BUFFER || length == 0) return false;
  std::vector<BYTE> buffer(length);
  if (packageInfo(flags, &length, buffer.data(), &count) != ERROR_SUCCESS) return false;
  const auto* packages = reinterpret_cast<const PackageInfo*>(buffer.data());
  for (UINT32 i = 0; i < count; ++i) {
    const PackageInfo& package = packages[i];
    if (package.packageFamilyName && package.path &&
        CompareStringOrdinal(package.packageFamilyName, -1, packageFamily, -1, TRUE) == CSTR_EQUAL) {
      runtime.folder = package.path;
      runtime.version = versionText(package.packageId.version);
      return true;
    }
  }
  return false;
}

}  // namespace zv
