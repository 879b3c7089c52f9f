// The test side of the stand-in WebView2 runtime: installing it where the
// runtime locator looks, sending it page-side commands and reading its
// journal.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zv::test {

std::filesystem::path standInLibrary();  // the built stand-in runtime
std::filesystem::path noEntryLibrary();  // a library without the creation entry

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
