#include "updater/file_url.h"

#include "data/percent_encoding.h"
#include "platform/text_path.h"

namespace zv {

std::string percentEncodePath(std::string_view path) {
  return percentEncode(path, [](unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
           byte == '-' || byte == '_' || byte == '.' || byte == '~' || byte == '/';
  });
}

std::string fileUrl(std::string_view updateUrl, const ManifestFile& file) {
  const std::string& name = file.source.empty() ? file.path : file.source;
  return std::string(updateUrl) + "files/" + percentEncodePath(name + ".zv") + "?v=" + file.sha256.substr(0, 12);
}

std::filesystem::path partPath(const std::filesystem::path& workFolder, const ManifestFile& file) {
  return workFolder / pathFromUtf8(file.sha256 + ".part");
}

std::filesystem::path chunksPath(const std::filesystem::path& workFolder, const ManifestFile& file) {
  return workFolder / pathFromUtf8(file.sha256 + ".chunks.part");
}

std::filesystem::path unpackingPath(const std::filesystem::path& workFolder, const ManifestFile& file) {
  return workFolder / pathFromUtf8(file.sha256 + std::string(kUnpackingSuffix));
}

}  // namespace zv
