#include "platform/instance_lock.h"

#include <windows.h>

#include "platform/text_path.h"

namespace zv {

InstanceLock::~InstanceLock() { release(); }

bool InstanceLock::acquire(uint32_t hash, const std::filesystem::path&, unsigned waitMs) {
  release();
  const std::wstring name = L"Local\\" + pathFromUtf8(instanceLockName(hash)).native();
  HANDLE mutex = CreateMutexW(nullptr, TRUE, name.c_str());
  if (mutex == nullptr) return false;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    // Released by its holder, or abandoned by a process that ended: either
    // way this process owns it now.
    const DWORD result = waitMs > 0 ? WaitForSingleObject(mutex, waitMs) : WAIT_TIMEOUT;
    if (result != WAIT_OBJECT_0 && result != WAIT_ABANDONED) {
      CloseHandle(mutex);
      return false;
    }
  }
  handle_ = mutex;
  return true;
}

void InstanceLock::release() {
  if (handle_ == nullptr) return;
  ReleaseMutex(static_cast<HANDLE>(handle_));
  CloseHandle(static_cast<HANDLE>(handle_));
  handle_ = nullptr;
}

}  // namespace zv
