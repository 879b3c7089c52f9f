// Json::parse on any bytes: no crash, no hang, error texts of the known form,
// and whatever parses survives being written and read back.

#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <string_view>

#include "data/json.h"

namespace {

void check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "json fuzz: %s\n", what);
    std::abort();
  }
}

bool isKnownError(std::string_view error, size_t textSize) {
  static const char* const messages[] = {"unexpected end", "unexpected character", "expected key",
                                         "expected ':'", "expected ',' or '}'", "expected ',' or ']'",
                                         "unterminated string", "bad escape", "bad \\u escape",
                                         "too deep", "trailing characters"};
  for (const char* message : messages) {
    const std::string prefix = std::string(message) + " at offset ";
    if (error.substr(0, prefix.size()) != prefix) continue;
    const std::string_view digits = error.substr(prefix.size());
    if (digits.empty() || digits.size() > 12 || digits.find_first_not_of("0123456789") != std::string_view::npos) {
      return false;
    }
    return std::stoull(std::string(digits)) <= textSize;
  }
  return false;
}

// Same kinds, strings, keys and member order; numbers may differ.
bool sameShape(const zv::Json& a, const zv::Json& b) {
  if (a.kind() != b.kind() || a.text() != b.text()) return false;
  if (a.elements().size() != b.elements().size() || a.members().size() != b.members().size()) return false;
  for (size_t i = 0; i < a.elements().size(); ++i) {
    if (!sameShape(a.elements()[i], b.elements()[i])) return false;
  }
  for (size_t i = 0; i < a.members().size(); ++i) {
    if (a.members()[i].key != b.members()[i].key) return false;
    if (!sameShape(a.members()[i].value, b.members()[i].value)) return false;
  }
  return true;
}

// Numbers are written with ten significant digits, so the first written text
// may still change once (12345678901.5 is written as 1.23456789e+10, which
// reads back as a whole number and is then written as 12345678900). From the
// second text on, writing and reading must be a fixed point; strings, keys
// and structure must survive the first trip exactly.
void checkRoundTrip(const zv::Json& value) {
  const std::string compact = value.dump(false);
  const std::string pretty = value.dump(true);
  std::string error;
  const zv::Json fromCompact = zv::Json::parse(compact, &error);
  check(error.empty(), "compact output does not parse");
  const zv::Json fromPretty = zv::Json::parse(pretty, &error);
  check(error.empty(), "pretty output does not parse");
  check(sameShape(value, fromCompact), "value changed on the way through compact text");
  check(fromCompact.dump(false) == fromPretty.dump(false), "compact and pretty output read back differently");

  for (const bool asPretty : {false, true}) {
    const std::string second = fromCompact.dump(asPretty);
    const zv::Json again = zv::Json::parse(second, &error);
    check(error.empty(), "second output does not parse");
    check(again.dump(asPretty) == second, "written text is not stable");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  const zv::Json value = zv::Json::parse(text, &error);
  if (!error.empty()) {
    check(value.isNull(), "a failed parse must give null");
    check(isKnownError(error, size), "unexpected error text");
  } else {
    checkRoundTrip(value);
  }
  check(zv::sharedNull.isNull() && zv::sharedNull.members().empty(), "shared null was changed");
  return 0;
}
