#include "net/make_fetcher.h"

#include <curl/curl.h>
#include <strings.h>

#include <charconv>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "data/percent_encoding.h"

namespace zv {
namespace {

struct HeaderListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, HeaderListDeleter>;

struct UrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

// WinHttpCrackUrl's test: an absolute http or https URL with a host. libcurl
// alone would take "example.com/x" as http and go ahead with it.
bool isHttpUrl(const std::string& url) {
  std::unique_ptr<CURLU, UrlDeleter> parsed(curl_url());
  if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) return false;
  char* scheme = nullptr;
  if (curl_url_get(parsed.get(), CURLUPART_SCHEME, &scheme, 0) != CURLUE_OK) return false;
  const bool http = strcasecmp(scheme, "http") == 0 || strcasecmp(scheme, "https") == 0;
  curl_free(scheme);
  return http;
}

// The URL as WinHTTP puts it on the wire: after the host, the bytes it
// counts as unsafe (blanks, control bytes, bytes past 0x7E and "#<>[\]^`{|}
// and the double quote) percent-encoded, everything else ("%" included) as
// given. A "#" is not the start of a fragment there but part of the name.
std::string escapeLikeWinHttp(const std::string& url) {
  const size_t scheme = url.find("://");
  const size_t pathStart = scheme == std::string::npos ? 0 : url.find_first_of("/?#", scheme + 3);
  if (pathStart == std::string::npos) return url;
  return url.substr(0, pathStart) + percentEncode(std::string_view(url).substr(pathStart), [](unsigned char byte) {
           return isLiteralUrlByte(byte) && byte != '#' && byte != '[' && byte != ']';
         });
}

// The number WinHTTP reports for the same failure, so the words match.
uint32_t winHttpErrorFor(CURLcode code) {
  switch (code) {
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST: return winhttp_error::kNameNotResolved;
    case CURLE_COULDNT_CONNECT: return winhttp_error::kCannotConnect;
    case CURLE_OPERATION_TIMEDOUT: return winhttp_error::kTimeout;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE: return winhttp_error::kConnectionError;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_SHUTDOWN_FAILED: return winhttp_error::kSecureFailure;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_GOT_NOTHING: return winhttp_error::kInvalidServerResponse;
    // The address is checked before the request: only a redirect can lead
    // to a scheme we do not allow.
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_TOO_MANY_REDIRECTS: return winhttp_error::kRedirectFailed;
    case CURLE_OUT_OF_MEMORY: return winhttp_error::kOutOfMemory;
    default: return winhttp_error::kInternal;
  }
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

// Where a header line of an answer is kept, or null for a header no one
// asks about.
std::string* answerHeaderField(AnswerHeaders& headers, std::string_view line) {
  if (startsWithNoCase(line, "etag:")) return &headers.etag;
  if (startsWithNoCase(line, "last-modified:")) return &headers.lastModified;
  if (startsWithNoCase(line, "content-type:")) return &headers.contentType;
  if (startsWithNoCase(line, "content-range:")) return &headers.contentRange;
  return nullptr;
}

// A header line's value without the blanks around it.
std::string headerValue(std::string_view line) {
  std::string_view value = line.substr(line.find(':') + 1);
  while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
  while (!value.empty() && (value.back() == '\r' || value.back() == '\n' || value.back() == ' ')) value.remove_suffix(1);
  return std::string(value);
}

// One exchange as libcurl reports it: the header lines of every answer
// (interim ones and followed redirects included), then the final body.
struct Transfer {
  Transfer(CURL* curl, ResponseHandler& handler, unsigned receiveMs, std::function<bool()> cancelRequested)
      : curl(curl), handler(handler), receiveLimit(receiveMs), cancelRequested(std::move(cancelRequested)) {}

  // Hands the final answer's headers and status to the handler; false when
  // it refuses them.
  bool takeStatus(uint32_t status) {
    handler.onHeaders(answerHeaders);
    statusTaken = true;
    statusRefused = !handler.onStatus(status);
    return !statusRefused;
  }

  CURL* curl;
  ResponseHandler& handler;
  const std::chrono::milliseconds receiveLimit;
  const std::function<bool()> cancelRequested;
  bool cancelled = false;
  std::optional<std::chrono::steady_clock::time_point> lastData;  // since the request went out
  bool stalled = false;
  uint32_t answerStatus = 0;  // of the answer whose headers are being read
  AnswerHeaders answerHeaders;  // of the same answer
  bool answerRedirects = false;
  bool statusTaken = false;
  bool statusRefused = false;
  bool bodyRefused = false;
};

size_t onHeaderLine(char* data, size_t size, size_t count, void* user) {
  Transfer& transfer = *static_cast<Transfer*>(user);
  const std::string_view line(data, size * count);
  transfer.lastData = std::chrono::steady_clock::now();
  if (line.starts_with("HTTP/")) {
    const size_t space = line.find(' ');
    uint32_t status = 0;
    if (space != std::string_view::npos) std::from_chars(line.data() + space + 1, line.data() + line.size(), status);
    transfer.answerStatus = status;
    transfer.answerRedirects = false;
    transfer.answerHeaders = AnswerHeaders{};
  } else if (std::string* value = answerHeaderField(transfer.answerHeaders, line)) {
    *value = headerValue(line);
  } else if (startsWithNoCase(line, "location:")) {
    // libcurl follows every 3xx answer that names a location; WinHTTP only
    // these. Any other (300, 304, 305) stays the final answer, refused as a
    // status before libcurl can follow it.
    const uint32_t status = transfer.answerStatus;
    transfer.answerRedirects = status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
  } else if (line == "\r\n" || line == "\n") {
    const bool final = transfer.answerStatus >= 200 && !transfer.answerRedirects;
    if (final && !transfer.takeStatus(transfer.answerStatus)) return 0;
  }
  return line.size();
}

size_t onBodyPiece(char* data, size_t size, size_t count, void* user) {
  Transfer& transfer = *static_cast<Transfer*>(user);
  const size_t bytes = size * count;
  if (!transfer.statusTaken) return 0;
  if (!transfer.handler.onBody(data, bytes)) {
    transfer.bodyRefused = true;
    return 0;
  }
  // Counted once the handler is done: a slow disk or progress callback is
  // no wait for the server (WinHTTP times each read alone, too).
  transfer.lastData = std::chrono::steady_clock::now();
  return bytes;
}

// Called by libcurl about once a second in every phase (resolving and
// connecting too), and whenever data moves: the place where a cancel is seen
// while nothing arrives. The receive time-out, like WinHTTP's, bounds each
// wait for data from the moment the request has gone out; connecting has its
// own time-out.
int onTick(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  Transfer& transfer = *static_cast<Transfer*>(user);
  transfer.cancelled = transfer.cancelRequested();
  if (transfer.cancelled) return 1;
  curl_off_t requestSentAfter = 0;
  curl_easy_getinfo(transfer.curl, CURLINFO_PRETRANSFER_TIME_T, &requestSentAfter);
  if (requestSentAfter == 0) return 0;
  const auto now = std::chrono::steady_clock::now();
  if (!transfer.lastData) transfer.lastData = now;
  transfer.stalled = now - *transfer.lastData > transfer.receiveLimit;
  return transfer.stalled ? 1 : 0;
}

struct EasyDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

// A transfer handle, which keeps connections alive between requests; null
// when libcurl cannot make one.
CURL* newTransferHandle() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  return curl_easy_init();
}

// The fetcher of the POSIX builds, on libcurl. It behaves like the WinHTTP
// fetcher in everything a caller can see: the same requests (headers,
// redirects, TLS 1.2 or newer, time-outs) and the same failures for the same
// situations. Without a transfer handle every request fails with "bad URL: <url>".
class CurlFetcher final : public HttpFetcher {
 public:
  explicit CurlFetcher(const FetchTimeouts& timeouts) : session_(newTransferHandle()), timeouts_(timeouts) {}

 private:
  Exchange exchange(const std::string& url, uint64_t rangeFrom, ResponseHandler& handler, Failure& failure) override;

  const std::unique_ptr<CURL, EasyDeleter> session_;
  const FetchTimeouts timeouts_;
};

}  // namespace

HttpFetcher::Exchange CurlFetcher::exchange(const std::string& url, uint64_t rangeFrom, ResponseHandler& handler,
                                            Failure& failure) {
  CURL* curl = session_.get();
  const std::string wireUrl = escapeLikeWinHttp(url);
  if (!curl || !isHttpUrl(wireUrl)) {
    failure = Failure{FailureKind::BadUrl, 0, url, {}};
    return Exchange::Failed;
  }
  // Reset keeps the handle's open connections for the next request.
  curl_easy_reset(curl);

  curl_slist* headers = nullptr;
  std::vector<std::string> lines{"Cache-Control: no-cache", "Pragma: no-cache", "Accept:"};
  for (std::string& extra : handler.requestHeaders()) lines.push_back(std::move(extra));
  for (const std::string& line : lines) {
    curl_slist* longer = curl_slist_append(headers, line.c_str());
    if (!longer) {
      curl_slist_free_all(headers);
      failure = Failure{FailureKind::Network, winhttp_error::kOutOfMemory, "request", {}};
      return Exchange::Failed;
    }
    headers = longer;
  }
  const HeaderList headerList(headers);
  const std::string range = std::to_string(rangeFrom) + "-";
  // WinHTTP does not follow a redirect from https to http.
  const bool secure = startsWithNoCase(url, "https:");

  Transfer transfer(curl, handler, timeouts_.receiveMs, [this] { return cancelRequested(); });
  curl_easy_setopt(curl, CURLOPT_URL, wireUrl.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(curl, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(curl, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
  curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headerList.get());
  if (rangeFrom > 0) curl_easy_setopt(curl, CURLOPT_RANGE, range.c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  // libcurl times name resolution and connecting together. The send time-out
  // has nothing to bound here: a GET without a body leaves in one write.
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeouts_.resolveMs + timeouts_.connectMs));
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onTick);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, static_cast<long>(kChunkBytes));
  curl_easy_setopt(curl, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, onHeaderLine);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onBodyPiece);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
  const CURLcode result = curl_easy_perform(curl);

  if (transfer.statusRefused) return Exchange::Refused;
  if (transfer.bodyRefused || transfer.cancelled) {
    failure = cancelledFailure();
    return Exchange::Failed;
  }
  if (result != CURLE_OK) {
    const uint32_t number = transfer.stalled ? winhttp_error::kTimeout : winHttpErrorFor(result);
    failure = Failure{FailureKind::Network, number, "download", {}};
    return Exchange::Failed;
  }
  // Never a success without a final answer: nothing was written.
  if (!transfer.statusTaken) {
    failure = Failure{FailureKind::Network, winhttp_error::kInvalidServerResponse, "download", {}};
    return Exchange::Failed;
  }
  return Exchange::Complete;
}

std::unique_ptr<HttpFetcher> makeFetcher(const FetchTimeouts& timeouts) {
  return std::make_unique<CurlFetcher>(timeouts);
}

}  // namespace zv
