#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "data/json.h"

namespace zv {
namespace {

std::string parseError(std::string_view text) {
  std::string error = "<none>";
  const Json value = Json::parse(text, &error);
  EXPECT_TRUE(value.isNull()) << text;
  return error;
}

double parseNumber(std::string_view text) {
  std::string error;
  const Json value = Json::parse(text, &error);
  EXPECT_TRUE(value.isNumber()) << text << ": " << error;
  return value.numberOr(-12345);
}

TEST(JsonParse, StructuralErrorsNameTheOffendingOffset) {
  struct Case {
    std::string text;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"   ", "unexpected end at offset 3"},
      {"[1,", "unexpected end at offset 3"},
      {"[1,]", "unexpected character at offset 3"},
      {"{\"a\":1,}", "expected key at offset 7"},
      {"{\"a\" 1}", "expected ':' at offset 5"},
      {"{\"a\"", "expected ':' at offset 4"},
      {"[1 2]", "expected ',' or ']' at offset 3"},
      {"{\"a\":1 \"b\":2}", "expected ',' or '}' at offset 7"},
      {"{1:2}", "expected key at offset 1"},
      {"1 2", "trailing characters at offset 2"},
      {"nul", "unexpected character at offset 0"},
      {"truex", "trailing characters at offset 4"},
      {"[truefalse]", "expected ',' or ']' at offset 5"},  // the byte after a literal is not examined
      {".5", "unexpected character at offset 0"},
      {"\xEF\xBB\xBF{}", "unexpected character at offset 0"},  // no byte-order mark handling here
      {"// c\n{}", "unexpected character at offset 0"},
      {"\f1", "unexpected character at offset 0"},  // form feed is not whitespace
  };
  for (const Case& c : cases) EXPECT_EQ(parseError(c.text), c.error) << c.text;
}

TEST(JsonParse, StringErrorsNameTheOffendingOffset) {
  EXPECT_EQ(parseError("\"a\\x\""), "bad escape at offset 4");
  EXPECT_EQ(parseError("\"\\u12G4\""), "bad \\u escape at offset 6");
  EXPECT_EQ(parseError("\"\\u12"), "bad \\u escape at offset 5");  // at the first missing digit
  EXPECT_EQ(parseError("\"\\uD83D\\uDE0G\""), "bad \\u escape at offset 13");
  EXPECT_EQ(parseError("\"abc"), "unterminated string at offset 4");
  EXPECT_EQ(parseError("\"abc\\"), "unterminated string at offset 5");
}

TEST(JsonParse, NestingIsLimitedTo64Levels) {
  std::string error;
  EXPECT_TRUE(Json::parse(std::string(64, '[') + std::string(64, ']'), &error).isArray()) << error;
  EXPECT_EQ(parseError(std::string(65, '[') + std::string(65, ']')), "too deep at offset 64");

  std::string objects;
  for (int i = 0; i < 63; ++i) objects += "{\"a\":";
  EXPECT_TRUE(Json::parse(objects + "1" + std::string(63, '}')).isObject()) << "64 levels with the number";
  EXPECT_EQ(parseError(objects + "[1]" + std::string(63, '}')), "too deep at offset 316");

  // Depth is nesting, not a count of containers: siblings do not add up.
  std::string wide = "[";
  for (int i = 0; i < 100; ++i) wide += std::string(i ? "," : "") + std::string(60, '[') + std::string(60, ']');
  EXPECT_TRUE(Json::parse(wide + "]").isArray());
}

TEST(JsonParse, EmptyContainersAndWhitespace) {
  for (const char* text : {"{}", "[]", "{ }", "[ ]", " \t\r\n{ \n}\r\n "}) {
    std::string error;
    const Json value = Json::parse(text, &error);
    EXPECT_FALSE(value.isNull()) << text << ": " << error;
    EXPECT_TRUE(value.members().empty() && value.elements().empty());
  }
}

TEST(JsonParse, ErrorStringIsLeftAloneOnSuccess) {
  std::string error = "previous";
  EXPECT_TRUE(Json::parse("{\"a\":[1,true,null,\"x\"]}", &error).isObject());
  EXPECT_EQ(error, "previous");
  EXPECT_TRUE(Json::parse("[1,").isNull()) << "no error pointer is fine";
}

TEST(JsonParse, MembersKeepDocumentOrderAndARepeatedKeyReplacesInPlace) {
  EXPECT_EQ(Json::parse("{\"z\":1,\"a\":1,\"z\":2,\"A\":3}").dump(), "{\"z\":2,\"a\":1,\"A\":3}");

  // The same in an object large enough to be read through a key index,
  // with keys repeated from before and after the index is made.
  std::string text = "{";
  std::string expected = "{";
  for (int i = 0; i < 100; ++i) {
    const std::string key = "\"k" + std::to_string(i) + "\":";
    text += key + std::to_string(i) + ",";
    expected += key + std::to_string(i == 3 ? 300 : i == 70 ? 700 : i) + (i < 99 ? "," : "}");
  }
  text += "\"k3\":300,\"k70\":700}";
  const Json large = Json::parse(text);
  EXPECT_EQ(large.members().size(), 100u);
  EXPECT_EQ(large.dump(), expected);
}

TEST(JsonParse, UnicodeEscapesBecomeUtf8) {
  EXPECT_EQ(Json::parse("\"\\uD83D\\uDE00\"").text(), "\xF0\x9F\x98\x80");
  EXPECT_EQ(Json::parse("\"\\ud83d\\ude00\"").text(), "\xF0\x9F\x98\x80");
  EXPECT_EQ(Json::parse("\"\\uD83D\"").text(), "\xED\xA0\xBD");  // lone high surrogate kept
  EXPECT_EQ(Json::parse("\"\\uD83Dx\"").text(), "\xED\xA0\xBDx");
  EXPECT_EQ(Json::parse("\"\\uDE00\"").text(), "\xED\xB8\x80");  // lone low surrogate kept
  EXPECT_EQ(Json::parse("\"\\u0041\\u00e9\\u20AC\"").text(), "A\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(Json::parse("\"a\\u0000b\"").text(), std::string("a\0b", 3));
  EXPECT_EQ(Json::parse("\"\\\"\\\\\\/\\b\\f\\n\\r\\t\"").text(), "\"\\/\b\f\n\r\t");
}

TEST(JsonParse, RawBytesInStringsAreCopiedUnchanged) {
  const std::string raw = std::string("\"\x01\n\t\x7F\xFF\xC3\x28", 9) + "\"";
  EXPECT_EQ(Json::parse(raw).text(), raw.substr(1, raw.size() - 2));
}

TEST(JsonParse, NumberTokensAreReadAsFarAsTheyMakeSense) {
  EXPECT_EQ(parseNumber("1-2"), 1);
  EXPECT_EQ(parseNumber("1.2.3"), 1.2);
  EXPECT_EQ(parseNumber("-"), 0);
  EXPECT_EQ(parseNumber("007"), 7);
  EXPECT_EQ(parseNumber("1e"), 1);
  EXPECT_EQ(parseNumber("-.5"), -0.5);
  EXPECT_EQ(parseNumber("1.e5"), 100000);
  EXPECT_EQ(parseNumber("2E+3"), 2000);
  EXPECT_EQ(parseNumber("0.1"), 0.1);
  EXPECT_EQ(parseNumber("123456789.123"), 123456789.123);
  EXPECT_EQ(parseNumber("9007199254740993"), 9007199254740992.0);  // nearest double
  EXPECT_EQ(parseNumber("999999999999999"), 999999999999999.0);
  EXPECT_TRUE(std::signbit(parseNumber("-0")));
  EXPECT_EQ(Json::parse("[1-2,3]").at(1).numberOr(0), 3);
}

TEST(JsonParse, OutOfRangeNumbersOverflowToInfinityAndUnderflowToZero) {
  EXPECT_EQ(parseNumber("1e400"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(parseNumber("-1e400"), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(parseNumber("123456e999999999999999"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(parseNumber("0.001e312"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(parseNumber("1e-400"), 0);
  EXPECT_EQ(parseNumber("1000e-330"), 0);
  const double negativeZero = parseNumber("-1e-400");
  EXPECT_EQ(negativeZero, 0);
  EXPECT_TRUE(std::signbit(negativeZero));
  EXPECT_GT(parseNumber("1e-310"), 0) << "subnormals are kept";
}

TEST(JsonDump, NumbersUseTenSignificantDigitsAndIntegersWhenWhole) {
  struct Case {
    double value;
    const char* text;
  };
  const std::vector<Case> cases = {
      {2.0, "2"},
      {0.5, "0.5"},
      {1e16, "1e+16"},
      {123456789.123, "123456789.1"},
      {std::nan(""), "0"},
      {std::numeric_limits<double>::infinity(), "0"},
      {-0.0, "0"},
      {1e-5, "1e-05"},
      {9007199254740991.0, "9007199254740991"},  // the highest release sequence
      {-9007199254740992.0, "-9007199254740992"},
      {9007199254740994.0, "9.007199255e+15"},
      {12345678901.5, "1.23456789e+10"},
      {0.000123456789012, "0.000123456789"},
  };
  for (const Case& c : cases) EXPECT_EQ(Json(c.value).dump(), c.text) << c.value;
}

TEST(JsonDump, EscapesOnlyWhatJsonRequires) {
  EXPECT_EQ(Json(std::string("\x22\x5C\x01\xC3\xA9")).dump(), "\"\\\"\\\\\\u0001\xC3\xA9\"");
  EXPECT_EQ(Json(std::string("\n\r\t\b\f\x1F\x7F/", 8)).dump(), "\"\\n\\r\\t\\u0008\\u000c\\u001f\x7F/\"");
  EXPECT_EQ(Json(std::string("a\0b", 3)).dump(), "\"a\\u0000b\"");
  EXPECT_EQ(Json::object().set("k\"\n", 1).dump(), "{\"k\\\"\\n\":1}");
}

TEST(JsonDump, PrettyUsesTwoSpaceIndentAndNoFinalLineFeed) {
  const Json value = Json::parse("{\"a\":[1,2],\"b\":{}}");
  EXPECT_EQ(value.dump(true), "{\n  \"a\": [\n    1,\n    2\n  ],\n  \"b\": {}\n}");
  EXPECT_EQ(value.dump(), "{\"a\":[1,2],\"b\":{}}");
  EXPECT_EQ(Json::parse("[[],[{}],null]").dump(true), "[\n  [],\n  [\n    {}\n  ],\n  null\n]");
  EXPECT_EQ(Json::array().dump(true), "[]");
  EXPECT_EQ(Json(true).dump(true), "true");
}

TEST(JsonDump, ParsingTheOutputGivesTheSameValue) {
  std::string allBytes;
  for (int i = 0; i < 256; ++i) allBytes += static_cast<char>(i);
  Json doc = Json::object();
  doc.set("bytes", allBytes).set(allBytes, Json::array().push(-1.25e-300).push(false).push(Json()));
  for (const bool pretty : {false, true}) {
    std::string error;
    const Json again = Json::parse(doc.dump(pretty), &error);
    ASSERT_TRUE(again.isObject()) << error;
    EXPECT_EQ(again.get("bytes").text(), allBytes);
    EXPECT_EQ(again.dump(), doc.dump());
  }
}

TEST(JsonAccess, LookupsThatMissGiveTheSharedNull) {
  const Json doc = Json::parse("{\"a\":{\"b\":[10,20]},\"s\":\"text\"}");
  EXPECT_EQ(doc.get("a").get("b").at(1).numberOr(0), 20);
  EXPECT_EQ(&doc.get("missing"), &sharedNull);
  EXPECT_EQ(&doc.get("a").get("b").get("b"), &sharedNull) << "get on an array";
  EXPECT_EQ(&doc.get("s").get("t"), &sharedNull) << "get on a string";
  EXPECT_EQ(&doc.get("a").get("b").at(2), &sharedNull);
  EXPECT_EQ(&doc.at(0), &sharedNull) << "at on an object";
  EXPECT_TRUE(doc.get("s").members().empty());
  EXPECT_TRUE(doc.elements().empty());
  EXPECT_TRUE(sharedNull.isNull());
  // Threads that are not waited for at exit (the status poll) may still look
  // members up while the process ends: the shared null outlives it.
  EXPECT_EXIT(
      {
        std::atomic<bool> lookedUp{false};
        std::thread([&doc, &lookedUp] {
          for (;;) {
            (void)doc.get("missing").boolOr(false);
            lookedUp.store(true, std::memory_order_relaxed);  // relaxed: no ordering with the exit
          }
        }).detach();
        while (!lookedUp.load(std::memory_order_relaxed)) {
        }
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(JsonAccess, TypedReadsNeverConvertBetweenKinds) {
  const Json doc = Json::parse("{\"n\":1,\"s\":\"5\",\"b\":true,\"f\":-3.9}");
  EXPECT_EQ(doc.get("s").numberOr(7), 7);
  EXPECT_EQ(doc.get("n").boolOr(false), false);
  EXPECT_EQ(doc.get("b").numberOr(0), 0);
  EXPECT_EQ(doc.get("n").stringOr("fallback"), "fallback");
  EXPECT_EQ(doc.get("n").text(), "");
  EXPECT_EQ(doc.get("s").integerOr(42), 42);
  EXPECT_EQ(doc.get("f").integerOr(0), -3);
}

TEST(JsonAccess, SetAndPushTurnOtherKindsIntoContainers) {
  Json value(5);
  value.set("a", 1);
  ASSERT_TRUE(value.isObject());
  EXPECT_EQ(value.dump(), "{\"a\":1}");
  value.set("b", "x").set("a", 2);
  EXPECT_EQ(value.dump(), "{\"a\":2,\"b\":\"x\"}");

  Json text("abc");
  text.push(1).push("two");
  EXPECT_EQ(text.dump(), "[1,\"two\"]");
  value.push(true);
  EXPECT_EQ(value.dump(), "[true]");
}

TEST(Truncation, TowardZeroWithOutOfRangeAsTheMostNegativeValue) {
  constexpr int64_t min64 = std::numeric_limits<int64_t>::min();
  EXPECT_EQ(truncateToInt64(-1.5), -1);
  EXPECT_EQ(truncateToInt64(9223372036854774784.0), 9223372036854774784LL);  // largest double below 2^63
  EXPECT_EQ(truncateToInt64(9223372036854775808.0), min64);
  EXPECT_EQ(truncateToInt64(-9223372036854775808.0), min64);
  EXPECT_EQ(truncateToInt64(std::nan("")), min64);
  EXPECT_EQ(truncateToInt64(std::numeric_limits<double>::infinity()), min64);

  constexpr int32_t min32 = std::numeric_limits<int32_t>::min();
  EXPECT_EQ(truncateToInt32(2147483647.9), 2147483647);
  EXPECT_EQ(truncateToInt32(-2147483648.9), min32);
  EXPECT_EQ(truncateToInt32(2147483648.0), min32);
  EXPECT_EQ(truncateToInt32(std::nan("")), min32);
}

}  // namespace
}  // namespace zv
