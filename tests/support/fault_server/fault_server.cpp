// A small HTTP/1.1 server for tests that need a misbehaving update server.
// It listens on 127.0.0.1 only, on a free port that it writes to --port-file
// and prints, serves the files below --root, and misbehaves on request paths
// of the form /s/<scenario>/<rest>, where <rest> names the file (and may
// carry a query, which only tells requests apart):
//
//   status-C     answers status C (429 and 503 with Retry-After: 1)
//   busy-C-N     answers C to the first N requests of this target, then
//                treats /<rest> as the request
//   redirect-C   answers C with Location: /<rest>
//   elsewhere-C  answers C with Location: ftp://127.0.0.1:1/<rest> (another scheme)
//   bighead-N    answers 200 with a header line of N bytes
//   norange      ignores Range: 200 with the whole file
//   swap-N       from request N+1 on serves <rest>.next instead (a new
//                version of the file: another ETag)
//   flip         damages the first byte of every range not starting at 0
//   cutat-K-N    cuts only the K-th request of this target after N bytes
//   always206    answers 206 with the whole file, Range or not
//   cut-N        announces the full length, sends N body bytes, closes
//   reset-N      sends the head and N body bytes, then (after 0.2 s for the
//                client to read them) resets the connection
//   stall-N      sends the head and N body bytes, then nothing more
//   long-N       sends N bytes more than it announced
//   endless      no length: the file, then filler until the client leaves
//   trickle-MS   sends the body 1 KiB at a time, MS milliseconds apart
//   drop         resets the connection without answering
//   hangup       closes the connection without answering
//   silent       answers nothing and keeps the connection open
//   echo         200 with the request's head as the body
//
// A scenario followed by "@TEXT" applies only to targets whose <rest>
// contains TEXT; the others are served as /<rest>.
//
// Plain requests serve files with Range support (206, several ranges as
// multipart/byteranges, 416, If-Range against an ETag). Every request is
// counted by its target (path and query); GET /_stats/<target> answers the
// count of /<target>, GET /_sent/<target> the body bytes sent for it. Every answer closes its connection.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

std::string root;
std::mutex countsMutex;
std::map<std::string, unsigned> counts;

unsigned countRequest(const std::string& target) {
  std::lock_guard lock(countsMutex);
  return ++counts[target];
}

unsigned requestCount(const std::string& target) {
  std::lock_guard lock(countsMutex);
  auto it = counts.find(target);
  return it == counts.end() ? 0 : it->second;
}

// File bytes sent (multipart heads included) per target.
std::map<std::string, unsigned long long> sent;

void addSent(const std::string& target, unsigned long long bytes) {
  std::lock_guard lock(countsMutex);
  sent[target] += bytes;
}

unsigned long long sentBytes(const std::string& target) {
  std::lock_guard lock(countsMutex);
  auto it = sent.find(target);
  return it == sent.end() ? 0 : it->second;
}

// Owns one client connection.
class Connection {
 public:
  explicit Connection(int fd) : fd_(fd) {}
  ~Connection() {
    if (fd_ >= 0) close(fd_);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  bool send(std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
  }

  // The request's head, up to and including the blank line.
  std::optional<std::string> readHead() {
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
      if (head.size() > 65536) return std::nullopt;
      const ssize_t n = recv(fd_, buffer, sizeof(buffer), 0);
      if (n <= 0) return std::nullopt;
      head.append(buffer, static_cast<size_t>(n));
    }
    return head;
  }

  // An abortive close: the client sees a reset, not an end of data.
  void reset() {
    const linger abortive{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abortive, sizeof(abortive));
    close(fd_);
    fd_ = -1;
  }

  // Keeps the connection open until the client gives up (or two minutes).
  void hold() {
    pollfd watch{fd_, POLLIN, 0};
    char buffer[256];
    for (int i = 0; i < 120; ++i) {
      if (poll(&watch, 1, 1000) > 0 && recv(fd_, buffer, sizeof(buffer), 0) <= 0) return;
    }
  }

 private:
  int fd_;
};

const char* reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 206: return "Partial Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 404: return "Not Found";
    case 416: return "Range Not Satisfiable";
    case 429: return "Too Many Requests";
    case 503: return "Service Unavailable";
    default: return "Status";
  }
}

std::string head(int status, const std::string& headers) {
  return "HTTP/1.1 " + std::to_string(status) + " " + reason(status) + "\r\n" + headers + "Connection: close\r\n\r\n";
}

void answer(Connection& client, int status, const std::string& body, std::string headers = {}) {
  if (status == 429 || status == 503) headers += "Retry-After: 1\r\n";
  client.send(head(status, headers + "Content-Length: " + std::to_string(body.size()) + "\r\n") + body);
}

// The file a request path names, or nothing for names leaving the root.
std::optional<std::string> filePath(std::string_view path) {
  std::string decoded;
  for (size_t i = 0; i < path.size(); ++i) {
    unsigned byte = 0;
    if (path[i] == '%' && i + 2 < path.size() && std::isxdigit(static_cast<unsigned char>(path[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(path[i + 2])) && std::sscanf(path.data() + i + 1, "%2x", &byte) == 1) {
      decoded += static_cast<char>(byte);
      i += 2;
    } else {
      decoded += path[i];
    }
  }
  if (decoded.find('\0') != std::string::npos || ("/" + decoded + "/").find("/../") != std::string::npos) {
    return std::nullopt;
  }
  return root + "/" + decoded;
}

std::string headerValue(const std::string& requestHead, std::string_view name) {
  size_t at = 0;
  while ((at = requestHead.find("\r\n", at)) != std::string::npos) {
    at += 2;
    if (strncasecmp(requestHead.c_str() + at, name.data(), name.size()) == 0 &&
        requestHead.compare(at + name.size(), 1, ":") == 0) {
      const size_t start = requestHead.find_first_not_of(' ', at + name.size() + 1);
      return requestHead.substr(start, requestHead.find("\r\n", start) - start);
    }
  }
  return {};
}

struct Fault {
  std::string kind;  // empty: behave
  unsigned long n = 0;
  unsigned long second = 0;  // the second number, where a scenario has one
};

// A piece of an answer's body: literal bytes, or a span of the file.
struct Segment {
  std::string text;
  unsigned long long from = 0, to = 0;  // file bytes [from, to) when text is empty
};

// The ranges of a Range header ("bytes=A-B,C-,..."), clipped to size; empty
// when it cannot be read. unsatisfiable: every range starts past the end.
std::vector<std::pair<unsigned long long, unsigned long long>> parseRanges(const std::string& header,
                                                                           unsigned long long size,
                                                                           bool& unsatisfiable) {
  std::vector<std::pair<unsigned long long, unsigned long long>> ranges;  // [from, to)
  unsatisfiable = false;
  if (!header.starts_with("bytes=")) return ranges;
  size_t at = 6;
  bool any = false;
  while (at < header.size()) {
    const size_t end = std::min(header.find(',', at), header.size());
    const std::string item = header.substr(at, end - at);
    unsigned long long first = 0, last = 0;
    const int fields = std::sscanf(item.c_str(), "%llu-%llu", &first, &last);
    if (fields < 1) return {};
    any = true;
    if (first < size) ranges.emplace_back(first, fields == 2 && last + 1 < size ? last + 1 : size);
    at = end + 1;
  }
  unsatisfiable = any && ranges.empty();
  return ranges;
}

// Sends the file at path (the ranges Range asks for, in one part or as
// multipart/byteranges, unless told to ignore them or If-Range names
// another version) with the given fault. The version's ETag is made of the
// file's size and time, as nginx makes it.
void serveFile(Connection& client, const std::string& path, const std::string& requestHead, const Fault& fault,
               unsigned count, const std::string& target) {
  std::string served = path;
  // swap-N: from request N+1 on, this name serves the file beside it whose
  // name ends in ".next": a file replaced on the server.
  if (fault.kind == "swap" && count > fault.n) served += ".next";
  std::ifstream file(served, std::ios::binary);
  struct stat info {};
  if (!file || stat(served.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    answer(client, 404, "not found\n");
    return;
  }
  const unsigned long long size = static_cast<unsigned long long>(info.st_size);
  char etag[64];
  std::snprintf(etag, sizeof etag, "\"%llx-%llx\"", static_cast<unsigned long long>(info.st_mtim.tv_sec) * 1000000000ull +
                static_cast<unsigned long long>(info.st_mtim.tv_nsec), size);
  const std::string ifRange = headerValue(requestHead, "If-Range");
  const std::string rangeHeader = headerValue(requestHead, "Range");
  bool unsatisfiable = false;
  auto ranges = fault.kind == "norange" || (!ifRange.empty() && ifRange != etag)
                    ? std::vector<std::pair<unsigned long long, unsigned long long>>{}
                    : parseRanges(rangeHeader, size, unsatisfiable);
  if (unsatisfiable) {
    answer(client, 416, "", "Content-Range: bytes */" + std::to_string(size) + "\r\n");
    return;
  }
  int status = fault.kind == "always206" || !ranges.empty() ? 206 : 200;
  std::string headers = "ETag: " + std::string(etag) + "\r\n";
  std::vector<Segment> body;
  if (ranges.size() > 1) {
    const std::string boundary = "00000000000000000042";
    headers += "Content-Type: multipart/byteranges; boundary=" + boundary + "\r\n";
    for (const auto& [from, to] : ranges) {
      body.push_back({"\r\n--" + boundary + "\r\nContent-Type: application/octet-stream\r\nContent-Range: bytes " +
                      std::to_string(from) + "-" + std::to_string(to - 1) + "/" + std::to_string(size) + "\r\n\r\n"});
      body.push_back({{}, from, to});
    }
    body.push_back({"\r\n--" + boundary + "--\r\n"});
  } else {
    const unsigned long long from = ranges.empty() ? 0 : ranges[0].first;
    const unsigned long long to = ranges.empty() ? size : ranges[0].second;
    headers += "Content-Type: application/octet-stream\r\n";
    if (status == 206) {
      headers += "Content-Range: bytes " + std::to_string(from) + "-" + std::to_string(to - 1) + "/" +
                 std::to_string(size) + "\r\n";
    }
    body.push_back({{}, from, to});
  }
  unsigned long long length = 0;
  for (const Segment& segment : body) length += segment.text.empty() ? segment.to - segment.from : segment.text.size();
  if (fault.kind != "endless") headers += "Content-Length: " + std::to_string(length) + "\r\n";
  if (!client.send(head(status, headers))) return;

  // cut-N, reset-N, stall-N: every answer stops after N body bytes;
  // cutat-K-N: only the K-th request of this target does.
  const bool limited = fault.kind == "cut" || fault.kind == "reset" || fault.kind == "stall" ||
                       (fault.kind == "cutat" && count == fault.n);
  unsigned long long budget = limited ? (fault.kind == "cutat" ? fault.second : fault.n) : length;
  const size_t piece = fault.kind == "trickle" ? 1024 : 65536;
  std::vector<char> buffer(piece);
  for (const Segment& segment : body) {
    if (!segment.text.empty()) {
      const size_t want = static_cast<size_t>(std::min<unsigned long long>(budget, segment.text.size()));
      if (!client.send({segment.text.data(), want})) return;
      budget -= want;
      addSent(target, want);
      continue;
    }
    file.seekg(static_cast<std::streamoff>(segment.from));
    for (unsigned long long at = segment.from; at < segment.to && budget > 0;) {
      const size_t want = static_cast<size_t>(std::min<unsigned long long>({static_cast<unsigned long long>(piece), segment.to - at, budget}));
      if (!file.read(buffer.data(), static_cast<std::streamsize>(want))) return;
      // flip: every range that does not start the file arrives with its
      // first byte changed, as a proxy that damages data would deliver it.
      if (fault.kind == "flip" && status == 206 && at == segment.from && segment.from > 0) buffer[0] ^= 0x55;
      if (!client.send({buffer.data(), want})) return;
      at += want;
      budget -= want;
      addSent(target, want);
      if (fault.kind == "trickle" && at < segment.to) std::this_thread::sleep_for(std::chrono::milliseconds(fault.n));
    }
  }
  if (fault.kind == "reset") {
    // A reset throws away whatever the client has not read yet; give it a
    // moment to take what was sent.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    client.reset();
  } else if (fault.kind == "stall") {
    client.hold();
  } else if (fault.kind == "long") {
    client.send(std::string(fault.n, 'x'));
  } else if (fault.kind == "endless") {
    const std::string filler(65536, 'z');
    while (client.send(filler)) {
    }
  }
}

void respond(Connection& client, const std::string& target, const std::string& requestHead) {
  if (target.starts_with("/_stats/")) {
    answer(client, 200, std::to_string(requestCount(target.substr(7))));
    return;
  }
  if (target.starts_with("/_sent/")) {
    answer(client, 200, std::to_string(sentBytes(target.substr(6))));
    return;
  }
  const unsigned count = countRequest(target);
  std::string rest = target.substr(1);
  Fault fault;
  if (target.starts_with("/s/")) {
    const size_t slash = target.find('/', 3);
    if (slash == std::string::npos) {
      answer(client, 404, "no file named\n");
      return;
    }
    std::string scenario = target.substr(3, slash - 3);
    rest = target.substr(slash + 1);
    if (const size_t at = scenario.find('@'); at != std::string::npos) {
      if (rest.find(scenario.substr(at + 1)) == std::string::npos) return respond(client, "/" + rest, requestHead);
      scenario.resize(at);
    }
    const size_t dash = scenario.find('-');
    fault.kind = scenario.substr(0, dash);
    const std::string args = dash == std::string::npos ? "" : scenario.substr(dash + 1);
    std::sscanf(args.c_str(), "%lu-%lu", &fault.n, &fault.second);
    const unsigned long second = fault.second;

    if (fault.kind == "status") return answer(client, static_cast<int>(fault.n), "status " + args + "\n");
    if (fault.kind == "busy") {
      if (count <= second) return answer(client, static_cast<int>(fault.n), "busy\n");
      return respond(client, "/" + rest, requestHead);
    }
    if (fault.kind == "redirect") return answer(client, static_cast<int>(fault.n), "", "Location: /" + rest + "\r\n");
    if (fault.kind == "elsewhere") return answer(client, static_cast<int>(fault.n), "", "Location: ftp://127.0.0.1:1/" + rest + "\r\n");
    if (fault.kind == "bighead") return answer(client, 200, "", "X-Filler: " + std::string(fault.n, 'x') + "\r\n");
    if (fault.kind == "echo") return answer(client, 200, requestHead);
    if (fault.kind == "drop") return client.reset();
    if (fault.kind == "hangup") return;
    if (fault.kind == "silent") return client.hold();
  }
  const auto path = filePath(rest.substr(0, rest.find('?')));
  if (!path) return answer(client, 404, "outside the root\n");
  serveFile(client, *path, requestHead, fault, count, target);
}

void serve(int fd) {
  Connection client(fd);
  const auto requestHead = client.readHead();
  if (!requestHead) return;
  char method[16] = {};
  char target[8192] = {};
  if (std::sscanf(requestHead->c_str(), "%15s %8191s", method, target) != 2 || std::strcmp(method, "GET") != 0) {
    answer(client, 400, "GET only\n");
    return;
  }
  respond(client, target, *requestHead);
  shutdown(fd, SHUT_WR);
}

}  // namespace

int main(int argc, char** argv) {
  std::string portFile;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--root") == 0) root = argv[i + 1];
    if (std::strcmp(argv[i], "--port-file") == 0) portFile = argv[i + 1];
  }
  if (root.empty()) {
    std::fprintf(stderr, "usage: fault_server --root DIR [--port-file FILE]\n");
    return 2;
  }
  std::signal(SIGPIPE, SIG_IGN);

  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof(address);
  if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      listen(listener, 128) != 0 || getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    std::perror("fault_server: cannot listen");
    return 1;
  }
  const unsigned port = ntohs(address.sin_port);
  if (!portFile.empty()) {
    // Written whole, then renamed, so a reader never sees half a number.
    const std::string temporary = portFile + ".tmp";
    std::ofstream(temporary) << port << "\n";
    std::rename(temporary.c_str(), portFile.c_str());
  }
  std::printf("listening on 127.0.0.1:%u\n", port);
  std::fflush(stdout);

  for (;;) {
    const int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client >= 0) std::thread(serve, client).detach();
  }
}
