#include "platform/net.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>

namespace hm::platform {

namespace {

bool host_char(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '.' || c == ':';
}

// Waits until the socket can be read or written; false on a timeout or error.
bool wait_for(int fd, short events, int timeout_ms) {
  pollfd p{fd, events, 0};
  for (;;) {
    const int r = ::poll(&p, 1, timeout_ms);
    if (r < 0 && errno == EINTR) continue;
    return r > 0 && (p.revents & (events | POLLHUP)) != 0;
  }
}

class socket_handle {
 public:
  explicit socket_handle(int fd) : fd_(fd) {}
  ~socket_handle() {
    if (fd_ >= 0) ::close(fd_);
  }
  socket_handle(const socket_handle&) = delete;
  socket_handle& operator=(const socket_handle&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// A connected socket to one of the host's addresses, or -1.
int connect_to(const url_parts& url, int timeout_ms, int& failure) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(url.port);
  if (::getaddrinfo(url.host.c_str(), port.c_str(), &hints, &found) != 0 || !found) {
    failure = 2;
    return -1;
  }
  int fd = -1;
  for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
    fd = ::socket(a->ai_family, a->ai_socktype, a->ai_protocol);
    if (fd < 0) continue;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL, 0) | O_NONBLOCK);
    int r = ::connect(fd, a->ai_addr, a->ai_addrlen);
    if (r != 0 && errno == EINPROGRESS && wait_for(fd, POLLOUT, timeout_ms)) {
      int error = 0;
      socklen_t length = sizeof error;
      r = (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0) ? 0 : -1;
    }
    if (r != 0) {
      ::close(fd);
      fd = -1;
    }
  }
  ::freeaddrinfo(found);
  if (fd < 0) failure = 3;
  return fd;
}

}  // namespace

bool split_url(const std::string& url, url_parts& out) {
  out = url_parts{};
  std::size_t at = 0;
  const std::size_t colon = url.find(':');
  const std::size_t slashes = url.find("//");
  if (colon != std::string::npos && slashes == colon + 1) {
    out.scheme = url.substr(0, colon);
    at = slashes + 2;
  } else {
    out.scheme = "HTTP";
    if (slashes == 0) at = 2;
  }
  std::size_t end = at;
  while (end < url.size() && host_char(url[end])) ++end;
  std::string host = url.substr(at, end - at);
  out.path = url.substr(end);
  if (out.path.empty()) out.path = "/";
  const std::size_t port_at = host.find(':');
  if (port_at != std::string::npos) {
    const std::string port = host.substr(port_at + 1);
    host.resize(port_at);
    if (port.empty() || port.size() > 5) return false;
    int value = 0;
    for (char c : port) {
      if (c < '0' || c > '9') return false;
      value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535) return false;
    out.port = value;
  }
  out.host = host;
  return !out.host.empty();
}

std::string http_request_text(const url_parts& url, const std::string& method, const std::string& body) {
  const bool post = method == "POST";
  std::string text = post ? "POST " : "GET ";
  text += url.path + " HTTP/1.0\r\n";
  text +=
      "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/vnd.ms-excel, "
      "application/msword, application/vnd.ms-powerpoint, */*\r\n";
  text += "Accept-Language: en-us\r\n";
  text += "Accept-Encoding: gzip, deflate\r\n";
  text += "User-Agent: Mozilla/4.0\r\n";
  text += "Host: " + url.host + "\r\n";
  if (post) text += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  text += "\r\n";
  text += body;
  return text;
}

int http_request(const std::string& url, const std::string& method, const std::string& body, http_response& out,
                 int timeout_ms) {
  out = http_response{};
  url_parts parts;
  if (!split_url(url, parts)) return 1;
  int failure = 0;
  socket_handle s(connect_to(parts, timeout_ms, failure));
  if (s.get() < 0) return failure;

  const std::string request = http_request_text(parts, method, body);
  std::size_t sent = 0;
  while (sent < request.size()) {
    if (!wait_for(s.get(), POLLOUT, timeout_ms)) return 4;
    const ssize_t n = ::send(s.get(), request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0) return 4;
    sent += static_cast<std::size_t>(n);
  }

  // The whole answer, until the server closes the connection; the buffer
  // doubles as it fills, up to the limit.
  std::string answer;
  std::size_t used = 0;
  answer.resize(4096);
  for (;;) {
    if (!wait_for(s.get(), POLLIN, timeout_ms)) return 5;
    if (used == answer.size()) {
      if (answer.size() >= http_max_response) return 6;
      answer.resize(std::min(answer.size() * 2, http_max_response));
    }
    const ssize_t n = ::recv(s.get(), answer.data() + used, answer.size() - used, 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n < 0) return 5;
    if (n == 0) break;
    used += static_cast<std::size_t>(n);
  }
  answer.resize(used);

  return parse_http_response(answer, out) ? 0 : 5;
}

bool parse_http_response(const std::string& answer, http_response& out) {
  out = http_response{};
  const std::size_t line_end = answer.find("\r\n");
  if (line_end == std::string::npos) return false;
  out.status_line = answer.substr(0, line_end);
  // "HTTP/1.x <code> <reason>"
  if (out.status_line.compare(0, 5, "HTTP/") != 0) return false;
  const std::size_t blank = out.status_line.find(' ');
  if (blank == std::string::npos) return false;
  int code = 0;
  int digits = 0;
  for (std::size_t i = blank + 1; i < out.status_line.size() && digits < 3; ++i, ++digits) {
    const char c = out.status_line[i];
    if (c < '0' || c > '9') return false;
    code = code * 10 + (c - '0');
  }
  if (digits != 3) return false;
  out.status = code;
  const std::size_t headers_end = answer.find("\r\n\r\n");
  out.body = headers_end == std::string::npos ? std::string() : answer.substr(headers_end + 4);
  return true;
}

std::int32_t leading_decimal(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i == text.size() || text[i] < '0' || text[i] > '9') return -1;
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > 1000000000) return -1;
  }
  return static_cast<std::int32_t>(value);
}

}  // namespace hm::platform
