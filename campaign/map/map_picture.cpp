#include "campaign/map/map_picture.h"

#include <cmath>
#include <cstdio>
#include <sstream>

namespace hm {

bool parse_map_picture(std::string_view text, map_picture& out, map_file_error& error) {
  out = map_picture{};
  int line_number = 0;
  bool in_map = false;
  bool ended = false;
  auto fail = [&](const std::string& what) {
    error.line = line_number;
    error.message = what;
    return false;
  };
  std::size_t pos = 0;
  // The text after the last line break is a line only when it holds something.
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string line(text.substr(pos, end - pos));
    pos = end + 1;
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (in_map) {
      if (line == "end") {
        in_map = false;
        ended = true;
        continue;
      }
      if (!out.rows.empty() && line.size() != out.rows[0].size())
        return fail("a row of " + std::to_string(line.size()) + " squares in a picture " +
                    std::to_string(out.rows[0].size()) + " wide");
      if (line.empty()) return fail("an empty row in the picture");
      for (const char c : line)
        if (c != ' ' && out.kinds.find(c) == out.kinds.end())
          return fail(std::string("square '") + c + "' has no terrain line");
      out.rows.push_back(line);
      continue;
    }
    std::istringstream in(line);
    std::string word;
    if (!(in >> word) || word[0] == '#') continue;
    if (ended) return fail("text after the picture's end");
    if (word == "cell") {
      if (!(in >> out.cell) || !std::isfinite(out.cell) || out.cell <= 0.0f) return fail("cell needs a positive size");
    } else if (word == "origin") {
      if (!(in >> out.origin[0] >> out.origin[1]) || !std::isfinite(out.origin[0]) || !std::isfinite(out.origin[1]))
        return fail("origin needs two numbers");
    } else if (word == "terrain" || word == "height") {
      std::string symbol;
      if (!(in >> symbol) || symbol.size() != 1) return fail(word + " needs one character");
      if (word == "terrain") {
        int kind = 0;
        if (!(in >> kind)) return fail("terrain needs a kind");
        out.kinds[symbol[0]] = kind;
      } else {
        float h = 0.0f;
        if (!(in >> h) || !std::isfinite(h)) return fail("height needs a number");
        out.heights[symbol[0]] = h;
      }
    } else if (word == "map") {
      in_map = true;
    } else {
      return fail("unknown line \"" + word + "\"");
    }
    std::string extra;
    if (in >> extra && extra[0] != '#') return fail("more than the line takes: \"" + extra + "\"");
  }
  // What is missing at the end is missing on the line after the last.
  ++line_number;
  if (in_map) return fail("the picture has no end line");
  if (out.rows.empty()) return fail("no picture");
  return true;
}

std::string map_text_of_picture(const map_picture& p) {
  const int w = p.width();
  const int h = p.height();
  std::string out;
  char buffer[96];
  out += std::to_string((w + 1) * (h + 1)) + "\n";
  // Vertex (i, j): column i from the left, j from the bottom.
  for (int j = 0; j <= h; ++j) {
    for (int i = 0; i <= w; ++i) {
      float sum = 0.0f;
      int n = 0;
      for (int di = -1; di <= 0; ++di) {
        for (int dj = -1; dj <= 0; ++dj) {
          const int c = i + di;
          const int r = h - 1 - (j + dj);
          if (c < 0 || c >= w || r < 0 || r >= h) continue;
          const char ch = p.rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
          if (ch == ' ') continue;
          const auto it = p.heights.find(ch);
          sum += it == p.heights.end() ? 0.0f : it->second;
          ++n;
        }
      }
      const float z = n > 0 ? sum / static_cast<float>(n) : 0.0f;
      std::snprintf(buffer, sizeof buffer, "%.4f %.4f %.4f\n", static_cast<double>(p.origin[0] + static_cast<float>(i) * p.cell),
                    static_cast<double>(p.origin[1] + static_cast<float>(j) * p.cell), static_cast<double>(z));
      out += buffer;
    }
  }
  int faces = 0;
  for (const std::string& row : p.rows)
    for (const char c : row) faces += c != ' ';
  out += std::to_string(faces) + "\n";
  for (int r = 0; r < h; ++r) {
    const int j = h - 1 - r;
    for (int i = 0; i < w; ++i) {
      const char ch = p.rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(i)];
      if (ch == ' ') continue;
      const int v0 = j * (w + 1) + i;
      std::snprintf(buffer, sizeof buffer, "%d 0 4 %d %d %d %d\n", p.kinds.at(ch), v0, v0 + 1, v0 + w + 2, v0 + w + 1);
      out += buffer;
    }
  }
  return out;
}

}  // namespace hm
