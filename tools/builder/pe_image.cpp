#include "tools/builder/pe_image.h"

#include <algorithm>

#include "tools/builder/little_endian.h"

namespace zv::builder {
namespace {

constexpr size_t kSectionHeaderSize = 40;
constexpr uint32_t kInitialisedReadableData = 0x40000040;  // IMAGE_SCN_CNT_INITIALIZED_DATA | MEM_READ

uint64_t alignUp(uint64_t value, uint32_t alignment) { return (value + alignment - 1) / alignment * alignment; }

bool isPowerOfTwo(uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

// Offsets in the optional header, the same for PE32 and PE32+ up to the
// checksum; the data directories follow the fields that differ in width.
constexpr size_t kSizeOfInitializedData = 8;
constexpr size_t kSectionAlignment = 32;
constexpr size_t kFileAlignment = 36;
constexpr size_t kSizeOfImage = 56;
constexpr size_t kSizeOfHeaders = 60;
constexpr size_t kCheckSum = 64;

}  // namespace

bool PeImage::parse(std::string bytes, std::string& error) {
  bytes_ = std::move(bytes);
  sections_.clear();
  const auto fail = [&error](const char* what) {
    error = std::string("not a Windows executable: ") + what;
    return false;
  };
  if (bytes_.size() < 0x40 || bytes_.compare(0, 2, "MZ") != 0) return fail("no MZ header");
  const uint64_t pe = get32(bytes_, 0x3C);
  if (pe + 24 > bytes_.size() || bytes_.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return fail("no PE header");
  const size_t coff = pe + 4;
  const uint32_t sectionCount = get16(bytes_, coff + 2);
  const uint32_t optionalSize = get16(bytes_, coff + 16);
  optionalHeader_ = coff + 20;
  if (optionalHeader_ + optionalSize > bytes_.size() || optionalSize < 2) return fail("truncated headers");
  const uint32_t magic = get16(bytes_, optionalHeader_);
  if (magic != 0x10B && magic != 0x20B) return fail("neither PE32 nor PE32+");
  is64_ = magic == 0x20B;
  const size_t countField = optionalHeader_ + (is64_ ? 108 : 92);
  directories_ = countField + 4;
  if (directories_ > optionalHeader_ + optionalSize) return fail("truncated optional header");
  directoryCount_ = std::min<uint32_t>(get32(bytes_, countField), (optionalHeader_ + optionalSize - directories_) / 8);
  sectionAlignment_ = get32(bytes_, optionalHeader_ + kSectionAlignment);
  fileAlignment_ = get32(bytes_, optionalHeader_ + kFileAlignment);
  sizeOfHeaders_ = get32(bytes_, optionalHeader_ + kSizeOfHeaders);
  if (!isPowerOfTwo(sectionAlignment_) || !isPowerOfTwo(fileAlignment_)) return fail("bad section alignment");
  sectionTable_ = optionalHeader_ + optionalSize;
  const size_t table = sectionTable_;
  if (table + uint64_t{sectionCount} * kSectionHeaderSize > bytes_.size()) return fail("truncated section table");
  for (uint32_t i = 0; i < sectionCount; ++i) {
    const size_t at = table + i * kSectionHeaderSize;
    PeSection section;
    section.name = bytes_.substr(at, 8);
    section.name.resize(section.name.find('\0') == std::string::npos ? 8 : section.name.find('\0'));
    section.virtualSize = get32(bytes_, at + 8);
    section.virtualAddress = get32(bytes_, at + 12);
    section.rawSize = get32(bytes_, at + 16);
    section.rawOffset = get32(bytes_, at + 20);
    section.headerOffset = at;
    sections_.push_back(section);
  }
  return true;
}

std::pair<uint32_t, uint32_t> PeImage::directory(int index) const {
  if (static_cast<uint32_t>(index) >= directoryCount_) return {0, 0};
  return {get32(bytes_, directories_ + index * 8), get32(bytes_, directories_ + index * 8 + 4)};
}

bool PeImage::read(uint32_t rva, uint32_t size, std::string_view& out) const {
  for (const PeSection& section : sections_) {
    if (rva < section.virtualAddress) continue;
    const uint64_t inSection = rva - section.virtualAddress;
    if (inSection + size > section.rawSize) continue;
    const uint64_t offset = section.rawOffset + inSection;
    if (offset + size > bytes_.size()) return false;
    out = std::string_view(bytes_).substr(offset, size);
    return true;
  }
  return false;
}

const PeSection* PeImage::reusableSection(std::string_view name) const {
  if (sections_.empty()) return nullptr;
  const PeSection& last = sections_.back();
  const bool endsFile = uint64_t{last.rawOffset} + last.rawSize == bytes_.size();
  return last.name == name && endsFile && last.virtualAddress == resourceRva() ? &last : nullptr;
}

uint32_t PeImage::nextSectionRva(std::string_view name) const {
  if (const PeSection* reuse = reusableSection(name)) return reuse->virtualAddress;
  return imageEnd();
}

uint32_t PeImage::imageEnd() const {
  uint64_t end = sizeOfHeaders_;
  for (const PeSection& section : sections_) {
    end = std::max<uint64_t>(end, uint64_t{section.virtualAddress} + std::max(section.virtualSize, section.rawSize));
  }
  return static_cast<uint32_t>(alignUp(end, sectionAlignment_));
}

bool PeImage::setResourceSection(std::string_view name, const std::string& data, std::string& error) {
  if (directoryCount_ <= kResourceDirectory) {
    error = "the executable has no entry for a resource table in its header";
    return false;
  }
  const PeSection* reuse = reusableSection(name);
  const uint32_t rva = nextSectionRva(name);
  size_t header = 0;
  uint32_t oldRawSize = 0;
  uint64_t rawOffset = 0;
  if (reuse) {
    header = reuse->headerOffset;
    oldRawSize = reuse->rawSize;
    rawOffset = reuse->rawOffset;
    bytes_.resize(rawOffset);
  } else {
    header = sectionTable_ + sections_.size() * kSectionHeaderSize;
    uint64_t firstData = sizeOfHeaders_;
    for (const PeSection& section : sections_) {
      if (section.rawSize != 0) firstData = std::min<uint64_t>(firstData, section.rawOffset);
    }
    const bool free = header + kSectionHeaderSize <= firstData &&
                      std::all_of(bytes_.begin() + header, bytes_.begin() + header + kSectionHeaderSize,
                                  [](char c) { return c == 0; });
    if (!free) {
      error = "the executable has no room for another section header";
      return false;
    }
    rawOffset = alignUp(bytes_.size(), fileAlignment_);
  }
  const uint64_t rawSize = alignUp(data.size(), fileAlignment_);
  if (rawOffset + rawSize > UINT32_MAX || uint64_t{rva} + data.size() > UINT32_MAX) {
    error = "the executable would grow past 4 GiB";
    return false;
  }
  bytes_.resize(rawOffset, '\0');
  bytes_ += data;
  bytes_.resize(rawOffset + rawSize, '\0');

  std::string sectionName(name.substr(0, 8));
  sectionName.resize(8, '\0');
  bytes_.replace(header, 8, sectionName);
  put32(bytes_, header + 8, static_cast<uint32_t>(data.size()));
  put32(bytes_, header + 12, rva);
  put32(bytes_, header + 16, static_cast<uint32_t>(rawSize));
  put32(bytes_, header + 20, static_cast<uint32_t>(rawOffset));
  for (size_t field = 24; field < 36; ++field) bytes_[header + field] = '\0';
  put32(bytes_, header + 36, kInitialisedReadableData);
  const size_t coff = optionalHeader_ - 20;
  if (!reuse) put16(bytes_, coff + 2, get16(bytes_, coff + 2) + 1);
  const uint32_t initialised = get32(bytes_, optionalHeader_ + kSizeOfInitializedData);
  put32(bytes_, optionalHeader_ + kSizeOfInitializedData,
        static_cast<uint32_t>(initialised - std::min(initialised, oldRawSize) + rawSize));
  put32(bytes_, directories_ + kResourceDirectory * 8, rva);
  put32(bytes_, directories_ + kResourceDirectory * 8 + 4, static_cast<uint32_t>(data.size()));

  std::string rebuilt = std::move(bytes_);
  if (!parse(std::move(rebuilt), error)) return false;
  put32(bytes_, optionalHeader_ + kSizeOfImage, imageEnd());
  updateChecksum();
  return true;
}

// The image checksum: the file's 16-bit words summed with the carries folded
// back in, the checksum field itself counted as zero, plus the file length.
void PeImage::updateChecksum() {
  const size_t field = optionalHeader_ + kCheckSum;
  put32(bytes_, field, 0);
  uint64_t sum = 0;
  for (size_t i = 0; i < bytes_.size(); i += 2) {
    sum += i + 1 < bytes_.size() ? get16(bytes_, i) : static_cast<uint8_t>(bytes_[i]);
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  put32(bytes_, field, static_cast<uint32_t>((sum & 0xFFFF) + bytes_.size()));
}

}  // namespace zv::builder
