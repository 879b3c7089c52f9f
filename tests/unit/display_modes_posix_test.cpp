// The display modes on POSIX systems, with a stand-in xrandr first in PATH.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/display_modes.h"
#include "tests/support/temp_dir.h"

namespace zv {
namespace {

using test::TempDir;
using test::writeFile;

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class DisplayModesTest : public ::testing::Test {
 protected:
  void fakeXrandr(const std::string& script) {
    writeFile(bin / "xrandr", "#!/bin/sh\n" + script);
    std::filesystem::permissions(bin / "xrandr", std::filesystem::perms::owner_all);
  }
  bool ran() const { return std::filesystem::exists(bin / "ran"); }

  TempDir bin;
  ScopedEnv path{"PATH", bin.path().c_str()};
};

bool hasSize(const std::vector<DisplayMode>& modes, int32_t width, int32_t height) {
  for (const DisplayMode& mode : modes) {
    if (mode.width == width && mode.height == height) return true;
  }
  return false;
}

TEST_F(DisplayModesTest, ModesComeFromXrandrWhenThereIsADisplay) {
  ScopedEnv display("DISPLAY", ":5");
  fakeXrandr("[ \"$1\" = --query ] || exit 1\n"
             "echo 'Screen 0: minimum 1 x 1, current 1366 x 768, maximum 4096 x 4096'\n"
             "echo 'LVDS connected primary 1366x768+0+0 0mm x 0mm'\n"
             "echo '   1366x768      60.00*+'\n"
             "echo '   1024x600      60.00'\n");
  const std::vector<DisplayMode> modes = listDisplayModes();
  ASSERT_EQ(modes.size(), 2u);
  EXPECT_TRUE(hasSize(modes, 1366, 768));
  EXPECT_TRUE(hasSize(modes, 1024, 600));
}

TEST_F(DisplayModesTest, CommonSizesWhenXrandrCannotTell) {
  ScopedEnv display("DISPLAY", ":5");
  // Not installed.
  std::vector<DisplayMode> modes = listDisplayModes();
  EXPECT_TRUE(hasSize(modes, 1920, 1080));
  EXPECT_TRUE(hasSize(modes, 800, 600));
  // Fails, or answers with output that has no modes.
  fakeXrandr("echo 'LVDS connected primary'; echo '   640x400 60.00'; exit 1\n");
  EXPECT_TRUE(hasSize(listDisplayModes(), 1920, 1080));
  fakeXrandr("echo \"Can't open display\"\n");
  EXPECT_TRUE(hasSize(listDisplayModes(), 1920, 1080));
}

TEST_F(DisplayModesTest, NoDisplayMeansXrandrIsNotAsked) {
  ScopedEnv display("DISPLAY", nullptr);
  fakeXrandr(": > \"${0%/*}/ran\"\n");
  EXPECT_TRUE(hasSize(listDisplayModes(), 1920, 1080));
  EXPECT_FALSE(ran());
  ScopedEnv empty("DISPLAY", "");
  EXPECT_TRUE(hasSize(listDisplayModes(), 1920, 1080));
  EXPECT_FALSE(ran());
}

TEST_F(DisplayModesTest, XrandrThatNeverAnswersIsAbandoned) {
  ScopedEnv display("DISPLAY", ":5");
  fakeXrandr("echo 'LVDS connected primary'\nexec /bin/sleep 600\n");
  EXPECT_TRUE(hasSize(listDisplayModes(), 1920, 1080));
}

}  // namespace
}  // namespace zv
