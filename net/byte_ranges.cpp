#include "net/byte_ranges.h"

#include <algorithm>
#include <charconv>

#include "data/text_rules.h"

namespace zv {
namespace {

// A part head longer than this is no part head.
constexpr size_t kMaxPartHead = 4096;

bool readNumber(std::string_view& text, uint64_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end == text.data()) return false;
  text.remove_prefix(static_cast<size_t>(end - text.data()));
  return true;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && asciiLower(text.substr(0, prefix.size())) == prefix;
}

// The value of the header name (lower case) in a part head, or "".
std::string_view headValue(std::string_view head, std::string_view name) {
  size_t at = 0;
  while (at < head.size()) {
    size_t end = head.find("\r\n", at);
    if (end == std::string_view::npos) end = head.size();
    const std::string_view line = head.substr(at, end - at);
    if (startsWithNoCase(line, name) && line.size() > name.size() && line[name.size()] == ':') {
      std::string_view value = line.substr(name.size() + 1);
      while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
      return value;
    }
    at = end + 2;
  }
  return {};
}

// Reads "bytes FIRST-LAST/TOTAL" (TOTAL may be "*").
bool parseContentRange(std::string_view value, ByteRange& range) {
  if (!startsWithNoCase(value, "bytes ")) return false;
  value.remove_prefix(6);
  if (!readNumber(value, range.first) || value.empty() || value.front() != '-') return false;
  value.remove_prefix(1);
  return readNumber(value, range.last) && !value.empty() && value.front() == '/' && range.first <= range.last;
}

}  // namespace

std::string rangeHeaderValue(const std::vector<ByteRange>& ranges) {
  std::string value = "bytes=";
  for (const ByteRange& range : ranges) {
    if (value.size() > 6) value += ',';
    value += std::to_string(range.first) + "-" + std::to_string(range.last);
  }
  return value;
}

bool ByteRangesReader::start(const std::vector<ByteRange>& asked, std::string_view contentType,
                             std::string_view contentRange) {
  *this = ByteRangesReader();
  asked_ = asked;
  if (asked_.empty()) return fail();
  if (startsWithNoCase(contentType, "multipart/byteranges")) {
    const size_t at = asciiLower(contentType).find("boundary=");
    if (at == std::string_view::npos) return fail();
    std::string_view boundary = contentType.substr(at + 9);
    boundary = boundary.substr(0, boundary.find(';'));
    if (boundary.size() >= 2 && boundary.front() == '"' && boundary.back() == '"') {
      boundary = boundary.substr(1, boundary.size() - 2);
    }
    if (boundary.empty()) return fail();
    boundary_ = "--" + std::string(boundary);
    return true;
  }
  // A single part: the whole body is the one range asked for.
  return asked_.size() == 1 ? takeRange(contentRange) : fail();
}

bool ByteRangesReader::takeRange(std::string_view contentRange) {
  ByteRange range;
  if (next_ == asked_.size() || !parseContentRange(contentRange, range) || range.first != asked_[next_].first ||
      range.last != asked_[next_].last) {
    return fail();
  }
  ++next_;
  at_ = range.first;
  left_ = range.last - range.first + 1;
  return true;
}

bool ByteRangesReader::takePartHead(size_t& headEnd) {
  headEnd = 0;
  // The head runs from the boundary line to a blank line; what comes before
  // the boundary (the line break ending the previous part) is preamble.
  const size_t mark = head_.find(boundary_);
  const size_t afterMark = mark == std::string::npos ? head_.size() : mark + boundary_.size();
  if (head_.size() - afterMark >= 2 && head_.compare(afterMark, 2, "--") == 0) {
    // The closing boundary: only right after the last range.
    closed_ = true;
    return next_ == asked_.size() || fail();
  }
  const size_t blank = mark == std::string::npos ? std::string::npos : head_.find("\r\n\r\n", afterMark);
  if (blank == std::string::npos) return head_.size() <= kMaxPartHead || fail();
  const std::string_view head = std::string_view(head_).substr(afterMark, blank + 2 - afterMark);
  if (!takeRange(headValue(head, "content-range"))) return false;
  headEnd = blank + 4;
  return true;
}

bool ByteRangesReader::feed(const char* data, size_t size, const RangePieceFn& piece) {
  while (size > 0 && !closed_) {
    if (left_ > 0) {
      const size_t take = static_cast<size_t>(std::min<uint64_t>(left_, size));
      if (!piece(at_, data, take)) return false;
      at_ += take;
      left_ -= take;
      data += take;
      size -= take;
      continue;
    }
    if (boundary_.empty()) return fail();  // a single range that runs long
    // Between parts: the head is gathered until it is whole; what follows it
    // in this piece is the part's data. The head's end lies in the new bytes,
    // or it would have been taken with the previous piece.
    const size_t before = head_.size();
    head_.append(data, size);
    size_t headEnd = 0;
    if (!takePartHead(headEnd)) return false;
    if (headEnd == 0) return true;
    data += headEnd - before;
    size -= headEnd - before;
    head_.clear();
  }
  return true;
}

}  // namespace zv
