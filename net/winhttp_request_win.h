#pragma once
// One request handle of an asynchronous WinHTTP session, and the waits for
// its calls. A call is started, and the calling thread then waits for its
// completion in short steps, asking the cancel test between them. A blocked
// synchronous call cannot be ended from another thread (Wine's WinHTTP goes
// on waiting even when the handle is closed); an asynchronous one is simply
// left behind, its handle closed.

#include <windows.h>
#include <winhttp.h>

#include <cstddef>
#include <functional>
#include <string>

#include "data/failure.h"

namespace zv {

class WinHttpRequest {
 public:
  explicit WinHttpRequest(std::function<bool()> cancelRequested) : cancelRequested_(std::move(cancelRequested)) {}
  // Closes the handle; a call still under way is abandoned.
  ~WinHttpRequest();
  WinHttpRequest(const WinHttpRequest&) = delete;
  WinHttpRequest& operator=(const WinHttpRequest&) = delete;

  // Takes over request, a handle of a WINHTTP_FLAG_ASYNC session that
  // WinHttpOpenRequest just returned, and prepares it for the calls below.
  // False: failure holds WinHTTP's error in the step "request".
  [[nodiscard]] bool adopt(HINTERNET request, Failure& failure);
  HINTERNET handle() const { return handle_; }

  // Each waits for its call to complete. False: failure holds WinHTTP's
  // error in the step "download", or Cancelled when the cancel test said so.
  [[nodiscard]] bool send(const std::wstring& headers, Failure& failure);
  [[nodiscard]] bool receiveResponse(Failure& failure);
  // The next piece of the body, up to kChunkBytes; size 0 at its end. The
  // bytes stay valid until the next call.
  [[nodiscard]] bool read(const char*& data, size_t& size, Failure& failure);

 private:
  struct Shared;
  enum class Call { Send, Receive, Available, Read };
  static void CALLBACK onStatus(HINTERNET handle, DWORD_PTR context, DWORD status, void* info, DWORD length);
  bool run(Call call, Failure& failure, DWORD readSize = 0);

  const std::function<bool()> cancelRequested_;
  HINTERNET handle_ = nullptr;
  Shared* shared_ = nullptr;  // lives on while WinHTTP may still call back
};

}  // namespace zv
