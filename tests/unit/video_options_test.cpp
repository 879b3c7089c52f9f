#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "data/json.h"
#include "data/launcher_config.h"
#include "data/video_options.h"
#include "data/video_settings.h"
#include "platform/display_modes.h"
#include "platform/file.h"
#include "platform/text_path.h"
#include "tests/support/temp_dir.h"

namespace zv {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

VideoOptions read(const std::string& text) {
  VideoOptions options;
  applyVideoOptionsText(text, options);
  return options;
}

const VideoOptions fullHd{false, 1920, 1080};

TEST(VideoOptionsRead, TakesTheThreeKeysOfTheVideoSection) {
  EXPECT_EQ(read(""), VideoOptions{});
  EXPECT_EQ(read("[Video]\nGamePlayViewportX=1920\nGamePlayViewportY=1080\nStartupFullScreen=True\n"), fullHd);
  // Keys, values and the header in any case and with blanks around them.
  EXPECT_EQ(read("  [VIDEO] \t\r\n\tgameplayviewportx =\t1920 \r\n GAMEPLAYVIEWPORTY= 1080\r\nstartupfullscreen=TRUE"),
            fullHd);
  EXPECT_TRUE(read("[Video]\nStartupFullScreen=1\n").windowed);
  EXPECT_TRUE(read("[Video]\nStartupFullScreen=yes\n").windowed);
  EXPECT_FALSE(read("[Video]\nStartupFullScreen=true\n").windowed);
  // Later lines win.
  EXPECT_EQ(read("[Video]\nGamePlayViewportX=800\nGamePlayViewportX=1280\n").width, 1280);
  EXPECT_EQ(read("[Video]\nGamePlayViewportX=800\n[Video]\nGamePlayViewportX=1280\n").width, 1280);
}

TEST(VideoOptionsRead, IgnoresKeysOutsideTheVideoSection) {
  EXPECT_EQ(read("GamePlayViewportX=800\n[Sound]\nGamePlayViewportX=640\n[Video] ; x\nGamePlayViewportY=480\n"),
            VideoOptions{});
  EXPECT_EQ(read("[Video]\nGamePlayViewportX=800\n[Sound]\nGamePlayViewportX=640\n").width, 800);
  EXPECT_EQ(read("[Video]\n; GamePlayViewportX=800\nGamePlayViewportX\nGamePlayViewportY 900\n"), VideoOptions{});
}

TEST(VideoOptionsRead, NumbersFollowAtoi) {
  auto width = [](const std::string& value) { return read("[Video]\nGamePlayViewportX=" + value + "\n").width; };
  EXPECT_EQ(width("1280px"), 1280);
  EXPECT_EQ(width("+1280"), 1280);
  EXPECT_EQ(width("-5"), -5);
  EXPECT_EQ(width("\v12"), 12);
  EXPECT_EQ(width("wide"), 0);
  EXPECT_EQ(width(""), 0);
  EXPECT_EQ(width("- 5"), 0);
  EXPECT_EQ(width("12 34"), 12);
  EXPECT_EQ(width("99999999999999999999"), 2147483647);
  EXPECT_EQ(width("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(width("-99999999999999999999"), -2147483647 - 1);
}

TEST(VideoOptionsRewrite, NewSectionGoesOnTop) {
  EXPECT_EQ(rewriteVideoOptionsText("[Sound]\nVolume=5\n", VideoOptions{}),
            "[Video]\r\nGamePlayViewportX=1024\r\nGamePlayViewportY=768\r\nStartupFullScreen=False\r\n"
            "[Sound]\r\nVolume=5\r\n");
  // A missing or empty file gets no final line break.
  EXPECT_EQ(rewriteVideoOptionsText("", fullHd),
            "[Video]\r\nGamePlayViewportX=1920\r\nGamePlayViewportY=1080\r\nStartupFullScreen=True");
}

TEST(VideoOptionsRewrite, NewSectionNeverTakesInLinesWithoutASection) {
  // Comments and blank lines before the first section may end up inside the new one.
  EXPECT_EQ(rewriteVideoOptionsText("; options\n\n[Sound]\n", fullHd),
            "[Video]\r\nGamePlayViewportX=1920\r\nGamePlayViewportY=1080\r\nStartupFullScreen=True\r\n"
            "; options\r\n\r\n[Sound]\r\n");
  // Settings there must not: the new section starts at the first header instead.
  EXPECT_EQ(rewriteVideoOptionsText("Gamma=1\n# note\n[Sound]\n", fullHd),
            "Gamma=1\r\n# note\r\n[Video]\r\nGamePlayViewportX=1920\r\nGamePlayViewportY=1080\r\n"
            "StartupFullScreen=True\r\n[Sound]\r\n");
  // Otherwise a stale key there would override the value just written.
  const std::string rewritten = rewriteVideoOptionsText("GamePlayViewportY=5\n", fullHd);
  EXPECT_EQ(rewritten, "GamePlayViewportY=5\r\n[Video]\r\nGamePlayViewportX=1920\r\nGamePlayViewportY=1080\r\n"
                       "StartupFullScreen=True\r\n");
  EXPECT_EQ(read(rewritten), fullHd);
}

TEST(VideoOptionsRewrite, ExistingKeysInPlaceMissingOnesAfterTheLastLine) {
  EXPECT_EQ(rewriteVideoOptionsText("[Video]\nGamePlayViewportX = 800\nStartupFullScreen=false\n[Other]\n", fullHd),
            "[Video]\r\nGamePlayViewportX=1920\r\nStartupFullScreen=True\r\nGamePlayViewportY=1080\r\n[Other]\r\n");
  // Indentation and spacing of a rewritten key are dropped; other keys are kept byte for byte.
  EXPECT_EQ(rewriteVideoOptionsText("[video]\r\n  gameplayviewporty\t=  5 \r\n Gamma = 1.5 \r\n", fullHd),
            "[video]\r\nGamePlayViewportY=1080\r\n Gamma = 1.5 \r\nGamePlayViewportX=1920\r\n"
            "StartupFullScreen=True\r\n");
  // Every line with one of the keys is rewritten.
  EXPECT_EQ(rewriteVideoOptionsText("[Video]\nStartupFullScreen=1\nStartupFullScreen=2\n"
                                    "GamePlayViewportX=1\nGamePlayViewportY=2\n",
                                    VideoOptions{true, -1, 0}),
            "[Video]\r\nStartupFullScreen=False\r\nStartupFullScreen=False\r\n"
            "GamePlayViewportX=-1\r\nGamePlayViewportY=0\r\n");
}

TEST(VideoOptionsRewrite, BlankLinesBeforeTheNextSectionStay) {
  EXPECT_EQ(rewriteVideoOptionsText("[Video]\nGamma=1\n\n\n[Sound]\nVolume=5", fullHd),
            "[Video]\r\nGamma=1\r\nGamePlayViewportX=1920\r\nGamePlayViewportY=1080\r\nStartupFullScreen=True\r\n"
            "\r\n\r\n[Sound]\r\nVolume=5\r\n");
  // An empty section at the end of the file: the keys follow the header, the blanks stay after them.
  EXPECT_EQ(rewriteVideoOptionsText("; top\n[Video]\n \t\n", fullHd),
            "; top\r\n[Video]\r\nGamePlayViewportX=1920\r\nGamePlayViewportY=1080\r\nStartupFullScreen=True\r\n"
            " \t\r\n");
}

TEST(VideoOptionsRewrite, LineEndsBecomeCrLf) {
  const std::string expected = "[Video]\r\nGamePlayViewportX=1920\r\nGamePlayViewportY=1080\r\nStartupFullScreen=True\r\n";
  EXPECT_EQ(rewriteVideoOptionsText("[Video]\nGamePlayViewportX=1\nGamePlayViewportY=2\nStartupFullScreen=3\n", fullHd),
            expected);
  EXPECT_EQ(rewriteVideoOptionsText("[Video]\r\nGamePlayViewportX=1\r\nGamePlayViewportY=2\nStartupFullScreen=3",
                                    fullHd),
            expected);
  // Only one CR before an LF belongs to the line end; a CR inside a line is content.
  EXPECT_EQ(rewriteVideoOptionsText("[S]\na\r\r\nb\rc\n", fullHd),
            "[Video]\r\nGamePlayViewportX=1920\r\nGamePlayViewportY=1080\r\nStartupFullScreen=True\r\n"
            "[S]\r\na\r\r\nb\rc\r\n");
}

TEST(VideoOptionsRewrite, KeysOfOtherSectionsAreNotTouched) {
  EXPECT_EQ(rewriteVideoOptionsText("[Sound]\nGamePlayViewportX=5\n[Video]\nStartupFullScreen=False\n", fullHd),
            "[Sound]\r\nGamePlayViewportX=5\r\n[Video]\r\nStartupFullScreen=True\r\n"
            "GamePlayViewportX=1920\r\nGamePlayViewportY=1080\r\n");
  // "[Video] ; x" is another section, so a section of our own goes on top.
  EXPECT_EQ(rewriteVideoOptionsText("[Video] ; x\nGamePlayViewportX=5\n", fullHd),
            "[Video]\r\nGamePlayViewportX=1920\r\nGamePlayViewportY=1080\r\nStartupFullScreen=True\r\n"
            "[Video] ; x\r\nGamePlayViewportX=5\r\n");
}

TEST(VideoOptionsRewrite, MissingKeysGoIntoTheLastVideoSection) {
  EXPECT_EQ(rewriteVideoOptionsText("[Video]\nGamePlayViewportX=1\n[Sound]\n[Video]\nGamma=2\n\n[End]\n", fullHd),
            "[Video]\r\nGamePlayViewportX=1920\r\n[Sound]\r\n[Video]\r\nGamma=2\r\n"
            "GamePlayViewportY=1080\r\nStartupFullScreen=True\r\n\r\n[End]\r\n");
}

TEST(VideoOptionsFile, ReadFailsOnlyWhenTheFileCannotBeRead) {
  TempDir dir;
  VideoOptions options = fullHd;
  EXPECT_FALSE(readVideoOptions(dir / "none.ini", options));
  EXPECT_EQ(options, fullHd) << "a failed read leaves the values alone";
  writeFile(dir / "o.ini", "[Video]\nGamePlayViewportY=900\n");
  EXPECT_TRUE(readVideoOptions(dir / "o.ini", options));
  EXPECT_EQ(options, (VideoOptions{false, 1920, 900}));
}

TEST(VideoOptionsFile, WriteCreatesTheFileAndItsFolder) {
  TempDir dir;
  ASSERT_TRUE(writeVideoOptions(dir / "system/Option.ini", fullHd));
  EXPECT_EQ(readFile(dir / "system/Option.ini"),
            "[Video]\r\nGamePlayViewportX=1920\r\nGamePlayViewportY=1080\r\nStartupFullScreen=True");
  writeFile(dir / "o.ini", "[Video]\nGamePlayViewportX=800");
  ASSERT_TRUE(writeVideoOptions(dir / "o.ini", fullHd));
  EXPECT_EQ(readFile(dir / "o.ini"),
            "[Video]\r\nGamePlayViewportX=1920\r\nGamePlayViewportY=1080\r\nStartupFullScreen=True\r\n");
  // A folder in the file's place (with content, so it cannot simply be removed).
  writeFile(dir / "folder.ini/inside", "x");
  EXPECT_FALSE(writeVideoOptions(dir / "folder.ini", fullHd));
  // A file that is there but cannot be read (here: longer than a text file may be) keeps all it holds.
  const std::string unreadable(kMaxTextFileBytes + 1, ';');
  writeFile(dir / "big.ini", unreadable);
  EXPECT_FALSE(writeVideoOptions(dir / "big.ini", fullHd));
  EXPECT_TRUE(readFile(dir / "big.ini") == unreadable);
}

// The game saves its options as UTF-16 once a value needs a character outside
// the ANSI code page, a text editor may put the UTF-8 mark in front: such a
// file is read, and written back with its mark.
TEST(VideoOptionsFile, AFileKeepsItsByteOrderMark) {
  const auto utf16 = [](std::string_view text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : utf8ToUtf16(text)) {
      bytes.append({static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)});
    }
    return bytes;
  };
  TempDir dir;
  const std::string chat = "[Chat]\r\nName=\u0104\u017Euolas \U0001F600\r\n";
  writeFile(dir / "o.ini", utf16("[Video]\r\nGamePlayViewportX=800\r\n" + chat));
  VideoOptions options;
  ASSERT_TRUE(readVideoOptions(dir / "o.ini", options));
  EXPECT_EQ(options.width, 800);
  ASSERT_TRUE(writeVideoOptions(dir / "o.ini", fullHd));
  EXPECT_EQ(readFile(dir / "o.ini"),
            utf16("[Video]\r\nGamePlayViewportX=1920\r\nGamePlayViewportY=1080\r\nStartupFullScreen=True\r\n" + chat));
  // Not UTF-16 after all (a lone surrogate): left as it is.
  writeFile(dir / "o.ini", std::string("\xFF\xFE[\0\x00\xDC", 6));
  EXPECT_FALSE(writeVideoOptions(dir / "o.ini", fullHd));
  EXPECT_EQ(readFile(dir / "o.ini"), std::string("\xFF\xFE[\0\x00\xDC", 6));
  writeFile(dir / "o.ini", "\xEF\xBB\xBF[Video]\r\nGamePlayViewportX=800\r\n");
  ASSERT_TRUE(readVideoOptions(dir / "o.ini", options));
  EXPECT_EQ(options.width, 800);
  ASSERT_TRUE(writeVideoOptions(dir / "o.ini", fullHd));
  EXPECT_EQ(readFile(dir / "o.ini"),
            "\xEF\xBB\xBF[Video]\r\nGamePlayViewportX=1920\r\nGamePlayViewportY=1080\r\nStartupFullScreen=True\r\n");
}

TEST(VideoOptionsFile, PathComesFromTheConfiguration) {
  LauncherConfig config;
  const std::filesystem::path client = "client";
  EXPECT_EQ(videoOptionsPath(config, client), client / "system" / "Option.ini");
  config.options = "";
  EXPECT_TRUE(videoOptionsPath(config, client).empty());
  config.options = "../Option.ini";
  EXPECT_TRUE(videoOptionsPath(config, client).empty());
}

TEST(Resolutions, FilteredDistinctAndSorted) {
  const std::vector<DisplayMode> modes = {
      {1920, 1080, 32}, {1920, 1080, 32}, {1024, 768, 16}, {1280, 1024, 32}, {1280, 720, 32},
      {799, 600, 32},   {800, 599, 32},   {800, 600, 32},  {2560, 1440, 24}, {3840, 2160, 64},
  };
  EXPECT_EQ(resolutionsFromModes(modes, 1920, 1080),
            (std::vector<Resolution>{{800, 600}, {1280, 720}, {1280, 1024}, {1920, 1080}, {3840, 2160}}));
  // The current size is always offered, even one the screen lacks or a nonsense one.
  EXPECT_EQ(resolutionsFromModes(modes, 1024, 768),
            (std::vector<Resolution>{{800, 600}, {1024, 768}, {1280, 720}, {1280, 1024}, {1920, 1080}, {3840, 2160}}));
  EXPECT_EQ(resolutionsFromModes({}, 0, -3), (std::vector<Resolution>{{0, -3}}));
}

TEST(Xrandr, ModesOfThePrimaryOutput) {
  const std::string output =
      "Screen 0: minimum 320 x 200, current 3840 x 1080, maximum 16384 x 16384\n"
      "HDMI-1 connected 1920x1080+1920+0 (normal left inverted right x axis y axis) 527mm x 296mm\n"
      "   1920x1080     60.00*+  50.00    59.94  \n"
      "   1280x720      60.00    50.00  \n"
      "eDP-1 connected primary 1920x1080+0+0 (normal left inverted right x axis y axis) 344mm x 193mm\n"
      "   2560x1600     60.00 +\n"
      "   1920x1080i    60.00*\n"
      "   1600x900_60.00  59.82\n"
      "DP-1 disconnected (normal left inverted right x axis y axis)\n"
      "   1024x768      60.00\n";
  const std::vector<DisplayMode> modes = parseXrandrModes(output);
  ASSERT_EQ(modes.size(), 3u);
  EXPECT_EQ(modes[0].width, 2560);
  EXPECT_EQ(modes[0].height, 1600);
  EXPECT_EQ(modes[0].bitsPerPixel, 32);
  EXPECT_EQ(modes[1].width, 1920);
  EXPECT_EQ(modes[1].height, 1080);
  EXPECT_EQ(modes[2].width, 1600);
  EXPECT_EQ(modes[2].height, 900);
}

TEST(Xrandr, FirstConnectedOutputWithoutAPrimary) {
  const std::string output =
      "Screen 0: minimum 1 x 1, current 1024 x 768, maximum 1024 x 768\n"
      "VGA-0 disconnected\n"
      "   640x480       60.00\n"
      "default connected 1024x768+0+0 0mm x 0mm\n"
      "   1024x768      0.00*\n"
      "other connected 800x600+0+0 0mm x 0mm\n"
      "   800x600      0.00*\n";
  const std::vector<DisplayMode> modes = parseXrandrModes(output);
  ASSERT_EQ(modes.size(), 1u);
  EXPECT_EQ(modes[0].width, 1024);
  EXPECT_TRUE(parseXrandrModes("").empty());
  EXPECT_TRUE(parseXrandrModes("Can't open display\n").empty());
  EXPECT_TRUE(parseXrandrModes("x connected\n   99999999999x5\n   x5\n   5x\n").empty());
}

class SettingsTest : public ::testing::Test {
 protected:
  std::filesystem::path ini() const { return dir / "system/Option.ini"; }
  bool save(std::optional<bool> windowed, std::optional<int64_t> width, std::optional<int64_t> height) {
    return saveVideoChoice(ini(), VideoChoice{windowed, width, height});
  }
  VideoOptions stored() const {
    VideoOptions options{false, 1, 1};
    EXPECT_TRUE(readVideoOptions(ini(), options));
    return options;
  }

  TempDir dir;
};

TEST_F(SettingsTest, ReadingGivesTheStoredOptionsAndTheSizes) {
  const std::vector<DisplayMode> modes = {{1920, 1080, 32}, {1280, 720, 32}};
  VideoSettings settings = readVideoSettings(ini(), modes);
  EXPECT_EQ(settings.options, (VideoOptions{true, 1024, 768}));
  EXPECT_EQ(settings.resolutions, (std::vector<Resolution>{{1024, 768}, {1280, 720}, {1920, 1080}}));
  writeFile(ini(), "[Video]\nGamePlayViewportX=abc\nStartupFullScreen=True\n");
  settings = readVideoSettings(ini(), modes);
  EXPECT_EQ(settings.options, (VideoOptions{false, 0, 768}));
  EXPECT_EQ(settings.resolutions, (std::vector<Resolution>{{0, 768}, {1280, 720}, {1920, 1080}}));
  EXPECT_EQ(readVideoSettings({}, {}).resolutions, (std::vector<Resolution>{{1024, 768}}));
}

TEST_F(SettingsTest, SaveWritesTheChoiceAndKeepsWhatItLeavesOut) {
  EXPECT_TRUE(save(false, 1920, 1080));
  EXPECT_EQ(readFile(ini()), "[Video]\r\nGamePlayViewportX=1920\r\nGamePlayViewportY=1080\r\nStartupFullScreen=True");
  EXPECT_TRUE(save(std::nullopt, 800, std::nullopt));  // 800 x 1080 is a size, so it is taken
  EXPECT_EQ(stored(), (VideoOptions{false, 800, 1080}));
  EXPECT_TRUE(save(std::nullopt, std::nullopt, std::nullopt));
  EXPECT_EQ(stored(), (VideoOptions{false, 800, 1080}));
}

TEST_F(SettingsTest, SizeOutOfRangeKeepsTheStoredSizeButWritesWindowed) {
  ASSERT_TRUE(writeVideoOptions(ini(), fullHd));
  for (const auto& [width, height] : std::vector<std::pair<int64_t, int64_t>>{
           {639, 480}, {640, 479}, {16385, 480}, {640, 16385}, {INT64_MIN, INT64_MIN}}) {
    EXPECT_TRUE(save(true, width, height)) << width << "x" << height;
    EXPECT_EQ(stored(), (VideoOptions{true, 1920, 1080})) << width << "x" << height;
    ASSERT_TRUE(writeVideoOptions(ini(), fullHd));
  }
  for (const auto& [width, height] : std::vector<std::pair<int32_t, int32_t>>{{640, 480}, {16384, 16384}}) {
    EXPECT_TRUE(save(std::nullopt, width, height));
    EXPECT_EQ(stored(), (VideoOptions{false, width, height}));
  }
}

TEST_F(SettingsTest, SaveFailsWithoutAnOptionsFileOrWhenItCannotBeWritten) {
  EXPECT_FALSE(saveVideoChoice({}, VideoChoice{std::nullopt, 1920, 1080}));
  writeFile(ini() / "inside", "x");
  EXPECT_FALSE(save(std::nullopt, 1920, 1080));
}

}  // namespace
}  // namespace zv
