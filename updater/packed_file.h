#pragma once
// The packed form in which the update server stores every file, and its
// installation: unpack next to the target, verify, then replace the target
// with one rename, so that a reader of the target (the game) only ever sees
// the old or the new file.
//
// Format, integers little-endian:
//   0   4          magic "ZV1\0"
//   4   8          unpacked size
//   12  4          chunk size, 1 to 16 MiB
//   16  4          chunk count = ceil(unpacked size / chunk size)
//   20  4 x count  chunk table: bit 31 set = stored raw, else a zlib stream;
//                  bits 0-30 = length of the chunk's data
//   ...            the chunks' data back to back
// Every chunk but the last unpacks to exactly the chunk size.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "data/failure.h"

namespace zv {

inline constexpr char kPackedMagic[4] = {'Z', 'V', '1', '\0'};
inline constexpr size_t kPackedHeaderSize = 20;
inline constexpr uint32_t kMaxPackedChunkSize = 16u * 1024 * 1024;
inline constexpr uint32_t kRawChunkFlag = 0x80000000u;

// An installed file above this size is sent to the disk as it is unpacked
// and flushed on its own once in place: a sync of the whole file system
// would also write out the downloads in progress, whose bytes are deleted
// soon after and need never reach the disk. Smaller files are flushed
// together (DurableBatch), or on their own while large downloads are in
// progress.
inline constexpr uint64_t kFlushedAloneAbove = 1u << 20;

// The largest data length accepted for any chunk of a file with chunk size n
// (zlib's worst case for n bytes with room to spare), in 32-bit arithmetic.
uint32_t packedBound(uint32_t chunkSize);

class File;
class Inflater;

// Reads until size bytes arrived or the file ends; false on a read error.
[[nodiscard]] bool readFully(File& file, void* buffer, size_t size, size_t& got);

// A little-endian 32-bit word, as the header and the chunk table store them.
inline uint32_t readLittleEndian32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

// What a packed file's first kPackedHeaderSize bytes say.
struct PackedHeader {
  uint64_t size = 0;
  uint32_t chunkSize = 0;
  uint32_t count = 0;
  // Where the chunk data starts: after the header and the table.
  uint64_t dataStart() const { return kPackedHeaderSize + 4ull * count; }
};

// Reads a header of got bytes for a file of expectedSize. False: DamagedData
// ("not a packed file", "packed file header does not match the manifest").
[[nodiscard]] bool readPackedHeader(const uint8_t* bytes, size_t got, uint64_t expectedSize, PackedHeader& header,
                                    Failure& failure);

// Turns one chunk's data (its length: word without kRawChunkFlag) back into
// its expected unpacked bytes: the data itself for a raw chunk, else
// inflated into out, which has room for expected bytes. unpacked points at
// the result. False: "packed file is damaged" (DamagedData).
[[nodiscard]] bool unpackChunk(uint32_t word, const uint8_t* data, size_t expected, Inflater& inflater, uint8_t* out,
                               const uint8_t*& unpacked, Failure& failure);

// Moves a verified new file beside the target over it: a rename, or, when
// that fails, clearing the target's read-only attribute, deleting it and
// renaming again. False: TargetLocked; the new file is the caller's to delete.
[[nodiscard]] bool replaceTarget(const std::filesystem::path& newFile, const std::filesystem::path& target,
                                 Failure& failure);

// Told the running count of bytes written after each chunk.
using UnpackProgress = std::function<void(uint64_t bytesWritten)>;

// Unpacks packedPath into target + ".zvnew", hashing on the way, and moves
// that over target when the size and the SHA-256 (any letter case) are the
// expected ones. The file is read into a PackedStream (packed_stream.h),
// which holds every rule of the format. A read-only target is made writable and deleted when the
// rename alone cannot replace it. Memory use is one chunk in and one chunk
// out, whatever the file size. cancel is looked at before each chunk.
// False: failure says why and target is as it was (but for TargetLocked,
// where it may be gone); no ".zvnew" file is left. DamagedData ("cannot open
// downloaded file", "not a packed file", "packed file header does not match
// the manifest", "packed file is truncated", "packed file is damaged",
// "checksum mismatch after download"), DiskFull (subject: target),
// WriteFailed, Cancelled, TargetInUse
// (the new file cannot be made beside the target), FolderInPlace or
// FileInPlace (see prepareTargetPlace) or TargetLocked (the target cannot be
// replaced).
// The packed file itself is left alone. The target's data is not flushed:
// callers that vouch for it flush it first (DurableBatch).
[[nodiscard]] bool applyPacked(const std::filesystem::path& packedPath, const std::filesystem::path& target,
                               uint64_t expectedSize, std::string_view expectedSha256, const UnpackProgress& progress,
                               const std::atomic<bool>* cancel, Failure& failure);

}  // namespace zv
