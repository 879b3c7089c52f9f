#pragma once
// The operating system's file handles, owned. Every file the program streams
// (downloads, packed files, digests) goes through File, so that sharing modes
// and error texts are the same everywhere.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace zv {

// One line describing the last operating-system error (GetLastError or errno),
// without changing it.
std::string lastErrorText();

// Whether File::preferUncached can take effect here: Windows keeps its
// cached writes (unbuffered ones were not measured there).
#ifdef _WIN32
inline constexpr bool kUncachedWrites = false;
#else
inline constexpr bool kUncachedWrites = true;
#endif

class File {
 public:
  enum class Mode {
    Read,      // existing file, shared with other readers and writers
    Truncate,  // create or empty, then write
    Append,    // create or keep, write at the end
    Update,    // create or keep, read and write from the start
    Fresh,     // a new file: whatever stands at the path is removed first (a
               // link itself, never what it points to), then the file is
               // created exclusively, so no planted link can redirect it
  };

  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  [[nodiscard]] bool open(const std::filesystem::path& path, Mode mode, std::string& error);
  bool isOpen() const;
  void close();

  // Reads up to size bytes; got is 0 at the end of the file.
  [[nodiscard]] bool read(void* buffer, size_t size, size_t& got, std::string& error);
  [[nodiscard]] bool write(const void* data, size_t size, std::string& error);
  [[nodiscard]] bool write(std::string_view data, std::string& error) { return write(data.data(), data.size(), error); }
  [[nodiscard]] bool size(uint64_t& bytes, std::string& error) const;
  [[nodiscard]] bool seek(uint64_t offset, std::string& error);
  [[nodiscard]] bool truncateHere(std::string& error);
  [[nodiscard]] bool flush(std::string& error);
  // Starts writing the bytes [offset, offset + size) written so far to the
  // disk without waiting for them, so that a later flush finds them written
  // already (Linux); elsewhere nothing. A hint: it cannot fail.
  void startWriteback(uint64_t offset, uint64_t size);
  // Asks that later writes skip the file cache where the system allows it
  // (Linux: O_DIRECT), for a large file written once and flushed: its bytes
  // go from the caller's buffer to the disk without being copied and
  // tracked page by page. Only whole 4 KiB blocks from a block boundary in
  // memory go that way; the rest of a write off the block size (a file's
  // last partial block), or a write the file system refuses, turns the
  // cache back on for good. A hint: it cannot fail, and does nothing where
  // kUncachedWrites is false.
  void preferUncached();
  // Whether a write or flush of this file failed because the disk (or the
  // user's quota on it) is full.
  bool diskFull() const { return diskFull_; }

 private:
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  void stopUncached();
  int fd_ = -1;
  bool uncached_ = false;
#endif
  bool diskFull_ = false;
};

// The largest file readTextFile takes by default: far above any
// configuration, preferences or state file (a cache.json of a client with a
// hundred thousand files stays under 16 MiB), and low enough that parsing
// one costs no more than a few hundred megabytes.
inline constexpr size_t kMaxTextFileBytes = 16u * 1024 * 1024;

// The whole file as raw bytes, opened shared with readers and writers.
// False when it cannot be opened, a read fails, or it is longer than
// maxBytes: a larger file counts as an unreadable one.
[[nodiscard]] bool readTextFile(const std::filesystem::path& path, std::string& bytes,
                                size_t maxBytes = kMaxTextFileBytes);

// Writes bytes to path + ".tmp", flushes them to the disk and renames that
// over path durably (durable_file.h, which also has the form for a record
// that vouches for other files). Creates missing parent folders. When the
// rename fails, deletes the target and renames once more. The result is
// whether a rename succeeded.
[[nodiscard]] bool writeTextFileAtomic(const std::filesystem::path& path, std::string_view bytes);

// Renames from over to, replacing an existing file (copy allowed across volumes).
[[nodiscard]] bool replaceFile(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error);

// Clears the read-only attribute (Windows) or adds owner write permission (POSIX).
[[nodiscard]] bool makeWritable(const std::filesystem::path& path);

// path with text appended to its last component ("a/b.txt" + ".tmp").
std::filesystem::path withSuffix(const std::filesystem::path& path, std::string_view suffix);

}  // namespace zv
