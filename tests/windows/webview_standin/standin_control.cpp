#include "tests/windows/webview_standin/standin_control.h"

#include <windows.h>

#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"
#include "webview/locator_rules.h"

namespace zv::test {

ScopedKey::~ScopedKey() {
  RegDeleteTreeW(root_, path_.c_str());
  RegDeleteKeyW(root_, path_.c_str());
}

void ScopedKey::set(const wchar_t* name, const std::wstring& text) const {
  ASSERT_EQ(RegSetKeyValueW(root_, path_.c_str(), name, REG_SZ, text.c_str(),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
}

void ScopedKey::set(const wchar_t* name, DWORD number) const {
  ASSERT_EQ(RegSetKeyValueW(root_, path_.c_str(), name, REG_DWORD, &number, sizeof(number)), ERROR_SUCCESS);
}

std::filesystem::path standInLibrary() { return ZV_STANDIN_DLL; }
std::filesystem::path noEntryLibrary() { return ZV_NO_ENTRY_DLL; }
std::filesystem::path standInBrowser() { return ZV_STANDIN_BROWSER; }

StandInBrowserFor::StandInBrowserFor(const wchar_t* scheme)
    : key_(std::wstring(L"Software\\Classes\\") + scheme + L"\\shell\\open\\command") {
  wchar_t old[1024] = {};
  DWORD size = sizeof(old);
  hadOld_ =
      RegGetValueW(HKEY_LOCAL_MACHINE, key_.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, old, &size) == ERROR_SUCCESS;
  old_ = old;
  set(L"\"" + standInBrowser().native() + L"\" \"%1\"");
}

StandInBrowserFor::~StandInBrowserFor() {
  if (hadOld_) set(old_);
  else RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key_.c_str(), nullptr);
}

void StandInBrowserFor::set(const std::wstring& command) const {
  RegSetKeyValueW(HKEY_LOCAL_MACHINE, key_.c_str(), nullptr, REG_SZ, command.c_str(),
                  static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
}

void installRuntime(const std::filesystem::path& runtimeFolder, const std::filesystem::path& library) {
  const std::filesystem::path target = clientLibraryPath(runtimeFolder);
  std::filesystem::create_directories(target.parent_path());
  std::filesystem::copy_file(library, target, std::filesystem::copy_options::overwrite_existing);
}

StandInChannel::StandInChannel(const std::filesystem::path& folder)
    : journal_(folder / "standin-journal.txt"), inbox_(folder / "standin-inbox") {
  std::filesystem::create_directories(inbox_);
  SetEnvironmentVariableW(L"ZV_STANDIN_JOURNAL", journal_.c_str());
  SetEnvironmentVariableW(L"ZV_STANDIN_INBOX", inbox_.c_str());
}

StandInChannel::~StandInChannel() {
  SetEnvironmentVariableW(L"ZV_STANDIN_JOURNAL", nullptr);
  SetEnvironmentVariableW(L"ZV_STANDIN_INBOX", nullptr);
}

void StandInChannel::send(std::string_view command) {
  char name[32];
  std::snprintf(name, sizeof(name), "%06d", ++sent_);
  const std::filesystem::path partial = inbox_ / (std::string(name) + ".part");
  writeFile(partial, command);
  std::filesystem::rename(partial, inbox_ / (std::string(name) + ".cmd"));
}

std::vector<std::string> StandInChannel::lines() const {
  std::vector<std::string> result;
  std::istringstream text(readFile(journal_));
  for (std::string line; std::getline(text, line);) result.push_back(line);
  if (result.size() == 1 && result[0] == "<missing>") result.clear();
  return result;
}

std::optional<std::string> StandInChannel::waitFor(std::string_view prefix, std::chrono::milliseconds limit,
                                                   size_t from) const {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (true) {
    const std::vector<std::string> all = lines();
    for (size_t i = from; i < all.size(); ++i) {
      if (all[i].starts_with(prefix)) return all[i];
    }
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace zv::test
