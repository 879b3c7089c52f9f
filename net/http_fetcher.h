#pragma once
// What getText and download mean, written once over one HTTP exchange that
// each platform's HTTP stack provides. The stacks only move bytes; which
// statuses count, the text size cap, resuming, the 416 retry and the error
// texts of unusable answers live here, so both stacks behave alike.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/fetcher.h"

namespace zv {

// The headers of an answer that ranged requests look at; empty when absent.
struct AnswerHeaders {
  std::string etag;
  std::string lastModified;
  std::string contentType;
  std::string contentRange;
};

// Receives one answer: its final status (redirects already followed), then
// its body in pieces.
class ResponseHandler {
 public:
  virtual ~ResponseHandler() = default;
  // Request headers beyond the usual ones, "Name: value" each.
  virtual std::vector<std::string> requestHeaders() const { return {}; }
  // The final answer's headers, just before onStatus.
  virtual void onHeaders(const AnswerHeaders& headers) { (void)headers; }
  // Called once, before any byte of the body. False ends the exchange
  // without reading the body.
  virtual bool onStatus(uint32_t status) = 0;
  // False stops the transfer; the exchange then fails as Cancelled, as it
  // does when the fetcher's cancel flag is seen set.
  virtual bool onBody(const char* data, size_t size) = 0;
};

class HttpFetcher : public Fetcher {
 public:
  [[nodiscard]] bool getText(const std::string& url, std::string& body, Failure& failure) override;
  [[nodiscard]] bool download(const std::string& url, const std::filesystem::path& destination, uint64_t resumeOffset,
                              const ProgressFn& progress, Failure& failure, const PieceFn& piece = {}) override;
  [[nodiscard]] bool getRanges(const std::string& url, const std::vector<ByteRange>& ranges,
                               const std::string& ifRange, const RangePieceFn& piece, std::string& validator,
                               Failure& failure) override;

  // For tests where no small disk can be mounted, a disk that fills up: a
  // download's write that would take the destination past this many bytes
  // fails as DiskFull, as a real one would.
  void limitFileBytes(uint64_t bytes) { fileByteLimit_ = bytes; }

 protected:
  enum class Exchange {
    Complete,  // the handler took the status and the whole body
    Refused,   // the handler refused the status; failure is untouched
    Failed,    // failure holds the reason (BadUrl, Network, or Cancelled when the handler refused a piece)
  };

  // One GET of url with the no-cache headers, asking only for the bytes from
  // rangeFrom on when it is above 0.
  virtual Exchange exchange(const std::string& url, uint64_t rangeFrom, ResponseHandler& handler,
                            Failure& failure) = 0;

 private:
  uint64_t fileByteLimit_ = UINT64_MAX;
  // A download's bytes not yet written, in one buffer from one download to
  // the next: a buffer of this size made anew for each file would be taken
  // from the heap's own pages (Windows hands only larger ones back at once)
  // and leave them scattered.
  std::vector<char> heldBytes_;
};

}  // namespace zv
