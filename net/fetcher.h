#pragma once
// The one door to HTTP: a small text document into memory, or a file streamed
// to disk with resume. Calls block; they are made from worker threads only.
// One fetcher serves one thread at a time; only its cancel flag is set from
// another.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "data/failure.h"
#include "zv_version.h"  // kUserAgent, sent with every request

namespace zv {

// getText refuses a body larger than this (exactly this many bytes is fine).
inline constexpr size_t kMaxTextBytes = 16u * 1024 * 1024;

// Bodies are read and handed on in pieces of at most this size.
inline constexpr size_t kChunkBytes = 64u * 1024;

// A downloaded file is written in blocks of this size that start at its
// multiples (see PieceFn): the network's pieces, written one by one, cost
// the page cache about three times the CPU.
inline constexpr size_t kWriteBlockBytes = 256u * 1024;

// Time-outs in milliseconds. The receive time-out bounds each wait for data,
// not the whole transfer, so a slow but steady download never times out.
// Tests pass shorter values.
struct FetchTimeouts {
  unsigned resolveMs = 10000;
  unsigned connectMs = 10000;
  unsigned sendMs = 15000;
  unsigned receiveMs = 30000;
};

// Told the number of bytes the destination file now holds (resume offset
// included) after every block written. Returning false stops the transfer.
using ProgressFn = std::function<bool(uint64_t fileBytes)>;

// A span of a resource's bytes, both ends included.
struct ByteRange {
  uint64_t first = 0;
  uint64_t last = 0;
};

// Told each piece of a ranged answer with the offset of its first byte in
// the resource. Returning false stops the transfer.
using RangePieceFn = std::function<bool(uint64_t offset, const char* data, size_t size)>;
// Shown the body in blocks right after each was written to the destination,
// with where it lies in the file (0 when a server that ignores a resume
// request starts the file over), so that a consumer can work on the bytes
// as they arrive instead of reading the file back. Blocks end at multiples
// of kWriteBlockBytes, or where the bytes of the last 100 ms end on a slow
// link, or where the answer ends.
using PieceFn = std::function<void(uint64_t offset, const uint8_t* data, size_t size)>;

class Fetcher {
 public:
  virtual ~Fetcher() = default;

  // True only for a complete 200 answer: body holds it byte for byte. Other
  // statuses fail as HttpStatus (BusyServer for 503 and 429) with the
  // address; a body past kMaxTextBytes as TooLarge. The body may then hold
  // part of an answer.
  [[nodiscard]] virtual bool getText(const std::string& url, std::string& body, Failure& failure) = 0;

  // Streams url into destination. resumeOffset > 0 says the destination
  // already holds that many bytes of the resource: only the rest is asked
  // for, and a server that ignores the request rewrites the file from byte 0.
  // True: the destination holds the whole resource. False: failure says why
  // and the destination may hold part of it (never deleted here), to be
  // resumed by a later call. Unusable answers fail as HttpStatus or
  // BusyServer without the address, a destination that cannot be opened or
  // written as DiskWrite (DiskFull when the disk is full), a progress
  // callback's false as Cancelled. Whatever else ends it, every byte
  // received is in the destination when it returns. piece, when given, sees
  // each block before progress is told of it.
  [[nodiscard]] virtual bool download(const std::string& url, const std::filesystem::path& destination,
                                      uint64_t resumeOffset, const ProgressFn& progress, Failure& failure,
                                      const PieceFn& piece = {}) = 0;

  // Asks for ranges of url (ascending, apart from each other, at least one)
  // in one request and hands their bytes to piece in order, a piece at a
  // time: nothing is held beyond one piece. ifRange, when not empty, is a
  // validator of an earlier answer: the server sends the ranges only while
  // the resource still has it. validator receives this answer's (its ETag,
  // else its Last-Modified; empty when it has neither). True only for a 206
  // answer that delivered exactly the bytes asked for. A 200 answer (a
  // server that ignores Range, or a resource that changed since ifRange)
  // fails as HttpStatus 200 before its body is read; an answer holding other
  // bytes than asked for as DamagedData; everything else as download fails.
  [[nodiscard]] virtual bool getRanges(const std::string& url, const std::vector<ByteRange>& ranges,
                                       const std::string& ifRange, const RangePieceFn& piece, std::string& validator,
                                       Failure& failure) = 0;

  // A flag (not owned, outliving the fetcher's use) that stops whatever
  // request runs, within about a second, also while it waits for a silent
  // server, resolves or connects: the request then fails as Cancelled.
  void watchCancel(const std::atomic<bool>* flag) { cancel_ = flag; }

 protected:
  bool cancelRequested() const { return cancel_ != nullptr && cancel_->load(); }

 private:
  const std::atomic<bool>* cancel_ = nullptr;
};

}  // namespace zv
