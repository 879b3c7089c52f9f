#include "app/host/ui_content.h"

#include "app/host/ui_pack.h"
#include "platform/file.h"

namespace zv {
namespace {

struct SingleFile {
  unsigned id;
  const char* name;
};

constexpr SingleFile kSingleFiles[] = {
    {kIndexHtmlResource, "index.html"},
    {kStyleCssResource, "style.css"},
    {kAppJsResource, "app.js"},
    {kLogoPngResource, "logo.png"},
};

// The single files are shared by every install of the user, so a file is
// rewritten only when it differs: other launchers may have it open.
std::filesystem::path writeSingleFiles(const std::filesystem::path& folder, const ResourceReader& resources) {
  for (const SingleFile& file : kSingleFiles) {
    std::string_view bytes;
    if (!resources(file.id, bytes)) continue;
    const std::filesystem::path path = folder / file.name;
    std::string onDisk;
    if (readTextFile(path, onDisk) && onDisk == bytes) continue;
    (void)writeTextFileAtomic(path, bytes);
  }
  return folder / "index.html";
}

}  // namespace

std::filesystem::path prepareUiContent(const UiPlaces& places, const ResourceReader& resources) {
  const std::filesystem::path publisherFolder = places.clientFolder / "ui";
  if (hasPageIndex(publisherFolder)) return publisherFolder / "index.html";

  std::string_view pack;
  if (resources(kUiPackResource, pack)) {
    const std::filesystem::path folder = places.dataFolder / ("ui-" + places.installTag);
    if (extractUiPack(pack, folder) && hasPageIndex(folder)) return folder / "index.html";
  }
  return writeSingleFiles(places.dataFolder / "ui-default", resources);
}

}  // namespace zv
