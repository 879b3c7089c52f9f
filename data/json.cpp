#include "data/json.h"

#include <limits>

namespace zv {

const Json sharedNull;

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

const std::string& Json::text() const { return kind_ == Kind::String ? text_ : sharedNull.text_; }

std::string Json::stringOr(std::string_view fallback) const {
  return kind_ == Kind::String ? text_ : std::string(fallback);
}

double Json::numberOr(double fallback) const { return kind_ == Kind::Number ? number_ : fallback; }

bool Json::boolOr(bool fallback) const { return kind_ == Kind::Bool ? boolean_ : fallback; }

int64_t Json::integerOr(int64_t fallback) const {
  return kind_ == Kind::Number ? truncateToInt64(number_) : fallback;
}

const Json& Json::get(std::string_view key) const {
  if (kind_ == Kind::Object) {
    for (const Member& member : members_) {
      if (member.key == key) return member.value;
    }
  }
  return sharedNull;
}

const Json& Json::at(size_t index) const {
  if (kind_ == Kind::Array && index < elements_.size()) return elements_[index];
  return sharedNull;
}

const Json::Members& Json::members() const { return kind_ == Kind::Object ? members_ : sharedNull.members_; }

const Json::Elements& Json::elements() const { return kind_ == Kind::Array ? elements_ : sharedNull.elements_; }

Json& Json::set(std::string_view key, Json value) {
  if (kind_ != Kind::Object) *this = object();
  for (Member& member : members_) {
    if (member.key == key) {
      member.value = std::move(value);
      return *this;
    }
  }
  members_.push_back(Member{std::string(key), std::move(value)});
  return *this;
}

Json& Json::push(Json value) {
  if (kind_ != Kind::Array) *this = array();
  elements_.push_back(std::move(value));
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
