#pragma once
// Where a client file lives on the update server and in the work folder.

#include <filesystem>
#include <string>
#include <string_view>

#include "updater/manifest.h"

namespace zv {

// Percent-encoding of the UTF-8 bytes of a "/"-separated server path: A-Z,
// a-z, 0-9 and - _ . ~ / are kept, every other byte becomes "%" and two
// upper-case hexadecimal digits.
std::string percentEncodePath(std::string_view path);

// updateUrl + "files/" + the encoded server name (source, else path) + ".zv"
// + "?v=" + the first 12 digits of the digest. The query changes with the
// content, so no cache between launcher and server can serve an old file.
std::string fileUrl(std::string_view updateUrl, const ManifestFile& file);

// The download in progress: workFolder/<sha256>.part. Named by the content
// alone, so any later job that wants the same file resumes it.
std::filesystem::path partPath(const std::filesystem::path& workFolder, const ManifestFile& file);

// The chunks of a patch in progress: workFolder/<sha256>.chunks.part, the
// new file's verified chunks at their places. A ".part" like a download, so
// the sweep after a successful job clears it with them.
std::filesystem::path chunksPath(const std::filesystem::path& workFolder, const ManifestFile& file);

// The file unpacked while its download arrives, moved over the target once
// whole: workFolder/<sha256>.unpacking.part. Kept in the work folder, so a
// process killed mid-download leaves nothing beside the client's files;
// swept with the parts, also by older launchers, which sweep only ".part".
inline constexpr std::string_view kUnpackingSuffix = ".unpacking.part";
std::filesystem::path unpackingPath(const std::filesystem::path& workFolder, const ManifestFile& file);

}  // namespace zv
