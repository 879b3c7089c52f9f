#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/command_line.h"

namespace zv {
namespace {

using Args = std::vector<std::string>;

// The examples of the Microsoft C runtime's documentation of argument parsing.
TEST(CommandLine, SplitsLikeTheWindowsRuntime) {
  EXPECT_EQ(splitCommandLine(R"("a b c" d e)"), (Args{"a b c", "d", "e"}));
  EXPECT_EQ(splitCommandLine(R"("ab\"c" "\\" d)"), (Args{"ab\"c", "\\", "d"}));
  EXPECT_EQ(splitCommandLine(R"(a\\\b d"e f"g h)"), (Args{R"(a\\\b)", "de fg", "h"}));
  EXPECT_EQ(splitCommandLine(R"(a\\\"b c d)"), (Args{R"(a\"b)", "c", "d"}));
  EXPECT_EQ(splitCommandLine(R"(a\\\\"b c" d e)"), (Args{R"(a\\b c)", "d", "e"}));
  // Inside quotes a doubled quote is one literal quote, and the quote goes on.
  EXPECT_EQ(splitCommandLine(R"(a"b"" c d)"), (Args{"ab\" c d"}));
}

TEST(CommandLine, BlanksTabsAndEmptyArguments) {
  EXPECT_EQ(splitCommandLine(""), Args{});
  EXPECT_EQ(splitCommandLine("  \t "), Args{});
  EXPECT_EQ(splitCommandLine("  -a\t\t-b  "), (Args{"-a", "-b"}));
  EXPECT_EQ(splitCommandLine(R"(x "" y)"), (Args{"x", "", "y"}));
  // A quote left open runs to the end of the text.
  EXPECT_EQ(splitCommandLine(R"(-name "Lin eage)"), (Args{"-name", "Lin eage"}));
  // Backslashes are plain characters unless a quote follows them: Windows paths pass as they are.
  EXPECT_EQ(splitCommandLine(R"(C:\Games\L2\ -x)"), (Args{R"(C:\Games\L2\)", "-x"}));
}

TEST(CommandLine, QuotedArgumentsComeBackUnchanged) {
  const Args tricky = {"plain", "", "two words", "tab\there", R"(quote"inside)", R"(ends\)", R"(ends\\)",
                       R"(C:\Program Files\L2\)", R"(\"already\")", "\xC5\xBD" "aidimas"};
  EXPECT_EQ(splitCommandLine(joinCommandLine(tricky)), tricky);
  EXPECT_EQ(quoteArgument("plain"), "plain");
  EXPECT_EQ(quoteArgument("two words"), "\"two words\"");
  EXPECT_EQ(quoteArgument(""), "\"\"");
}

}  // namespace
}  // namespace zv
