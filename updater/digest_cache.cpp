#include "updater/digest_cache.h"

namespace zv {

void DigestCache::clear() {
  entries_.clear();
  index_.clear();
  changed_ = true;
}

void DigestCache::assign(const Json& object) {
  clear();
  if (!object.isObject()) return;
  entries_.reserve(object.members().size());
  index_.reserve(object.members().size());
  for (const Json::Member& member : object.members()) {
    if (index_.emplace(member.key, entries_.size()).second) entries_.push_back({member.key, member.value});
  }
  changed_ = false;
}

const Json* DigestCache::find(std::string_view path) const {
  const auto it = index_.find(path);
  return it == index_.end() ? nullptr : &entries_[it->second].value;
}

bool DigestCache::vouches(std::string_view path, uint64_t size, std::string_view timeText,
                          std::string_view sha256) const {
  const Json* entry = find(path);
  if (entry == nullptr || !entry->isArray() || timeText.empty()) return false;
  const Json& recordedSize = entry->at(0);
  const Json& recordedTime = entry->at(1);
  const Json& recordedDigest = entry->at(2);
  // A size beyond the signed range converts to the most negative value and
  // so never equals a real size.
  return recordedSize.isNumber() && truncateToInt64(recordedSize.numberOr(0)) == static_cast<int64_t>(size) &&
         recordedTime.isString() && recordedTime.text() == timeText && recordedDigest.isString() &&
         recordedDigest.text() == sha256;
}

void DigestCache::record(std::string_view path, uint64_t size, std::string_view timeText, std::string_view sha256) {
  Json value = Json::array();
  value.push(size);
  value.push(timeText);
  value.push(sha256);
  changed_ = true;
  const auto [it, added] = index_.emplace(std::string(path), entries_.size());
  if (added) {
    entries_.push_back({std::string(path), std::move(value)});
  } else {
    entries_[it->second].value = std::move(value);
  }
}

void DigestCache::keepOnly(const std::unordered_set<std::string>& paths) {
  std::vector<Entry> kept;
  for (Entry& entry : entries_) {
    if (paths.count(entry.path) != 0) kept.push_back(std::move(entry));
  }
  if (kept.size() == entries_.size()) {
    entries_ = std::move(kept);
    return;
  }
  entries_ = std::move(kept);
  index_.clear();
  for (size_t i = 0; i < entries_.size(); ++i) index_.emplace(entries_[i].path, i);
  changed_ = true;
}

std::string DigestCache::dump() const {
  std::string out = "{";
  for (const Entry& entry : entries_) {
    if (out.size() > 1) out += ',';
    out += Json(entry.path).dump();
    out += ':';
    out += entry.value.dump();
  }
  out += '}';
  return out;
}

}  // namespace zv
