#include "tools/builder/pe_resources.h"

#include <algorithm>
#include <map>
#include <string_view>

#include "tools/builder/little_endian.h"
#include "tools/builder/pe_image.h"

namespace zv::builder {
namespace {

constexpr uint32_t kHighBit = 0x80000000u;
constexpr int kLanguageLevel = 2;  // type 0, name 1, language 2
// A table may point several entries at one subdirectory; this bounds the
// work such a table can cause.
constexpr size_t kMaxNodes = 100000;

size_t alignUp(size_t value, size_t alignment) { return (value + alignment - 1) / alignment * alignment; }

class TableReader {
 public:
  TableReader(const PeImage& image, std::string_view table, std::string& error)
      : image_(image), table_(table), error_(error) {}

  bool directory(uint64_t offset, int level, ResourceNode& node) {
    if (offset + 16 > table_.size()) return fail("a resource directory lies outside the table");
    const uint32_t count = get16(table_, offset + 12) + get16(table_, offset + 14);
    if (offset + 16 + uint64_t{count} * 8 > table_.size()) return fail("a resource directory lies outside the table");
    for (uint32_t i = 0; i < count; ++i) {
      if (++nodes_ > kMaxNodes) return fail("the resource table has too many entries");
      const size_t entry = offset + 16 + i * 8;
      ResourceNode child;
      if (!key(get32(table_, entry), child.key)) return false;
      const uint32_t target = get32(table_, entry + 4);
      const bool isDirectory = (target & kHighBit) != 0;
      if (isDirectory == (level == kLanguageLevel)) return fail("resources nest otherwise than type, name, language");
      if (!(isDirectory ? directory(target & ~kHighBit, level + 1, child) : leaf(target, child))) return false;
      node.children.push_back(std::move(child));
    }
    return true;
  }

 private:
  bool key(uint32_t field, ResourceKey& out) {
    if ((field & kHighBit) == 0) {
      out.id = field;
      return true;
    }
    const uint64_t at = field & ~kHighBit;
    if (at + 2 > table_.size() || at + 2 + uint64_t{get16(table_, at)} * 2 > table_.size()) {
      return fail("a resource name lies outside the table");
    }
    out.named = true;
    for (uint32_t i = 0; i < get16(table_, at); ++i) out.name += static_cast<char16_t>(get16(table_, at + 2 + i * 2));
    return true;
  }

  bool leaf(uint64_t offset, ResourceNode& node) {
    if (offset + 16 > table_.size()) return fail("a resource entry lies outside the table");
    std::string_view data;
    if (!image_.read(get32(table_, offset), get32(table_, offset + 4), data)) {
      return fail("a resource's data lies outside the file");
    }
    node.data.assign(data);
    node.codePage = get32(table_, offset + 8);
    return true;
  }

  bool fail(const char* what) {
    error_ = what;
    return false;
  }

  const PeImage& image_;
  std::string_view table_;
  std::string& error_;
  size_t nodes_ = 0;
};

// Numbered entries follow the named ones in ascending order.
ResourceNode& numberedChild(ResourceNode& parent, uint32_t id) {
  auto it = parent.children.begin();
  while (it != parent.children.end() && (it->key.named || it->key.id < id)) ++it;
  if (it == parent.children.end() || it->key.id != id) {
    ResourceNode child;
    child.key.id = id;
    it = parent.children.insert(it, std::move(child));
  }
  return *it;
}

// Where each piece of the table goes: directories (breadth first), names,
// data entries, then the data itself.
struct Layout {
  std::map<const ResourceNode*, size_t> directories;
  std::map<const ResourceNode*, size_t> names;
  std::map<const ResourceNode*, size_t> entries;
  std::map<const ResourceNode*, size_t> data;
  size_t size = 0;
};

Layout layOut(const ResourceNode& root) {
  Layout layout;
  std::vector<const ResourceNode*> levels[kLanguageLevel + 2];
  levels[0] = {&root};
  for (int level = 0; level <= kLanguageLevel; ++level) {
    for (const ResourceNode* node : levels[level]) {
      for (const ResourceNode& child : node->children) levels[level + 1].push_back(&child);
    }
  }
  for (int level = 0; level <= kLanguageLevel; ++level) {
    for (const ResourceNode* node : levels[level]) {
      layout.directories[node] = layout.size;
      layout.size += 16 + 8 * node->children.size();
    }
  }
  for (int level = 1; level <= kLanguageLevel + 1; ++level) {
    for (const ResourceNode* node : levels[level]) {
      if (!node->key.named) continue;
      layout.names[node] = layout.size;
      layout.size += 2 + 2 * node->key.name.size();
    }
  }
  layout.size = alignUp(layout.size, 4);
  for (const ResourceNode* leaf : levels[kLanguageLevel + 1]) {
    layout.entries[leaf] = layout.size;
    layout.size += 16;
  }
  for (const ResourceNode* leaf : levels[kLanguageLevel + 1]) {
    layout.size = alignUp(layout.size, 8);
    layout.data[leaf] = layout.size;
    layout.size += leaf->data.size();
  }
  return layout;
}

}  // namespace

bool readResources(const PeImage& image, ResourceNode& root, std::string& error) {
  root = ResourceNode();
  if (image.resourceRva() == 0 || image.resourceSize() == 0) return true;
  std::string_view table;
  if (!image.read(image.resourceRva(), image.resourceSize(), table)) {
    error = "the resource table lies outside the file";
    return false;
  }
  return TableReader(image, table, error).directory(0, 0, root);
}

void setResource(ResourceNode& root, uint32_t type, uint32_t id, std::string data) {
  ResourceNode& name = numberedChild(numberedChild(root, type), id);
  ResourceNode language;
  language.key.id = kLanguageNeutral;
  language.data = std::move(data);
  name.children.clear();
  name.children.push_back(std::move(language));
}

std::string writeResources(const ResourceNode& root, uint32_t rva) {
  const Layout layout = layOut(root);
  std::string out(layout.size, '\0');
  for (const auto& [node, offset] : layout.directories) {
    const auto named = std::count_if(node->children.begin(), node->children.end(),
                                     [](const ResourceNode& child) { return child.key.named; });
    put16(out, offset + 12, static_cast<uint32_t>(named));
    put16(out, offset + 14, static_cast<uint32_t>(node->children.size() - named));
    for (size_t i = 0; i < node->children.size(); ++i) {
      const ResourceNode& child = node->children[i];
      const size_t entry = offset + 16 + i * 8;
      put32(out, entry, child.key.named ? kHighBit | static_cast<uint32_t>(layout.names.at(&child)) : child.key.id);
      const auto directory = layout.directories.find(&child);
      put32(out, entry + 4, directory != layout.directories.end() ? kHighBit | static_cast<uint32_t>(directory->second)
                                                                  : static_cast<uint32_t>(layout.entries.at(&child)));
    }
  }
  for (const auto& [node, offset] : layout.names) {
    put16(out, offset, static_cast<uint32_t>(node->key.name.size()));
    for (size_t i = 0; i < node->key.name.size(); ++i) put16(out, offset + 2 + i * 2, node->key.name[i]);
  }
  for (const auto& [leaf, offset] : layout.entries) {
    put32(out, offset, rva + static_cast<uint32_t>(layout.data.at(leaf)));
    put32(out, offset + 4, static_cast<uint32_t>(leaf->data.size()));
    put32(out, offset + 8, leaf->codePage);
    out.replace(layout.data.at(leaf), leaf->data.size(), leaf->data);
  }
  return out;
}

}  // namespace zv::builder
