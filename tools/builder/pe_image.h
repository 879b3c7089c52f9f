#pragma once
// A Windows executable (PE/COFF, PE32 and PE32+) held in memory: its headers
// and sections, enough to find the resource tree and to put a new one in
// place. The layout follows Microsoft's published PE format description.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zv::builder {

struct PeSection {
  std::string name;
  uint32_t virtualSize = 0;
  uint32_t virtualAddress = 0;
  uint32_t rawSize = 0;
  uint32_t rawOffset = 0;
  size_t headerOffset = 0;  // of its 40-byte header in the file
};

class PeImage {
 public:
  // Checks the headers; the message says what the file is not.
  [[nodiscard]] bool parse(std::string bytes, std::string& error);

  const std::string& bytes() const { return bytes_; }
  bool is64() const { return is64_; }
  const std::vector<PeSection>& sections() const { return sections_; }

  // The resource table's place, as its data directory gives it (0, 0: none).
  uint32_t resourceRva() const { return directory(kResourceDirectory).first; }
  uint32_t resourceSize() const { return directory(kResourceDirectory).second; }
  bool isSigned() const { return directory(kCertificateDirectory).second != 0; }

  // The bytes at [rva, rva + size) when one section's file data holds them.
  [[nodiscard]] bool read(uint32_t rva, uint32_t size, std::string_view& out) const;

  // Makes data, meant to sit at rva, the resource table: in a new last
  // section named name, or in place of the last section when that one has
  // this name and its data ends the file (an earlier call made it). Updates
  // the section count, image size, initialised data size and checksum.
  [[nodiscard]] bool setResourceSection(std::string_view name, const std::string& data, std::string& error);

  // Where setResourceSection puts the section (name as there).
  uint32_t nextSectionRva(std::string_view name) const;

 private:
  static constexpr int kResourceDirectory = 2;
  static constexpr int kCertificateDirectory = 4;

  std::pair<uint32_t, uint32_t> directory(int index) const;
  const PeSection* reusableSection(std::string_view name) const;
  // The end of the last section in memory (headers at least), section-aligned.
  uint32_t imageEnd() const;
  void updateChecksum();

  std::string bytes_;
  bool is64_ = false;
  size_t optionalHeader_ = 0;  // file offset of the optional header
  uint32_t directoryCount_ = 0;
  size_t directories_ = 0;     // file offset of the data directories
  size_t sectionTable_ = 0;    // file offset of the first section header
  uint32_t sectionAlignment_ = 0;
  uint32_t fileAlignment_ = 0;
  uint32_t sizeOfHeaders_ = 0;
  std::vector<PeSection> sections_;
};

}  // namespace zv::builder
