#include "net/http_fetcher.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <vector>

#include "net/byte_ranges.h"

#include "platform/file.h"
#include "platform/text_path.h"

namespace zv {
namespace {

// Collects a 200 answer, up to kMaxTextBytes.
class TextHandler final : public ResponseHandler {
 public:
  explicit TextHandler(std::string& body) : body_(body) {}
  uint32_t status() const { return status_; }
  bool tooLarge() const { return tooLarge_; }

  bool onStatus(uint32_t status) override {
    status_ = status;
    if (status != 200) return false;
    body_.clear();
    return true;
  }
  bool onBody(const char* data, size_t size) override {
    tooLarge_ = size > kMaxTextBytes - body_.size();
    if (tooLarge_) return false;
    body_.append(data, size);
    return true;
  }

 private:
  std::string& body_;
  uint32_t status_ = 0;
  bool tooLarge_ = false;
};

// Writes a 200 answer over the destination, or appends a 206 answer to the
// part already there, in blocks: each is shown to the piece callback once
// written, and progress is told the file's size after it.
class FileHandler final : public ResponseHandler {
 public:
  FileHandler(const std::filesystem::path& destination, uint64_t offset, const ProgressFn& progress,
              const PieceFn& piece, uint64_t byteLimit, std::vector<char>& held)
      : destination_(destination),
        offset_(offset),
        progress_(progress),
        piece_(piece),
        byteLimit_(byteLimit),
        held_(held) {
    held_.clear();
  }
  uint32_t status() const { return status_; }
  // The destination could not be opened or written.
  bool diskFailed() const { return diskFailed_; }
  // ... because the disk is full.
  bool diskFull() const { return diskFull_; }

  bool onStatus(uint32_t status) override {
    status_ = status;
    File::Mode mode;
    if (status == 200) {
      // The whole resource follows, whatever was asked for, into a new file:
      // a link planted in the part's place is not followed.
      mode = File::Mode::Fresh;
      written_ = 0;
    } else if (status == 206 && offset_ > 0) {
      mode = File::Mode::Append;
      written_ = offset_;
    } else {
      return false;
    }
    std::string ignored;
    diskFailed_ = !file_.open(destination_, mode, ignored);
    lastWrite_ = std::chrono::steady_clock::now();
    return !diskFailed_;
  }
  bool onBody(const char* data, size_t size) override {
    diskFull_ = size > byteLimit_ - std::min(written_ + held_.size(), byteLimit_);
    diskFailed_ = diskFull_;
    if (diskFailed_) return false;
    // Room for a block and the piece that crosses its end, at once.
    if (held_.capacity() == 0) held_.reserve(kWriteBlockBytes + kChunkBytes);
    held_.insert(held_.end(), data, data + size);
    const size_t toBoundary = kWriteBlockBytes - written_ % kWriteBlockBytes;
    if (held_.size() >= toBoundary) return writeHeld(held_.size() - (held_.size() - toBoundary) % kWriteBlockBytes);
    if (std::chrono::steady_clock::now() - lastWrite_ >= kLongestHeld) return writeHeld(held_.size());
    return true;
  }
  // Writes the bytes still held back, once the exchange is over however it
  // ended, so that the destination keeps every byte received. False when
  // the write failed or the progress callback said stop.
  bool flush() { return !diskFailed_ && (held_.empty() || writeHeld(held_.size())); }

 private:
  // On a slow link the bytes go to the file at least this often anyway, so
  // that a killed process loses little, and progress moves.
  static constexpr std::chrono::milliseconds kLongestHeld{100};

  bool writeHeld(size_t count) {
    std::string ignored;
    if (!file_.write(held_.data(), count, ignored)) {
      diskFailed_ = true;
      diskFull_ = file_.diskFull();
      return false;
    }
    lastWrite_ = std::chrono::steady_clock::now();
    if (piece_) piece_(written_, reinterpret_cast<const uint8_t*>(held_.data()), count);
    written_ += count;
    held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(count));
    return !progress_ || progress_(written_);
  }

  const std::filesystem::path& destination_;
  const uint64_t offset_;
  const ProgressFn& progress_;
  const PieceFn& piece_;
  const uint64_t byteLimit_;
  File file_;
  std::vector<char>& held_;  // received, not yet written
  uint64_t written_ = 0;    // the file's size, the resume offset included
  std::chrono::steady_clock::time_point lastWrite_;
  uint32_t status_ = 0;
  bool diskFailed_ = false;
  bool diskFull_ = false;
};

// Reads a 206 answer to a ranged request through ByteRangesReader.
class RangesHandler final : public ResponseHandler {
 public:
  RangesHandler(const std::vector<ByteRange>& ranges, const std::string& ifRange, const RangePieceFn& piece)
      : ranges_(ranges), ifRange_(ifRange), piece_(piece) {}
  uint32_t status() const { return status_; }
  const std::string& validator() const { return validator_; }
  bool damaged() const { return reader_.damaged(); }
  bool complete() const { return reader_.complete(); }

  std::vector<std::string> requestHeaders() const override {
    std::vector<std::string> headers{"Range: " + rangeHeaderValue(ranges_)};
    if (!ifRange_.empty()) headers.push_back("If-Range: " + ifRange_);
    return headers;
  }
  void onHeaders(const AnswerHeaders& headers) override {
    validator_ = headers.etag.empty() ? headers.lastModified : headers.etag;
    contentType_ = headers.contentType;
    contentRange_ = headers.contentRange;
  }
  bool onStatus(uint32_t status) override {
    status_ = status;
    return status == 206 && reader_.start(ranges_, contentType_, contentRange_);
  }
  bool onBody(const char* data, size_t size) override { return reader_.feed(data, size, piece_); }

 private:
  const std::vector<ByteRange>& ranges_;
  const std::string& ifRange_;
  const RangePieceFn& piece_;
  ByteRangesReader reader_;
  std::string validator_;
  std::string contentType_;
  std::string contentRange_;
  uint32_t status_ = 0;
};

// The failure of an answer whose status cannot be used.
Failure statusFailure(uint32_t status, std::string address) {
  const bool busy = status == 503 || status == 429;
  return Failure{busy ? FailureKind::BusyServer : FailureKind::HttpStatus, status, std::move(address), {}};
}

}  // namespace

bool HttpFetcher::getText(const std::string& url, std::string& body, Failure& failure) {
  TextHandler handler(body);
  switch (exchange(url, 0, handler, failure)) {
    case Exchange::Complete: return true;
    case Exchange::Refused: failure = statusFailure(handler.status(), url); return false;
    case Exchange::Failed: break;
  }
  if (handler.tooLarge()) failure = Failure{FailureKind::TooLarge, 0, url, {}};
  return false;
}

bool HttpFetcher::download(const std::string& url, const std::filesystem::path& destination, uint64_t resumeOffset,
                           const ProgressFn& progress, Failure& failure, const PieceFn& piece) {
  for (;;) {
    FileHandler handler(destination, resumeOffset, progress, piece, fileByteLimit_, heldBytes_);
    const Exchange result = exchange(url, resumeOffset, handler, failure);
    if (handler.flush() && result == Exchange::Complete) return true;
    // A write that failed is the disk's fault, not the network's.
    if (handler.diskFailed()) {
      failure = Failure{handler.diskFull() ? FailureKind::DiskFull : FailureKind::DiskWrite, 0,
                        pathToUtf8(destination), {}};
      return false;
    }
    // Whole, but told of its last block, the progress callback said stop.
    if (result == Exchange::Complete) failure = cancelledFailure();
    if (result != Exchange::Refused) return false;
    // 416: the part on disk no longer fits the resource (it was replaced, or
    // the part is already whole). Fetch it all once more, without a range.
    if (handler.status() == 416 && resumeOffset > 0) {
      resumeOffset = 0;
      continue;
    }
    failure = statusFailure(handler.status(), "");
    return false;
  }
}

bool HttpFetcher::getRanges(const std::string& url, const std::vector<ByteRange>& ranges, const std::string& ifRange,
                            const RangePieceFn& piece, std::string& validator, Failure& failure) {
  RangesHandler handler(ranges, ifRange, piece);
  const Exchange result = exchange(url, 0, handler, failure);
  validator = handler.validator();
  // Other bytes than asked for: a server that merges or reorders ranges, or
  // one that sends something else under the same name.
  if (handler.damaged()) {
    failure = Failure{FailureKind::DamagedData, 0, "the server answered with other bytes than asked for", {}};
    return false;
  }
  if (result == Exchange::Failed) return false;
  if (result == Exchange::Refused) {
    failure = statusFailure(handler.status(), "");
    return false;
  }
  if (!handler.complete()) {
    failure = Failure{FailureKind::Network, winhttp_error::kConnectionError, "download", {}};
    return false;
  }
  return true;
}

}  // namespace zv
