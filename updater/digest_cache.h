#pragma once
// The digest cache (cache.json): for each manifest path the size, modification
// time and SHA-256 last seen for that file, so that an ordinary check can
// trust a file whose size and time have not changed instead of hashing it.
//
// It is one JSON object, but the check looks up one member per client file,
// so the members are indexed by name: a client of tens of thousands of files
// costs one hash lookup per file, not a scan of the object.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/json.h"
#include "data/name_index.h"

namespace zv {

class DigestCache {
 public:
  // Forgets every entry.
  void clear();

  // Takes over the members of a parsed cache.json; anything but an object
  // leaves the cache empty. A name that repeats is kept once, with the value
  // Json::get would give.
  void assign(Json&& object);

  // Whether the entry named path vouches for a file of this size and
  // modification time with this digest: the entry is an array whose first
  // element is a number equal to size, whose second is a string equal to
  // timeText (never when timeText is empty), and whose third is a string
  // equal to sha256. Names are compared byte for byte.
  bool vouches(std::string_view path, uint64_t size, std::string_view timeText, std::string_view sha256) const;
  // The same for the entry numbered entry (npos: none).
  bool vouches(size_t entry, uint64_t size, std::string_view timeText, std::string_view sha256) const;

  // Entries are numbered in their order, 0 to size() - 1; a number stays
  // with its entry until keepOnly, clear or assign.
  static constexpr size_t npos = NameIndex::npos;
  // The number of the entry named path, or npos; and the name of entry
  // number entry.
  size_t entryOf(std::string_view path) const;
  std::string_view nameOf(size_t entry) const { return entries_[entry].key; }

  // Sets the entry named path to [size, timeText, sha256], in place when it
  // exists, else as a new last member.
  void record(std::string_view path, uint64_t size, std::string_view timeText, std::string_view sha256);

  // Forgets the entries whose number is not marked in kept (changed when
  // any was). kept has one mark per entry.
  void keepOnly(const std::vector<bool>& kept);

  // Whether entries were recorded or cleared since the last assign or
  // markSaved: an unchanged cache need not be written back.
  bool changed() const { return changed_; }
  void markChanged() { changed_ = true; }
  void markSaved() { changed_ = false; }
  // The value stored under path, or null when there is none.
  const Json* find(std::string_view path) const;
  size_t size() const { return entries_.size(); }

  // The compact JSON text of the object, members in insertion order, without
  // a final line feed: the same text as Json::dump of that object.
  std::string dump() const;

 private:
  void reindex();
  void forgetDump();

  // Members of the object as read, then as recorded.
  Json::Members entries_;
  NameIndex index_;
  bool changed_ = false;
  // The text of the first dumped_ members, comma-separated, as the last
  // dump wrote them. The cache is saved every few files of a download, and
  // a fresh install only adds members at the end: each save then writes out
  // only the members added since, not all of them again.
  mutable std::string dumpedText_;
  mutable size_t dumped_ = 0;
};

}  // namespace zv
