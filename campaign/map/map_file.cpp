#include "campaign/map/map_file.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "engine/core/log.h"
#include "platform/fs.h"

namespace hm {

namespace {

class token_reader {
 public:
  explicit token_reader(std::string_view text) : text_(text) {}

  // The next token; false at the end of the text.
  bool next(std::string_view& token) {
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (c == '\n') {
        ++line_;
      } else if (c != ' ' && c != '\t' && c != '\r' && c != '\f' && c != '\v') {
        break;
      }
      ++pos_;
    }
    if (pos_ >= text_.size()) return false;
    const std::size_t start = pos_;
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (c == '\n' || c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') break;
      ++pos_;
    }
    token = text_.substr(start, pos_ - start);
    return true;
  }
  int line() const { return line_; }
  // Tokens cannot be shorter than one character and one separator.
  std::size_t most_tokens_left() const { return (text_.size() - pos_ + 1) / 2; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  int line_ = 1;
};

bool to_int(std::string_view token, long long lo, long long hi, std::int32_t& out) {
  if (token.empty() || token.size() > 32) return false;
  const std::string s(token);
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(s.c_str(), &end, 10);
  if (errno != 0 || end != s.c_str() + s.size() || v < lo || v > hi) return false;
  out = static_cast<std::int32_t>(v);
  return true;
}

bool to_float(std::string_view token, float& out) {
  if (token.empty() || token.size() > 64) return false;
  const std::string s(token);
  char* end = nullptr;
  const float v = std::strtof(s.c_str(), &end);
  if (end != s.c_str() + s.size() || !std::isfinite(v)) return false;
  out = v;
  return true;
}

}  // namespace

bool parse_map_text(std::string_view text, world_map& out, map_file_error& error) {
  out.vertices.clear();
  out.faces.clear();
  token_reader r(text);
  std::string_view tok;
  auto fail = [&](const std::string& what) {
    error.line = r.line();
    error.message = what;
    out.vertices.clear();
    out.faces.clear();
    return false;
  };
  auto read_int = [&](const char* what, long long lo, long long hi, std::int32_t& v) {
    if (!r.next(tok)) return fail(std::string("the file ends where ") + what + " should stand");
    if (!to_int(tok, lo, hi, v))
      return fail(std::string(what) + " \"" + std::string(tok.substr(0, 40)) + "\" is not a whole number from " +
                  std::to_string(lo) + " to " + std::to_string(hi));
    return true;
  };

  std::int32_t nv = 0;
  if (!read_int("the vertex count", 0, INT32_MAX, nv)) return false;
  if (static_cast<std::size_t>(nv) > r.most_tokens_left() / 3) return fail("more vertices than the file can hold");
  out.vertices.resize(static_cast<std::size_t>(nv));
  for (map_vertex& v : out.vertices) {
    float* xyz[3] = {&v.x, &v.y, &v.z};
    for (float* p : xyz) {
      if (!r.next(tok)) return fail("the file ends inside the vertices");
      if (!to_float(tok, *p)) return fail("vertex coordinate \"" + std::string(tok.substr(0, 40)) + "\" is not a number");
    }
  }
  std::int32_t nf = 0;
  if (!read_int("the face count", 0, INT32_MAX, nf)) return false;
  // A face takes at least six tokens.
  if (static_cast<std::size_t>(nf) > r.most_tokens_left() / 6) return fail("more faces than the file can hold");
  out.faces.resize(static_cast<std::size_t>(nf));
  for (map_face& f : out.faces) {
    if (!read_int("a face's terrain kind", INT32_MIN, INT32_MAX, f.terrain)) return false;
    if (!read_int("a face's second value", INT32_MIN, INT32_MAX, f.second_value)) return false;
    std::int32_t n = 0;
    if (!read_int("a face's vertex count", INT32_MIN, INT32_MAX, n)) return false;
    if (n < 3 || n > map_face::max_vertices)
      return fail("a face has " + std::to_string(n) + " vertices (3 or 4 are allowed)");
    f.vertex_count = n;
    for (int i = 0; i < n; ++i) {
      if (!r.next(tok)) return fail("the file ends inside a face");
      std::int32_t index = 0;
      if (!to_int(tok, INT32_MIN, INT32_MAX, index)) return fail("vertex index \"" + std::string(tok.substr(0, 40)) + "\" is not a whole number");
      if (index < 0 || index >= nv)
        return fail("vertex index " + std::to_string(index) + " is outside the " + std::to_string(nv) + " vertices");
      f.vertices[i] = index;
    }
  }
  if (r.next(tok)) return fail("text after the last face");
  return true;
}

void load_map_file(const std::string& path, world_map& out) {
  const std::optional<std::string> file = platform::read_whole_file(path, true);
  if (!file) ruv_error("Unable to open %s", path.c_str());
  const std::string& text = *file;
  map_file_error error;
  if (!parse_map_text(text, out, error))
    ruv_error("%s:%d: map.txt format broken: %s", path.c_str(), error.line, error.message.c_str());
  out.link_records();
}

}  // namespace hm
