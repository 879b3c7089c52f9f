#include "data/json.h"

#include <limits>
#include <new>

namespace zv {
namespace {

// A heap text: its length, then its bytes.
char* newLongText(std::string_view text) {
  char* block = new char[sizeof(size_t) + text.size()];
  const size_t size = text.size();
  std::memcpy(block, &size, sizeof size);
  std::memcpy(block + sizeof size, text.data(), text.size());
  return block;
}

std::string_view longTextOf(const char* block) {
  size_t size = 0;
  std::memcpy(&size, block, sizeof size);
  return {block + sizeof size, size};
}

const Json::Members emptyMembers;
const Json::Elements emptyElements;

}  // namespace

// Never destroyed: threads that are not waited for at exit (the status poll,
// the news fetch) may still look members up while the process ends.
const Json& sharedNull = *new Json();

// What the memory figures for large documents rest on, on 32 and 64 bits.
static_assert(sizeof(Json) == 16);

void Json::setText(std::string_view text) {
  kind_ = Kind::String;
  if (text.size() <= kInlineText) {
    raw_[0] = static_cast<unsigned char>(text.size());
    if (!text.empty()) std::memcpy(raw_ + 1, text.data(), text.size());
  } else {
    raw_[0] = 0xFF;
    store(newLongText(text));
  }
}

void Json::release() noexcept {
  switch (kind_) {
    case Kind::String:
      if (raw_[0] == 0xFF) delete[] load<char*>();
      break;
    case Kind::Array: delete elementsBlock(); break;
    case Kind::Object: delete membersBlock(); break;
    default: break;
  }
  kind_ = Kind::Null;
  std::memset(raw_, 0, sizeof raw_);
}

Json::Json(const Json& other) : kind_(other.kind_) {
  std::memcpy(raw_, other.raw_, sizeof raw_);
  if (kind_ == Kind::String && raw_[0] == 0xFF) {
    store(newLongText(other.text()));
  } else if (kind_ == Kind::Array && other.elementsBlock() != nullptr) {
    store(new Elements(*other.elementsBlock()));
  } else if (kind_ == Kind::Object && other.membersBlock() != nullptr) {
    store(new Members(*other.membersBlock()));
  }
}

Json::Json(Json&& other) noexcept : kind_(other.kind_) {
  std::memcpy(raw_, other.raw_, sizeof raw_);
  other.kind_ = Kind::Null;
  std::memset(other.raw_, 0, sizeof other.raw_);
}

Json& Json::operator=(const Json& other) {
  if (this != &other) *this = Json(other);
  return *this;
}

Json& Json::operator=(Json&& other) noexcept {
  if (this != &other) {
    // other may live inside this value (a = a.get("b")): take it out first.
    Json taken;
    taken.kind_ = other.kind_;
    std::memcpy(taken.raw_, other.raw_, sizeof raw_);
    other.kind_ = Kind::Null;
    std::memset(other.raw_, 0, sizeof other.raw_);
    release();
    kind_ = taken.kind_;
    std::memcpy(raw_, taken.raw_, sizeof raw_);
    taken.kind_ = Kind::Null;
  }
  return *this;
}

Json Json::array() {
  Json value;
  value.kind_ = Kind::Array;
  return value;
}

Json Json::object() {
  Json value;
  value.kind_ = Kind::Object;
  return value;
}

std::string_view Json::text() const {
  if (kind_ != Kind::String) return {};
  if (raw_[0] == 0xFF) return longTextOf(load<const char*>());
  return {reinterpret_cast<const char*>(raw_ + 1), raw_[0]};
}

std::string Json::stringOr(std::string_view fallback) const {
  return std::string(kind_ == Kind::String ? text() : fallback);
}

double Json::numberOr(double fallback) const { return kind_ == Kind::Number ? load<double>() : fallback; }

bool Json::boolOr(bool fallback) const { return kind_ == Kind::Bool ? load<bool>() : fallback; }

int64_t Json::integerOr(int64_t fallback) const {
  return kind_ == Kind::Number ? truncateToInt64(load<double>()) : fallback;
}

const Json& Json::get(std::string_view key) const {
  for (const Member& member : members()) {
    if (member.key == key) return member.value;
  }
  return sharedNull;
}

const Json& Json::at(size_t index) const {
  const Elements& list = elements();
  return index < list.size() ? list[index] : sharedNull;
}

const Json::Members& Json::members() const {
  return kind_ == Kind::Object && membersBlock() != nullptr ? *membersBlock() : emptyMembers;
}

const Json::Elements& Json::elements() const {
  return kind_ == Kind::Array && elementsBlock() != nullptr ? *elementsBlock() : emptyElements;
}

Json& Json::set(std::string_view key, Json value) {
  if (kind_ != Kind::Object) *this = object();
  if (membersBlock() == nullptr) store(new Members());
  Members& list = *membersBlock();
  for (Member& member : list) {
    if (member.key == key) {
      member.value = std::move(value);
      return *this;
    }
  }
  list.push_back(Member{std::string(key), std::move(value)});
  return *this;
}

Json::Members Json::takeMembers() {
  Members taken;
  if (kind_ == Kind::Object && membersBlock() != nullptr) taken = std::move(*membersBlock());
  release();
  return taken;
}

Json& Json::push(Json value) {
  if (kind_ != Kind::Array) *this = array();
  if (elementsBlock() == nullptr) store(new Elements());
  elementsBlock()->push_back(std::move(value));
  return *this;
}

int64_t truncateToInt64(double value) {
  // 2^63 is exact as a double; every double in [-2^63, 2^63) truncates into range.
  constexpr double limit = 9223372036854775808.0;
  if (!(value >= -limit && value < limit)) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(value);
}

int32_t truncateToInt32(double value) {
  if (!(value > -2147483649.0 && value < 2147483648.0)) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

}  // namespace zv
