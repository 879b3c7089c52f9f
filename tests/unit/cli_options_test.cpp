#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/cli_options.h"
#include "app/cli_progress.h"
#include "platform/command_line.h"

namespace zv::cli {
namespace {

TEST(CliOptions, TheRestartGetsTheSameCommandAndOptions) {
  Options options;
  std::string error;
  ASSERT_TRUE(parseOptions({"--json", "addon", "install", "fx_1", "--client", "/games/Lineage II \"C4\"", "--variant",
                            "nv", "--key", "end", "--data", "C:\\Data\\"},
                           options, error))
      << error;
  Options restarted;
  ASSERT_TRUE(parseOptions(splitCommandLine(restartArguments(options)), restarted, error)) << error;
  EXPECT_EQ(restarted.command, Command::AddonInstall);
  EXPECT_EQ(restarted.addonId, "fx_1");
  EXPECT_EQ(restarted.client, "/games/Lineage II \"C4\"");
  EXPECT_EQ(restarted.data, "C:\\Data\\");
  EXPECT_EQ(restarted.variant, "nv");
  EXPECT_EQ(restarted.key, "end");
  EXPECT_TRUE(restarted.json);
  EXPECT_TRUE(restarted.updated);
  EXPECT_FALSE(options.updated);

  ASSERT_TRUE(parseOptions({}, options, error));
  EXPECT_EQ(options.command, Command::Stdio);
  EXPECT_EQ(restartArguments(options), "stdio --updated");
}

TEST(CliOptions, WrongCommandLinesSayWhy) {
  Options options;
  std::string error;
  EXPECT_FALSE(parseOptions({"check", "--client"}, options, error));
  EXPECT_EQ(error, "--client needs a value");
  EXPECT_FALSE(parseOptions({"check", "--variant", "nv"}, options, error));
  EXPECT_EQ(error, "--variant and --key belong to addon install");
  EXPECT_FALSE(parseOptions({"addon", "install", "fx", "--key", "F12"}, options, error));
  EXPECT_EQ(error, "--key F12 is not a toggle key: insert, delete, end, pageup, pagedown, pause, scrolllock");
  EXPECT_FALSE(parseOptions({"addon", "remove"}, options, error));
  EXPECT_FALSE(parseOptions({"check", "now"}, options, error));
  EXPECT_EQ(error, "unexpected argument: now");
  EXPECT_FALSE(parseOptions({"--fast"}, options, error));
  EXPECT_EQ(error, "unknown option: --fast");
}

TEST(CliProgress, TheLineShowsShareBytesSpeedAndTimeLeft) {
  const Progress event{"download", "system/textures/big.utx", 1, 4, 1048576, 4194304, 524288};
  EXPECT_EQ(progressLine(event, 100),
            " 25% [#####...............] 1.0 MiB of 4.0 MiB  512.0 KiB/s  0:06 left  system/textures/big.utx");
  // A long name loses its start, not the numbers.
  EXPECT_EQ(progressLine(event, 80),
            " 25% [#####...............] 1.0 MiB of 4.0 MiB  512.0 KiB/s  0:06 left  ...g.utx");
  // No bytes to count (a check of empty files): the share of files.
  EXPECT_EQ(progressLine(Progress{"check", "", 3, 4, 0, 0, 0}, 100), " 75% [###############.....] 0 bytes of 0 bytes");
  EXPECT_EQ(durationText(3725), "1:02:05");
}

}  // namespace
}  // namespace zv::cli
