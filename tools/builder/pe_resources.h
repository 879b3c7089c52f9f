#pragma once
// The resource tree of a Windows executable (type, then name, then
// language, then the data), read from and written to the resource table
// format of the PE format description.

#include <cstdint>
#include <string>
#include <vector>

namespace zv::builder {

class PeImage;

inline constexpr uint32_t kRtRcdata = 10;
inline constexpr uint32_t kLanguageNeutral = 0;

// A directory entry's key: a number, or a name (UTF-16 as stored).
struct ResourceKey {
  bool named = false;
  uint32_t id = 0;
  std::u16string name;
  bool operator==(const ResourceKey&) const = default;
};

struct ResourceNode {
  ResourceKey key;
  std::vector<ResourceNode> children;  // in table order: names, then numbers ascending
  // Leaves (the third level) only:
  std::string data;
  uint32_t codePage = 0;
  bool operator==(const ResourceNode&) const = default;
};

// The tree of the image's resource table; an image without one gives an
// empty root. Refuses tables that point outside the file or nest otherwise
// than type / name / language.
[[nodiscard]] bool readResources(const PeImage& image, ResourceNode& root, std::string& error);

// Makes data the only language of resource (type, id): an existing entry's
// languages are replaced, so the resource is found whatever language the
// reader asks for.
void setResource(ResourceNode& root, uint32_t type, uint32_t id, std::string data);

// The resource table of root for a section at rva.
std::string writeResources(const ResourceNode& root, uint32_t rva);

}  // namespace zv::builder
