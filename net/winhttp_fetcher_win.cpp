#include "net/make_fetcher.h"

#include <windows.h>
#include <winhttp.h>

#include <functional>
#include <optional>
#include <vector>

#include "net/winhttp_request_win.h"
#include "platform/text_path.h"

namespace zv {
namespace {

constexpr DWORD kTls12 = 0x800;   // WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2
constexpr DWORD kTls13 = 0x2000;  // WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3

std::wstring wide(std::string_view utf8) {
  const std::u16string text = utf8ToUtf16(utf8);
  return std::wstring(text.begin(), text.end());
}

// Owns a session or connection handle.
struct InternetHandle {
  HINTERNET handle = nullptr;
  InternetHandle() = default;
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  ~InternetHandle() {
    if (handle) WinHttpCloseHandle(handle);
  }
};

// The connection and request handles of one request, closed request first.
struct RequestHandles {
  explicit RequestHandles(std::function<bool()> cancelRequested) : request(std::move(cancelRequested)) {}

  InternetHandle connection;
  WinHttpRequest request;  // declared after the connection: closed before it
  DWORD status = 0;
  std::optional<uint64_t> bodyLength;  // as announced by Content-Length
};

// The Content-Length of the answer, read as text: the numeric query is
// limited to 32 bits.
std::optional<uint64_t> announcedLength(HINTERNET request) {
  wchar_t text[32] = {};
  DWORD size = sizeof(text);
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, text, &size,
                           WINHTTP_NO_HEADER_INDEX)) {
    return std::nullopt;
  }
  uint64_t length = 0;
  const wchar_t* digit = text;
  // 19 digits always fit; a longer number is no length we could check.
  for (; *digit >= L'0' && *digit <= L'9' && digit - text < 19; ++digit) {
    length = length * 10 + static_cast<uint64_t>(*digit - L'0');
  }
  if (digit == text || *digit != 0) return std::nullopt;
  return length;
}

// Opens a GET request for url; the handles stay open for sending it.
bool openGetRequest(HINTERNET session, const std::string& url, RequestHandles& handles, Failure& failure) {
  const std::wstring wideUrl = wide(url);
  std::vector<wchar_t> host(256);
  std::vector<wchar_t> path(wideUrl.size() + 1);
  std::vector<wchar_t> extra(wideUrl.size() + 1);
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof(parts);
  parts.lpszHostName = host.data();
  parts.dwHostNameLength = static_cast<DWORD>(host.size());
  parts.lpszUrlPath = path.data();
  parts.dwUrlPathLength = static_cast<DWORD>(path.size());
  parts.lpszExtraInfo = extra.data();
  parts.dwExtraInfoLength = static_cast<DWORD>(extra.size());
  if (!session || wideUrl.empty() || !WinHttpCrackUrl(wideUrl.c_str(), 0, 0, &parts)) {
    failure = Failure{FailureKind::BadUrl, 0, url, {}};
    return false;
  }
  // Sent as cracked: names in our URLs arrive percent-encoded already.
  const std::wstring object = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                              std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);

  handles.connection.handle = WinHttpConnect(session, host.data(), parts.nPort, 0);
  if (!handles.connection.handle) {
    failure = Failure{FailureKind::Network, GetLastError(), "connect", {}};
    return false;
  }
  DWORD flags = WINHTTP_FLAG_REFRESH;
  if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= WINHTTP_FLAG_SECURE;
  return handles.request.adopt(WinHttpOpenRequest(handles.connection.handle, L"GET", object.c_str(), nullptr,
                                                  WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, flags),
                               failure);
}

// Sends the opened request and reads the answer's status; the handles stay
// open for the body.
bool sendGetRequest(RequestHandles& handles, const std::wstring& extraHeaders, Failure& failure) {
  // Proxies and caches on the way must not answer from a stale copy.
  const std::wstring headers = L"Cache-Control: no-cache\r\nPragma: no-cache\r\n" + extraHeaders;
  if (!handles.request.send(headers, failure) || !handles.request.receiveResponse(failure)) return false;
  DWORD status = 0;
  DWORD size = sizeof(status);
  if (WinHttpQueryHeaders(handles.request.handle(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                          WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
    handles.status = status;
  }
  handles.bodyLength = announcedLength(handles.request.handle());
  return true;
}

// A header of the answer as UTF-8, empty when it has none.
std::string answerHeader(HINTERNET request, DWORD query) {
  wchar_t text[1024] = {};
  DWORD size = sizeof(text) - sizeof(wchar_t);
  if (!WinHttpQueryHeaders(request, query, WINHTTP_HEADER_NAME_BY_INDEX, text, &size, WINHTTP_NO_HEADER_INDEX)) {
    return {};
  }
  const std::wstring value(text, size / sizeof(wchar_t));
  return pathToUtf8(std::filesystem::path(value));  // the values asked for are ASCII
}

AnswerHeaders answerHeaders(HINTERNET request) {
  return AnswerHeaders{answerHeader(request, WINHTTP_QUERY_ETAG), answerHeader(request, WINHTTP_QUERY_LAST_MODIFIED),
                       answerHeader(request, WINHTTP_QUERY_CONTENT_TYPE),
                       answerHeader(request, WINHTTP_QUERY_CONTENT_RANGE)};
}

// Hands the body to the handler in pieces of up to kChunkBytes.
bool readResponseBody(RequestHandles& handles, ResponseHandler& handler, Failure& failure) {
  uint64_t received = 0;
  for (;;) {
    const char* data = nullptr;
    size_t got = 0;
    if (!handles.request.read(data, got, failure)) return false;
    if (got == 0) {
      // WinHTTP can end a body at a closed or reset connection as if it were
      // complete; a body shorter than announced is a broken connection.
      if (handles.bodyLength && received < *handles.bodyLength) {
        failure = Failure{FailureKind::Network, winhttp_error::kConnectionError, "download", {}};
        return false;
      }
      return true;
    }
    received += got;
    if (!handler.onBody(data, got)) {
      failure = cancelledFailure();
      return false;
    }
  }
}

// The fetcher of the Windows build, on the Windows HTTP Services (WinHTTP).
// Redirects, proxies and certificate checks are WinHTTP's own; TLS 1.2 or
// newer only. When no session can be opened every request fails with "bad
// URL: <url>".
class WinHttpFetcher final : public HttpFetcher {
 public:
  explicit WinHttpFetcher(const FetchTimeouts& timeouts);

 private:
  Exchange exchange(const std::string& url, uint64_t rangeFrom, ResponseHandler& handler, Failure& failure) override;

  InternetHandle session_;
};

}  // namespace

WinHttpFetcher::WinHttpFetcher(const FetchTimeouts& timeouts) {
  const std::wstring agent = wide(kUserAgent);
  // Asynchronous, so that a cancel need not wait for a silent server.
  HINTERNET session = WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                                  WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
  // Windows before 8.1 does not know the automatic proxy.
  if (!session) {
    session = WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                          WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
  }
  if (!session) return;
  session_.handle = session;
  WinHttpSetTimeouts(session, static_cast<int>(timeouts.resolveMs), static_cast<int>(timeouts.connectMs),
                     static_cast<int>(timeouts.sendMs), static_cast<int>(timeouts.receiveMs));
  // The wait for an answer's headers has a time-out of its own (90 s on
  // Windows, none at all under Wine); a server that accepts and then stays
  // silent must time out like one that stalls in the body. It also ends a
  // call that a cancel left behind, which Wine does not end otherwise.
  DWORD headerWait = timeouts.receiveMs;
  WinHttpSetOption(session, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &headerWait, sizeof(headerWait));
  DWORD protocols = kTls12 | kTls13;
  // Systems without TLS 1.3 refuse the pair.
  if (!WinHttpSetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof(protocols))) {
    protocols = kTls12;
    WinHttpSetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof(protocols));
  }
}

HttpFetcher::Exchange WinHttpFetcher::exchange(const std::string& url, uint64_t rangeFrom, ResponseHandler& handler,
                                               Failure& failure) {
  std::wstring extraHeaders;
  if (rangeFrom > 0) extraHeaders = L"Range: bytes=" + std::to_wstring(rangeFrom) + L"-\r\n";
  for (const std::string& line : handler.requestHeaders()) extraHeaders += wide(line) + L"\r\n";
  RequestHandles handles([this] { return cancelRequested(); });
  if (!openGetRequest(session_.handle, url, handles, failure)) return Exchange::Failed;
  if (!sendGetRequest(handles, extraHeaders, failure)) return Exchange::Failed;
  handler.onHeaders(answerHeaders(handles.request.handle()));
  if (!handler.onStatus(handles.status)) return Exchange::Refused;
  if (!readResponseBody(handles, handler, failure)) return Exchange::Failed;
  return Exchange::Complete;
}

std::unique_ptr<HttpFetcher> makeFetcher(const FetchTimeouts& timeouts) {
  return std::make_unique<WinHttpFetcher>(timeouts);
}

}  // namespace zv
