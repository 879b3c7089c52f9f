#include "tools/builder/packer.h"

#include <algorithm>
#include <cstdint>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/file.h"
#include "platform/text_path.h"
#include "tools/builder/chunk_compressor.h"
#include "tools/builder/packed_format.h"
#include "data/hex.h"
#include "crypto/sha256.h"

namespace zv::builder {
namespace {

// One chunk on its way from the reader through a compressor to the writer.
// An empty file travels as one item with no chunk, so that its header is
// written in turn.
struct Item {
  uint64_t sequence = UINT64_MAX;  // which item the slot holds now
  size_t job = 0;
  uint32_t chunk = 0;
  uint32_t count = 0;
  std::vector<uint8_t> input;
  uint8_t inputDigest[Sha256::kDigestSize] = {};  // of input, for a file of more than one chunk
  std::vector<uint8_t> output;
  size_t outputLength = 0;  // 0: stored raw
  bool compressed = false;  // the compressor is done with it
};

class Pipeline {
 public:
  Pipeline(std::vector<PackJob>& jobs, const PackOptions& options, const PackProgress& progress)
      : jobs_(jobs), options_(options), progress_(progress) {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    workers_ = options.threads ? options.threads : cores;
    // Enough chunks in flight to keep every compressor busy while the
    // writer catches up, but never more than about 256 MiB of buffers.
    const size_t budget = std::max<size_t>(workers_ + 2, (256u << 20) / (2 * size_t{options.chunkSize}));
    slots_.resize(std::min<size_t>(2 * workers_ + 2, budget));
    for (const PackJob& job : jobs) total_ += std::max<uint64_t>(1, chunkCount(job.size, options.chunkSize));
  }

  bool run(std::string& error) {
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < workers_; ++i) threads.emplace_back([this] { compressLoop(); });
    threads.emplace_back([this] { writeLoop(); });
    readLoop();
    {
      std::lock_guard lock(mutex_);
      readingDone_ = true;
    }
    workReady_.notify_all();
    for (std::thread& thread : threads) thread.join();
    if (!failed_) return true;
    error = error_;
    return false;
  }

 private:
  void fail(std::string message) {
    {
      std::lock_guard lock(mutex_);
      if (!failed_) error_ = std::move(message);
      failed_ = true;
    }
    slotFree_.notify_all();
    workReady_.notify_all();
    itemDone_.notify_all();
  }

  // Waits for the slot of sequence number s to be free, and takes it.
  Item* takeSlot(uint64_t s) {
    std::unique_lock lock(mutex_);
    slotFree_.wait(lock, [&] { return failed_ || s < written_ + slots_.size(); });
    if (failed_) return nullptr;
    Item& item = slots_[s % slots_.size()];
    item.sequence = s;
    item.compressed = false;
    return &item;
  }

  void submit(uint64_t s) {
    {
      std::lock_guard lock(mutex_);
      queue_.push_back(s);
    }
    workReady_.notify_one();
  }

  void readLoop() {
    uint64_t s = 0;
    for (size_t j = 0; j < jobs_.size(); ++j) {
      const PackJob& job = jobs_[j];
      File file;
      std::string error;
      if (!file.open(job.source, File::Mode::Read, error)) return fail(error);
      const auto count = static_cast<uint32_t>(chunkCount(job.size, options_.chunkSize));
      Sha256 digest;
      uint64_t offset = 0;
      for (uint32_t c = 0; c < std::max<uint32_t>(count, 1); ++c, ++s) {
        Item* item = takeSlot(s);
        if (!item) return;
        const auto length = static_cast<size_t>(std::min<uint64_t>(options_.chunkSize, job.size - offset));
        item->job = j;
        item->chunk = c;
        item->count = count;
        item->input.resize(length);
        if (!readExactly(file, item->input.data(), length, job, error)) return fail(error);
        digest.update(item->input.data(), length);
        offset += length;
        if (c + 1 >= count && !checkEnd(file, digest, job, error)) return fail(error);
        submit(s);
      }
    }
  }

  static bool readExactly(File& file, uint8_t* buffer, size_t length, const PackJob& job, std::string& error) {
    while (length > 0) {
      size_t got = 0;
      if (!file.read(buffer, length, got, error)) return false;
      if (got == 0) {
        error = job.path + " changed while the release was being built (it became shorter); build again";
        return false;
      }
      buffer += got;
      length -= got;
    }
    return true;
  }

  // The file must have ended where it ended when it was hashed, with the
  // same content, or the manifest would describe something else.
  static bool checkEnd(File& file, Sha256& digest, const PackJob& job, std::string& error) {
    uint8_t extra = 0;
    size_t got = 0;
    if (!file.read(&extra, 1, got, error)) return false;
    uint8_t bytes[Sha256::kDigestSize];
    digest.final(bytes);
    if (got != 0 || toHex(bytes, sizeof bytes) != job.sha256) {
      error = job.path + " changed while the release was being built; build again";
      return false;
    }
    return true;
  }

  void compressLoop() {
    ChunkCompressor compressor(options_.level);
    for (;;) {
      uint64_t s = 0;
      {
        std::unique_lock lock(mutex_);
        workReady_.wait(lock, [&] { return failed_ || !queue_.empty() || readingDone_; });
        if (failed_ || queue_.empty()) return;
        s = queue_.front();
        queue_.pop_front();
      }
      Item& item = slots_[s % slots_.size()];
      // Hashed here rather than by the reader: the compressing threads work
      // side by side, the reader alone.
      if (item.count > 1) {
        Sha256 digest;
        digest.update(item.input.data(), item.input.size());
        digest.final(item.inputDigest);
      }
      item.output.resize(item.input.size());
      item.outputLength = compressor.compress(item.input.data(), item.input.size(), item.output.data());
      {
        std::lock_guard lock(mutex_);
        item.compressed = true;
      }
      itemDone_.notify_all();
    }
  }

  void writeLoop() {
    File out;
    std::vector<uint8_t> table;
    uint64_t packed = 0;
    uint64_t bytesDone = 0;
    uint64_t filesDone = 0;
    std::string error;
    for (uint64_t s = 0; s < total_; ++s) {
      Item& item = slots_[s % slots_.size()];
      {
        std::unique_lock lock(mutex_);
        itemDone_.wait(lock, [&] { return failed_ || (item.sequence == s && item.compressed); });
        if (failed_) return;
      }
      PackJob& job = jobs_[item.job];
      if (item.chunk == 0) {
        uint8_t header[kPackedHeaderSize];
        writePackedHeader(header, job.size, options_.chunkSize, item.count);
        table.assign(size_t{item.count} * 4, 0);
        if (!out.open(job.target, File::Mode::Truncate, error) || !out.write(header, sizeof header, error) ||
            !out.write(table.data(), table.size(), error)) {
          return fail(error);
        }
        packed = sizeof header + table.size();
        job.chunkSha256.clear();
      }
      if (item.count > 1) job.chunkSha256 += toHex(item.inputDigest, sizeof item.inputDigest);
      if (item.count > 0) {
        const bool raw = item.outputLength == 0;
        const uint8_t* data = raw ? item.input.data() : item.output.data();
        const size_t length = raw ? item.input.size() : item.outputLength;
        const uint32_t word = static_cast<uint32_t>(length) | (raw ? kRawChunkFlag : 0);
        for (int b = 0; b < 4; ++b) table[size_t{item.chunk} * 4 + b] = static_cast<uint8_t>(word >> (8 * b));
        if (!out.write(data, length, error)) return fail(job.path + ": " + error);
        packed += length;
        bytesDone += item.input.size();
      }
      if (item.chunk + 1 >= item.count) {
        if (!out.seek(kPackedHeaderSize, error) || !out.write(table.data(), table.size(), error)) {
          return fail(job.path + ": " + error);
        }
        out.close();
        job.packed = packed;
        ++filesDone;
      }
      {
        std::lock_guard lock(mutex_);
        written_ = s + 1;
      }
      slotFree_.notify_all();
      if (progress_) progress_(filesDone, bytesDone);
    }
  }

  std::vector<PackJob>& jobs_;
  const PackOptions& options_;
  const PackProgress& progress_;
  unsigned workers_ = 1;
  uint64_t total_ = 0;
  std::vector<Item> slots_;

  std::mutex mutex_;
  std::condition_variable slotFree_, workReady_, itemDone_;
  std::deque<uint64_t> queue_;
  uint64_t written_ = 0;
  bool readingDone_ = false;
  bool failed_ = false;
  std::string error_;
};

}  // namespace

bool packFiles(std::vector<PackJob>& jobs, const PackOptions& options, const PackProgress& progress,
               std::string& error) {
  if (jobs.empty()) return true;
  return Pipeline(jobs, options, progress).run(error);
}

}  // namespace zv::builder
