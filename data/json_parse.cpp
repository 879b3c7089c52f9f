// The JSON reader: strict about structure, forgiving about number tokens, raw
// control bytes in strings and unpaired surrogates. Error texts name the byte
// offset because they end up in front of the publisher, who must find the spot.

#include <charconv>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>

#include "data/json.h"

namespace zv {
namespace {

constexpr int maxDepth = 64;

bool isWhitespace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool isNumberByte(char c) {
  return (c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-';
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void appendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// from_chars leaves its output untouched when the value does not fit a double,
// where the C library gives an infinity for overflow and zero for underflow.
// Which of the two it is follows from the decimal exponent of the first
// significant digit of the (well-formed) text from_chars accepted.
double outOfRangeValue(std::string_view number) {
  const bool negative = !number.empty() && number.front() == '-';
  size_t i = negative ? 1 : 0;
  long long integerDigits = 0;
  long long fractionZeros = 0;
  bool significant = false;
  for (; i < number.size() && number[i] >= '0' && number[i] <= '9'; ++i) {
    if (number[i] != '0') significant = true;
    if (significant) ++integerDigits;
  }
  if (i < number.size() && number[i] == '.') {
    for (++i; i < number.size() && number[i] == '0'; ++i) ++fractionZeros;
    while (i < number.size() && number[i] >= '0' && number[i] <= '9') ++i;
  }
  long long exponent = 0;
  if (i < number.size() && (number[i] == 'e' || number[i] == 'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < number.size() && (number[i] == '+' || number[i] == '-')) negativeExponent = number[i++] == '-';
    for (; i < number.size() && number[i] >= '0' && number[i] <= '9'; ++i) {
      if (exponent < 1000000000) exponent = exponent * 10 + (number[i] - '0');
    }
    if (negativeExponent) exponent = -exponent;
  }
  const long long magnitude = (integerDigits > 0 ? integerDigits - 1 : -(fractionZeros + 1)) + exponent;
  const double value = magnitude >= 0 ? std::numeric_limits<double>::infinity() : 0.0;
  return negative ? -value : value;
}

}  // namespace

class JsonParser {
 public:
  explicit JsonParser(std::string_view text) : text_(text) {}

  bool parseDocument(Json& out) {
    if (!parseValue(out)) return false;
    skipWhitespace();
    if (pos_ != text_.size()) return fail("trailing characters");
    return true;
  }

  const std::string& error() const { return error_; }

 private:
  bool fail(const char* what) {
    error_ = std::string(what) + " at offset " + std::to_string(pos_);
    return false;
  }

  bool atEnd() const { return pos_ >= text_.size(); }

  void skipWhitespace() {
    while (!atEnd() && isWhitespace(text_[pos_])) ++pos_;
  }

  bool startsWith(std::string_view literal) const { return text_.substr(pos_, literal.size()) == literal; }

  // After a failure the parse is abandoned, so depth_ need not be restored.
  bool parseValue(Json& out) {
    if (++depth_ > maxDepth) return fail("too deep");
    skipWhitespace();
    if (atEnd()) return fail("unexpected end");
    const char c = text_[pos_];
    if (c == '{') {
      if (!parseObject(out)) return false;
    } else if (c == '[') {
      if (!parseArray(out)) return false;
    } else if (c == '"') {
      out.kind_ = Json::Kind::String;
      if (!parseString(out.text_)) return false;
    } else if (startsWith("true")) {
      out = Json(true);
      pos_ += 4;
    } else if (startsWith("false")) {
      out = Json(false);
      pos_ += 5;
    } else if (startsWith("null")) {
      out = Json();
      pos_ += 4;
    } else if (c == '-' || (c >= '0' && c <= '9')) {
      parseNumber(out);
    } else {
      return fail("unexpected character");
    }
    --depth_;
    return true;
  }

  bool parseObject(Json& out) {
    out = Json::object();
    ++pos_;
    skipWhitespace();
    if (!atEnd() && text_[pos_] == '}') {
      ++pos_;
      return true;
    }
    // A repeated key replaces the earlier value in its place. Large objects
    // (the digest cache has one member per client file) look keys up in an
    // index: a scan per member would make reading them quadratic.
    std::unordered_map<std::string, size_t> index;
    for (;;) {
      if (atEnd() || text_[pos_] != '"') return fail("expected key");
      std::string key;
      if (!parseString(key)) return false;
      skipWhitespace();
      if (atEnd() || text_[pos_] != ':') return fail("expected ':'");
      ++pos_;
      Json value;
      if (!parseValue(value)) return false;
      addMember(out.members_, index, std::move(key), std::move(value));
      skipWhitespace();
      if (!atEnd() && text_[pos_] == ',') {
        ++pos_;
        skipWhitespace();
        continue;
      }
      if (!atEnd() && text_[pos_] == '}') {
        ++pos_;
        return true;
      }
      return fail("expected ',' or '}'");
    }
  }

  static void addMember(Json::Members& members, std::unordered_map<std::string, size_t>& index, std::string key,
                        Json value) {
    constexpr size_t kIndexFrom = 32;
    if (members.size() < kIndexFrom) {
      for (Json::Member& member : members) {
        if (member.key == key) {
          member.value = std::move(value);
          return;
        }
      }
    } else {
      if (index.empty()) {
        for (size_t i = 0; i < members.size(); ++i) index.emplace(members[i].key, i);
      }
      const auto [it, added] = index.emplace(key, members.size());
      if (!added) {
        members[it->second].value = std::move(value);
        return;
      }
    }
    members.push_back(Json::Member{std::move(key), std::move(value)});
  }

  bool parseArray(Json& out) {
    out = Json::array();
    ++pos_;
    skipWhitespace();
    if (!atEnd() && text_[pos_] == ']') {
      ++pos_;
      return true;
    }
    for (;;) {
      Json element;
      if (!parseValue(element)) return false;
      out.elements_.push_back(std::move(element));
      skipWhitespace();
      if (!atEnd() && text_[pos_] == ',') {
        ++pos_;
        continue;
      }
      if (!atEnd() && text_[pos_] == ']') {
        ++pos_;
        return true;
      }
      return fail("expected ',' or ']'");
    }
  }

  bool parseString(std::string& out) {
    ++pos_;
    for (;;) {
      const size_t special = text_.find_first_of("\"\\", pos_);
      if (special == std::string_view::npos) {
        pos_ = text_.size();
        return fail("unterminated string");
      }
      out.append(text_.substr(pos_, special - pos_));
      pos_ = special + 1;
      if (text_[special] == '"') return true;
      if (atEnd()) return fail("unterminated string");
      switch (text_[pos_++]) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u':
          if (!parseUnicodeEscape(out)) return false;
          break;
        default: return fail("bad escape");
      }
    }
  }

  // The four digits after "\u", and a second "\u" escape after a high
  // surrogate. Unpaired surrogates are kept as they are rather than refused.
  bool parseUnicodeEscape(std::string& out) {
    uint32_t code = 0;
    if (!parseHex4(code)) return false;
    if (code >= 0xD800 && code <= 0xDBFF && text_.size() - pos_ >= 6 && text_[pos_] == '\\' &&
        text_[pos_ + 1] == 'u') {
      pos_ += 2;
      uint32_t second = 0;
      if (!parseHex4(second)) return false;
      // Whatever the second value is; the smallest result is 0x2400.
      code = 0x10000 + (code - 0xD800) * 1024 + second - 0xDC00;
    }
    appendUtf8(out, code);
    return true;
  }

  bool parseHex4(uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
      if (atEnd()) return fail("bad \\u escape");
      const int digit = hexValue(text_[pos_++]);
      if (digit < 0) return fail("bad \\u escape");
      value = value * 16 + static_cast<uint32_t>(digit);
    }
    return true;
  }

  void parseNumber(Json& out) {
    const size_t start = pos_;
    while (!atEnd() && isNumberByte(text_[pos_])) ++pos_;
    const char* first = text_.data() + start;
    const char* last = text_.data() + pos_;
    double value = 0;
    const auto result = std::from_chars(first, last, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
      value = outOfRangeValue(std::string_view(first, static_cast<size_t>(result.ptr - first)));
    }
    // An unreadable token such as "-" or "-e" is 0, as with strtod.
    out = Json(result.ec == std::errc::invalid_argument ? 0.0 : value);
  }

  std::string_view text_;
  size_t pos_ = 0;
  int depth_ = 0;
  std::string error_;
};

Json Json::parse(std::string_view text, std::string* error) {
  JsonParser parser(text);
  Json value;
  if (!parser.parseDocument(value)) {
    if (error) *error = parser.error();
    return Json();
  }
  return value;
}

}  // namespace zv
