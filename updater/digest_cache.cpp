#include "updater/digest_cache.h"

#include <utility>

namespace zv {

void DigestCache::clear() {
  entries_.clear();
  index_.clear();
  forgetDump();
  changed_ = true;
}

void DigestCache::forgetDump() {
  dumpedText_.clear();
  dumped_ = 0;
}

void DigestCache::reindex() {
  index_.clear();
  index_.reserve(entries_.size());
  const auto nameOf = [this](size_t entry) { return this->nameOf(entry); };
  for (size_t i = 0; i < entries_.size(); ++i) (void)index_.insert(nameOf(i), i, nameOf);
}

void DigestCache::assign(Json&& object) {
  clear();
  // The parsed members (an object never repeats a name) are taken over, not
  // copied: tens of thousands of names and digests.
  if (object.isObject()) entries_ = object.takeMembers();
  reindex();
  changed_ = false;
}

size_t DigestCache::entryOf(std::string_view path) const {
  return index_.find(path, [this](size_t i) { return nameOf(i); });
}

const Json* DigestCache::find(std::string_view path) const {
  const size_t entry = entryOf(path);
  return entry == npos ? nullptr : &entries_[entry].value;
}

bool DigestCache::vouches(std::string_view path, uint64_t size, std::string_view timeText,
                          std::string_view sha256) const {
  return vouches(entryOf(path), size, timeText, sha256);
}

bool DigestCache::vouches(size_t entryNumber, uint64_t size, std::string_view timeText,
                          std::string_view sha256) const {
  if (entryNumber == npos || timeText.empty()) return false;
  const Json* entry = &entries_[entryNumber].value;
  if (!entry->isArray()) return false;
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
  const size_t entry = index_.insert(path, entries_.size(), [this](size_t i) { return nameOf(i); });
  if (entry == entries_.size()) {
    entries_.push_back({std::string(path), std::move(value)});
  } else {
    entries_[entry].value = std::move(value);
    if (entry < dumped_) forgetDump();
  }
}

void DigestCache::keepOnly(const std::vector<bool>& kept) {
  size_t to = 0;
  for (size_t from = 0; from < entries_.size(); ++from) {
    if (!kept[from]) continue;
    if (to != from) entries_[to] = std::move(entries_[from]);
    ++to;
  }
  if (to == entries_.size()) return;
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(to), entries_.end());
  reindex();
  forgetDump();
  changed_ = true;
}

std::string DigestCache::dump() const {
  for (; dumped_ < entries_.size(); ++dumped_) {
    if (dumped_ > 0) dumpedText_ += ',';
    Json::appendString(dumpedText_, entries_[dumped_].key);
    dumpedText_ += ':';
    entries_[dumped_].value.appendTo(dumpedText_);
  }
  std::string out;
  // Room for the line feed that cache.json ends with, too: the text is
  // megabytes on a large client and saved every few files.
  out.reserve(dumpedText_.size() + 3);
  out += '{';
  out += dumpedText_;
  out += '}';
  return out;
}

}  // namespace zv
