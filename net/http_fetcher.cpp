#include "net/http_fetcher.h"

#include "platform/file.h"
#include "platform/text_path.h"

namespace zv {
namespace {

// Collects a 200 answer, up to kMaxTextBytes.
class TextHandler final : public ResponseHandler {
 public:
  explicit TextHandler(std::string& body) : body_(body) {}
  uint32_t status() const { return status_; }

  bool onStatus(uint32_t status) override {
    status_ = status;
    if (status != 200) return false;
    body_.clear();
    return true;
  }
  bool onBody(const char* data, size_t size) override {
    if (size > kMaxTextBytes - body_.size()) return false;
    body_.append(data, size);
    return true;
  }

 private:
  std::string& body_;
  uint32_t status_ = 0;
};

// Writes a 200 answer over the destination, or appends a 206 answer to the
// part already there, reporting the file's size after every piece.
class FileHandler final : public ResponseHandler {
 public:
  FileHandler(const std::filesystem::path& destination, uint64_t offset, const ProgressFn& progress)
      : destination_(destination), offset_(offset), progress_(progress) {}
  uint32_t status() const { return status_; }
  bool cannotOpen() const { return cannotOpen_; }

  bool onStatus(uint32_t status) override {
    status_ = status;
    File::Mode mode;
    if (status == 200) {
      // The whole resource follows, whatever was asked for.
      mode = File::Mode::Truncate;
      total_ = 0;
    } else if (status == 206 && offset_ > 0) {
      mode = File::Mode::Append;
      total_ = offset_;
    } else {
      return false;
    }
    std::string ignored;
    if (!file_.open(destination_, mode, ignored)) {
      cannotOpen_ = true;
      return false;
    }
    return true;
  }
  bool onBody(const char* data, size_t size) override {
    std::string ignored;
    if (!file_.write(data, size, ignored)) return false;
    total_ += size;
    return !progress_ || progress_(total_);
  }

 private:
  const std::filesystem::path& destination_;
  const uint64_t offset_;
  const ProgressFn& progress_;
  File file_;
  uint64_t total_ = 0;
  uint32_t status_ = 0;
  bool cannotOpen_ = false;
};

}  // namespace

bool HttpFetcher::getText(const std::string& url, std::string& body, std::string& error) {
  TextHandler handler(body);
  switch (exchange(url, 0, handler, error)) {
    case Exchange::Complete: return true;
    case Exchange::Refused: error = "HTTP " + std::to_string(handler.status()) + " " + url; return false;
    case Exchange::Failed: break;
  }
  return false;
}

bool HttpFetcher::download(const std::string& url, const std::filesystem::path& destination, uint64_t resumeOffset,
                           const ProgressFn& progress, std::string& error) {
  uint64_t offset = resumeOffset;
  bool retriedWithoutRange = false;
  for (;;) {
    FileHandler handler(destination, offset, progress);
    switch (exchange(url, offset, handler, error)) {
      case Exchange::Complete: return true;
      case Exchange::Failed: return false;
      case Exchange::Refused: break;
    }
    if (handler.cannotOpen()) {
      error = "cannot write " + pathToUtf8(destination);
      return false;
    }
    // 416: the part on disk no longer fits the resource (it was replaced, or
    // the part is already whole). Fetch it all once more, without a range.
    if (handler.status() == 416 && offset > 0 && !retriedWithoutRange) {
      offset = 0;
      retriedWithoutRange = true;
      continue;
    }
    error = "HTTP " + std::to_string(handler.status());
    return false;
  }
}

}  // namespace zv
