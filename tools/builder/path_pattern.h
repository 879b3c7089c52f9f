#pragma once
// The patterns of the release file's "exclude" and "once" lists, matched
// against client paths without regard to ASCII letter case:
//  - "*" matches any run of characters within one segment, "**" any run
//    including "/";
//  - a pattern without "/" matches a file or folder name at any depth
//    ("*.log", "Thumbs.db");
//  - a pattern with "/" is anchored at the top of the client folder
//    ("system/*.bak");
//  - a pattern ending in "/" matches folders only;
//  - a pattern that matches a folder takes in everything below it.

#include <string_view>

namespace zv::builder {

// isFolder: path names a folder (its last segment is a folder name too).
bool pathPatternMatches(std::string_view pattern, std::string_view path, bool isFolder = false);

}  // namespace zv::builder
