#pragma once
// Where the page comes from: the publisher's own "ui" folder next to the
// launcher, else the UI pack the launcher carries, extracted once per client
// folder, else the four single page files shared by every install of the
// user. The page is loaded from disk through "file:" URLs, so it has to be
// written out before the web view starts.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace zv {

// Resource ids of the page's files inside the executable.
inline constexpr unsigned kIndexHtmlResource = 101;
inline constexpr unsigned kStyleCssResource = 102;
inline constexpr unsigned kAppJsResource = 103;
inline constexpr unsigned kLogoPngResource = 104;
inline constexpr unsigned kUiPackResource = 201;

struct UiPlaces {
  std::filesystem::path clientFolder;
  std::filesystem::path dataFolder;
  std::string installTag;
};

// Hands out a resource of the program by id; false when it has none.
// The start-up passes moduleResource (platform/module_resource.h).
using ResourceReader = std::function<bool(unsigned id, std::string_view& bytes)>;

// Puts the page's files on disk and returns the page to show (its folder is
// the UI folder). Write failures are not reported: the page path is returned
// all the same, and the web view shows whatever is there.
std::filesystem::path prepareUiContent(const UiPlaces& places, const ResourceReader& resources);

}  // namespace zv
