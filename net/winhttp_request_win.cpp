#include "net/winhttp_request_win.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "net/fetcher.h"

namespace zv {
namespace {

// Bytes available at once that say a body streams rather than trickles.
constexpr DWORD kStreamingBytes = 8192;

// How long a wait goes without asking the cancel test.
constexpr auto kCancelLook = std::chrono::milliseconds(100);

constexpr DWORD kNotifications = WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES;

Failure networkFailure(DWORD error, const char* step) { return Failure{FailureKind::Network, error, step, {}}; }

}  // namespace

// What a call and WinHTTP's callbacks share. Owned twice: by the request
// object and, while the handle lives, by WinHTTP, which may call back after
// the handle was closed (an abandoned call completes late, Wine's only when
// its receive time-out ends it) and gives its share back with its last
// callback, HANDLE_CLOSING. Whatever WinHTTP writes to (the body buffer, the
// request headers) lives here for that reason.
struct WinHttpRequest::Shared {
  std::atomic<int> owners{1};
  std::mutex mutex;
  std::condition_variable completed;
  bool done = false;
  DWORD error = 0;
  DWORD bytes = 0;
  std::wstring headers;
  std::vector<char> buffer = std::vector<char>(kChunkBytes);

  void finish(DWORD callError, DWORD callBytes) {
    {
      std::lock_guard lock(mutex);
      done = true;
      error = callError;
      bytes = callBytes;
    }
    completed.notify_one();
  }
  void release() {
    if (owners.fetch_sub(1) == 1) delete this;
  }
};

void CALLBACK WinHttpRequest::onStatus(HINTERNET, DWORD_PTR context, DWORD status, void* info, DWORD length) {
  auto* shared = reinterpret_cast<Shared*>(context);
  if (!shared) return;
  switch (status) {
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE: shared->finish(0, 0); break;
    case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE: shared->finish(0, *static_cast<const DWORD*>(info)); break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE: shared->finish(0, length); break;
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
      shared->finish(static_cast<const WINHTTP_ASYNC_RESULT*>(info)->dwError, 0);
      break;
    case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING: shared->release(); break;
    default: break;
  }
}

WinHttpRequest::~WinHttpRequest() {
  if (handle_) WinHttpCloseHandle(handle_);
  if (shared_) shared_->release();
}

bool WinHttpRequest::adopt(HINTERNET request, Failure& failure) {
  handle_ = request;
  if (!request) {
    failure = networkFailure(GetLastError(), "request");
    return false;
  }
  shared_ = new Shared;
  // The handle's share, taken before any callback can give it back.
  shared_->owners.fetch_add(1);
  auto context = reinterpret_cast<DWORD_PTR>(shared_);
  if (!WinHttpSetOption(request, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof(context)) ||
      WinHttpSetStatusCallback(request, onStatus, kNotifications, 0) == WINHTTP_INVALID_STATUS_CALLBACK) {
    failure = networkFailure(GetLastError(), "request");
    // No callback will come to give it back.
    shared_->owners.fetch_sub(1);
    return false;
  }
  return true;
}

bool WinHttpRequest::send(const std::wstring& headers, Failure& failure) {
  shared_->headers = headers;
  return run(Call::Send, failure);
}

bool WinHttpRequest::receiveResponse(Failure& failure) { return run(Call::Receive, failure); }

bool WinHttpRequest::read(const char*& data, size_t& size, Failure& failure) {
  // Asked for more than has arrived, a read waits until it has it all
  // (Wine's does), so a trickling body would hold back its pieces: while
  // little has arrived, only that is read. A full stack buffer says the body
  // streams, and then a whole piece is asked for: waiting for availability
  // before every 8 KiB (Wine's buffer) halves the speed. A stall in the
  // middle of such a piece still gives way to a cancel.
  if (!run(Call::Available, failure)) return false;
  data = shared_->buffer.data();
  size = 0;
  const DWORD available = shared_->bytes;
  if (available == 0) return true;
  const auto room = static_cast<DWORD>(shared_->buffer.size());
  if (!run(Call::Read, failure, available >= kStreamingBytes ? room : std::min(available, room))) return false;
  size = shared_->bytes;
  return true;
}

bool WinHttpRequest::run(Call call, Failure& failure, DWORD readSize) {
  if (cancelRequested_()) {
    failure = cancelledFailure();
    return false;
  }
  {
    std::lock_guard lock(shared_->mutex);
    shared_->done = false;
  }
  BOOL started = FALSE;
  const auto context = reinterpret_cast<DWORD_PTR>(shared_);
  switch (call) {
    case Call::Send:
      started = WinHttpSendRequest(handle_, shared_->headers.c_str(), static_cast<DWORD>(-1),
                                   WINHTTP_NO_REQUEST_DATA, 0, 0, context);
      break;
    case Call::Receive: started = WinHttpReceiveResponse(handle_, nullptr); break;
    // The counts arrive with the completions; the out parameters must be null.
    case Call::Available: started = WinHttpQueryDataAvailable(handle_, nullptr); break;
    case Call::Read: started = WinHttpReadData(handle_, shared_->buffer.data(), readSize, nullptr); break;
  }
  // A call that fails at once never completes through the callback.
  if (!started) {
    failure = networkFailure(GetLastError(), "download");
    return false;
  }
  std::unique_lock lock(shared_->mutex);
  while (!shared_->completed.wait_for(lock, kCancelLook, [this] { return shared_->done; })) {
    if (cancelRequested_()) {
      failure = cancelledFailure();
      return false;
    }
  }
  if (shared_->error != 0) {
    failure = networkFailure(shared_->error, "download");
    return false;
  }
  return true;
}

}  // namespace zv
