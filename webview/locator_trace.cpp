#include "webview/locator_trace.h"

#include <windows.h>
#include <evntprov.h>

#include "webview/proc_address.h"

namespace zv {

namespace {

// The launcher's own provider id for the runtime locator.
constexpr GUID kProvider{0x6db26ac1, 0x6bb0, 0x44c2, {0xb9, 0xa9, 0xc1, 0x1c, 0x06, 0x44, 0xaa, 0x08}};

using EventRegisterFn = ULONG(WINAPI*)(LPCGUID, PENABLECALLBACK, PVOID, PREGHANDLE);
using EventProviderEnabledFn = BOOLEAN(WINAPI*)(REGHANDLE, UCHAR, ULONGLONG);
using EventWriteStringFn = ULONG(WINAPI*)(REGHANDLE, UCHAR, ULONGLONG, PCWSTR);
using EventUnregisterFn = ULONG(WINAPI*)(REGHANDLE);

constexpr UCHAR kLevelInformation = 4;

}  // namespace

void traceLocatorOutcome(const std::wstring& text) {
  // From the system folder only: a planted advapi32.dll beside the launcher
  // must not be loaded.
  HMODULE advapi = LoadLibraryExW(L"advapi32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!advapi) return;
  const auto reg = procAddress<EventRegisterFn>(advapi, "EventRegister");
  const auto enabled = procAddress<EventProviderEnabledFn>(advapi, "EventProviderEnabled");
  const auto write = procAddress<EventWriteStringFn>(advapi, "EventWriteString");
  const auto unreg = procAddress<EventUnregisterFn>(advapi, "EventUnregister");
  REGHANDLE handle = 0;
  if (reg && enabled && write && unreg && reg(&kProvider, nullptr, nullptr, &handle) == ERROR_SUCCESS) {
    if (enabled(handle, kLevelInformation, 0)) (void)write(handle, kLevelInformation, 0, text.c_str());
    (void)unreg(handle);
  }
  FreeLibrary(advapi);
}

}  // namespace zv
