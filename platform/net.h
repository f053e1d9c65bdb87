#pragma once
// A small HTTP/1.0 client over TCP (the launcher's version check). A request
// is one connection: the request line, fixed header lines and the body go
// out, the whole answer comes back and is split into status and body.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <string>

namespace hm::platform {

struct url_parts {
  std::string scheme;  // before ":", "HTTP" when none
  std::string host;    // letters, digits, "-", "." after an optional "//"
  int port = 80;       // after ":" in the host
  std::string path;    // the rest, "/" when empty
};

// Splits a URL as the client reads it. False for a URL without a host or with
// a port that is not a number from 1 to 65535.
bool split_url(const std::string& url, url_parts& out);

struct http_response {
  int status = 0;            // the status line's code; 0 when none was read
  std::string status_line;   // e.g. "HTTP/1.0 200 OK"
  std::string body;          // after the empty line that ends the headers
};

// Limits of one request: the answer is cut off (and the request fails) past
// max_response bytes, and each connect, send or receive waits at most
// timeout_ms.
inline constexpr std::size_t http_max_response = 1 << 20;
inline constexpr int http_timeout_ms = 5000;

// "GET" or "POST" of the URL with the body. 0 on success (a response with a
// status line arrived, whatever its code); a positive value on failure (1 a bad
// URL, 2 the host not found, 3 no connection, 4 the request not sent, 5 no or a
// broken answer, 6 an answer too long).
int http_request(const std::string& url, const std::string& method, const std::string& body, http_response& out,
                 int timeout_ms = http_timeout_ms);

// Splits a whole answer into its status line, code and body. False when it
// does not begin with a status line "HTTP/<version> <three digits>...".
bool parse_http_response(const std::string& answer, http_response& out);

// The decimal number at the start of a text (blanks before it skipped), or -1
// when the text does not start with one or it is above 1,000,000,000.
std::int32_t leading_decimal(std::string_view text);

// The request's bytes as they are sent (the request line, the header lines and
// the body).
std::string http_request_text(const url_parts& url, const std::string& method, const std::string& body);

}  // namespace hm::platform
