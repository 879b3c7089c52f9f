// The test side of the stand-in WebView2 runtime: installing it where the
// runtime locator looks, sending it page-side commands and reading its
// journal.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zv::test {

// An environment variable set for one test (and the programs it starts).
class ScopedEnv {
 public:
  ScopedEnv(const wchar_t* name, const wchar_t* value) : name_(name) { SetEnvironmentVariableW(name, value); }
  ~ScopedEnv() { SetEnvironmentVariableW(name_, nullptr); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const wchar_t* name_;
};

// A registry key made for one test and removed with everything below it.
class ScopedKey {
 public:
  ScopedKey(HKEY root, std::wstring path) : root_(root), path_(std::move(path)) {}
  ~ScopedKey();
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;
  void set(const wchar_t* name, const std::wstring& text) const;
  void set(const wchar_t* name, DWORD number) const;

 private:
  HKEY root_;
  std::wstring path_;
};

// The stand-in browser as the default browser for a scheme ("https"), for one
// test. Wine reads the machine's classes only, so the machine's value is
// saved and put back.
class StandInBrowserFor {
 public:
  explicit StandInBrowserFor(const wchar_t* scheme);
  ~StandInBrowserFor();
  StandInBrowserFor(const StandInBrowserFor&) = delete;
  StandInBrowserFor& operator=(const StandInBrowserFor&) = delete;

 private:
  void set(const std::wstring& command) const;
  std::wstring key_;
  std::wstring old_;
  bool hadOld_ = false;
};

std::filesystem::path standInLibrary();  // the built stand-in runtime
std::filesystem::path noEntryLibrary();  // a library without the creation entry
std::filesystem::path standInBrowser();  // records the addresses it is asked to open

// Puts library at runtimeFolder\EBWebView\x86\EmbeddedBrowserWebView.dll.
void installRuntime(const std::filesystem::path& runtimeFolder,
                    const std::filesystem::path& library = standInLibrary());

// A journal file and an inbox folder inside folder; the process environment
// (inherited by a launcher started afterwards) points the stand-in at them.
class StandInChannel {
 public:
  explicit StandInChannel(const std::filesystem::path& folder);
  ~StandInChannel();
  StandInChannel(const StandInChannel&) = delete;
  StandInChannel& operator=(const StandInChannel&) = delete;

  // "message TEXT", "nonstring", "navigate URI", "newwindow URI".
  void send(std::string_view command);
  std::vector<std::string> lines() const;
  // The first journal line from index `from` on that starts with prefix,
  // waiting up to `limit` for it.
  std::optional<std::string> waitFor(std::string_view prefix, std::chrono::milliseconds limit, size_t from = 0) const;
  const std::filesystem::path& journal() const { return journal_; }

 private:
  std::filesystem::path journal_;
  std::filesystem::path inbox_;
  int sent_ = 0;
};

}  // namespace zv::test
