// The JSON writer. It cannot fail: numbers that JSON cannot express (NaN,
// infinities) are written as 0 so that the output always parses again.

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

#include "data/json.h"

namespace zv {
namespace {

void writeNumber(std::string& out, double value) {
  char buffer[32];
  std::to_chars_result result{};
  if (!std::isfinite(value)) {
    out += '0';
    return;
  }
  // Whole numbers up to 2^53 are exact as doubles and print in full, without
  // an exponent, so sizes, counts and release sequences read back the same
  // ("-0" prints as "0").
  constexpr double kLargestExact = 9007199254740992.0;
  if (value == std::floor(value) && std::fabs(value) <= kLargestExact) {
    result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value));
  } else {
    // Same text as printf's "%.10g" in the classic locale.
    result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 10);
  }
  out.append(buffer, result.ptr);
}

void writeString(std::string& out, std::string_view text) {
  static const char hex[] = "0123456789abcdef";
  out += '"';
  // Bytes that need no escape go out in runs: a save of the digest cache
  // writes megabytes of paths and digests, and byte by byte that was most
  // of its time.
  size_t run = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x20 && byte != '"' && byte != '\\') continue;
    out.append(text.data() + run, i - run);
    run = i + 1;
    switch (byte) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        out += "\\u00";
        out += hex[byte >> 4];
        out += hex[byte & 0xF];
    }
  }
  out.append(text.data() + run, text.size() - run);
  out += '"';
}

void newline(std::string& out, int level) {
  out += '\n';
  out.append(static_cast<size_t>(level) * 2, ' ');
}

void writeValue(std::string& out, const Json& value, bool pretty, int level) {
  switch (value.kind()) {
    case Json::Kind::Null: out += "null"; break;
    case Json::Kind::Bool: out += value.boolOr(false) ? "true" : "false"; break;
    case Json::Kind::Number: writeNumber(out, value.numberOr(0)); break;
    case Json::Kind::String: writeString(out, value.text()); break;
    case Json::Kind::Array: {
      out += '[';
      bool first = true;
      for (const Json& element : value.elements()) {
        if (!first) out += ',';
        first = false;
        if (pretty) newline(out, level + 1);
        writeValue(out, element, pretty, level + 1);
      }
      if (pretty && !first) newline(out, level);
      out += ']';
      break;
    }
    case Json::Kind::Object: {
      out += '{';
      bool first = true;
      for (const auto& [key, member] : value.members()) {
        if (!first) out += ',';
        first = false;
        if (pretty) newline(out, level + 1);
        writeString(out, key);
        out += pretty ? ": " : ":";
        writeValue(out, member, pretty, level + 1);
      }
      if (pretty && !first) newline(out, level);
      out += '}';
      break;
    }
  }
}

}  // namespace

std::string Json::dump(bool pretty) const {
  std::string out;
  writeValue(out, *this, pretty, 0);
  return out;
}

void Json::appendTo(std::string& out) const { writeValue(out, *this, false, 0); }

void Json::appendString(std::string& out, std::string_view text) { writeString(out, text); }

}  // namespace zv
