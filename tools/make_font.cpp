// make_font: the game's bitmap font from a free font.
//
//   make_font layout <texture size> <pixel size> <out font_data.xml>
//       Packs the font's characters (printable ASCII, Latin-1 and a few
//       punctuation marks beyond it) into a square texture and writes the font
//       data file that describes them. Run by hand; the file is kept with the
//       data.
//   make_font render <font_data.xml> <out .dds>
//       Paints every character the font data lists into its box and writes the
//       texture: uncompressed 32-bit, white with the glyph's coverage as alpha.
//       Run by the build.
//
// Both use the font the engine maps its proportional faces onto. The font data
// keeps the pixel size in its root element, so the build paints exactly what
// the layout measured.
//
// Box conventions of the font data (pixels, rows from the top): u, v are the
// top-left corner of the glyph's bitmap and w, h its bottom-right corner; the
// reader widens the box by 4 pixels before and 6 after, so every box gets that
// margin in the texture. preshift is the bitmap's left bearing, postshift the
// rest of the advance, and yadjust the height of the bitmap's top above the top
// of the line (so at most 0). The texture's rows run from the top; the font data
// reader turns rows into v coordinates that grow from the bottom row, so text
// meshes sample it with v pointing up.
#include <tinyxml.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/font.h"
#include "tool_usage.h"

namespace {

using hm::platform::font_face;
using hm::platform::glyph_metrics;

constexpr int margin_before = 4;
constexpr int margin_after = 6;

std::vector<char32_t> font_codes() {
  std::vector<char32_t> codes;
  for (char32_t c = 32; c < 127; ++c) codes.push_back(c);
  for (char32_t c = 160; c < 256; ++c) codes.push_back(c);
  for (char32_t c : {0x2013, 0x2014, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2026, 0x20AC}) codes.push_back(c);
  return codes;
}

std::unique_ptr<font_face> open_face(int pixels) {
  const auto choice = hm::platform::font_file_for("Arial", 0, hm::platform::default_font_folders());
  if (choice.file.empty()) {
    std::fprintf(stderr, "make_font: no font file found\n");
    return nullptr;
  }
  auto face = hm::platform::open_font_file(choice.file, pixels);
  if (!face) std::fprintf(stderr, "make_font: cannot open %s\n", choice.file.c_str());
  return face;
}

int layout(int texture_size, int pixels, const char* out_path) {
  auto face = open_face(pixels);
  if (!face) return 1;
  const int ascent = face->ascent();
  const int line_height = ascent + face->descent();
  // The text meshes step lines by 0.9 of the font size.
  const int font_size = static_cast<int>(std::lround(line_height / 0.9));

  TiXmlDocument doc;
  doc.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", ""));
  auto* root = new TiXmlElement("FontData");
  root->SetAttribute("width", texture_size);
  root->SetAttribute("height", texture_size);
  root->SetAttribute("padding", 0);
  root->SetAttribute("font_size", font_size);
  root->SetAttribute("font_scale", 100);
  root->SetAttribute("line_spacing", 100);
  root->SetAttribute("source_pixels", pixels);
  doc.LinkEndChild(root);
  auto* details = new TiXmlElement("FontDetails");
  root->LinkEndChild(details);

  int x = 0;
  int y = 0;
  int row_height = 0;
  for (char32_t code : font_codes()) {
    const glyph_metrics m = face->glyph(code);
    if (!m.present) continue;
    const int cell_w = m.width + margin_before + margin_after;
    const int cell_h = m.height + margin_before + margin_after;
    if (x + cell_w > texture_size) {
      x = 0;
      y += row_height;
      row_height = 0;
    }
    if (y + cell_h > texture_size) {
      std::fprintf(stderr, "make_font: %d-pixel glyphs do not fit a %d texture\n", pixels, texture_size);
      return 1;
    }
    const int u = x + margin_before;
    const int v = y + margin_before;
    auto* g = new TiXmlElement("Glyph");
    g->SetAttribute("code", static_cast<int>(code));
    g->SetAttribute("u", u);
    g->SetAttribute("v", v);
    g->SetAttribute("w", u + m.width);
    g->SetAttribute("h", v + m.height);
    g->SetAttribute("preshift", m.left);
    g->SetAttribute("yadjust", m.top - ascent);
    g->SetAttribute("postshift", m.advance - m.left);
    details->LinkEndChild(g);
    x += cell_w;
    row_height = std::max(row_height, cell_h);
  }
  if (!doc.SaveFile(out_path)) {
    std::fprintf(stderr, "make_font: cannot write %s\n", out_path);
    return 1;
  }
  return 0;
}

void put_u32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// An uncompressed A8R8G8B8 texture: the magic, the 124-byte header with its
// 32-byte pixel format, then the rows from the top.
bool write_dds(const char* path, int width, int height, const std::vector<std::uint32_t>& pixels) {
  std::vector<std::uint8_t> out;
  out.insert(out.end(), {'D', 'D', 'S', ' '});
  put_u32(out, 124);                               // header size
  put_u32(out, 0x1 | 0x2 | 0x4 | 0x8 | 0x1000);    // caps, height, width, pitch, pixel format
  put_u32(out, static_cast<std::uint32_t>(height));
  put_u32(out, static_cast<std::uint32_t>(width));
  put_u32(out, static_cast<std::uint32_t>(width) * 4);  // pitch
  put_u32(out, 0);                                 // depth
  put_u32(out, 0);                                 // mipmap count
  for (int i = 0; i < 11; ++i) put_u32(out, 0);    // reserved
  put_u32(out, 32);                                // pixel format size
  put_u32(out, 0x1 | 0x40);                        // alpha pixels, RGB
  put_u32(out, 0);                                 // no four-character code
  put_u32(out, 32);                                // bits per pixel
  put_u32(out, 0x00FF0000u);
  put_u32(out, 0x0000FF00u);
  put_u32(out, 0x000000FFu);
  put_u32(out, 0xFF000000u);
  put_u32(out, 0x1000);                            // a texture
  for (int i = 0; i < 4; ++i) put_u32(out, 0);     // caps 2 to 4, reserved
  for (std::uint32_t p : pixels) put_u32(out, p);

  std::FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  return std::fclose(f) == 0 && ok;
}

int render(const char* xml_path, const char* out_path) {
  TiXmlDocument doc;
  if (!doc.LoadFile(xml_path)) {
    std::fprintf(stderr, "make_font: cannot read %s\n", xml_path);
    return 1;
  }
  const TiXmlElement* root = doc.FirstChildElement();
  int width = 0, height = 0, pixels = 0;
  if (!root || root->QueryIntAttribute("width", &width) != TIXML_SUCCESS ||
      root->QueryIntAttribute("height", &height) != TIXML_SUCCESS ||
      root->QueryIntAttribute("source_pixels", &pixels) != TIXML_SUCCESS || width <= 0 || height <= 0 ||
      width > 8192 || height > 8192) {
    std::fprintf(stderr, "make_font: %s lacks the texture size or the source pixel size\n", xml_path);
    return 1;
  }
  auto face = open_face(pixels);
  if (!face) return 1;

  std::vector<std::uint8_t> coverage(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
  const TiXmlElement* details = root->FirstChildElement("FontDetails");
  for (const TiXmlElement* g = details ? details->FirstChildElement() : nullptr; g; g = g->NextSiblingElement()) {
    int code = 0, u = 0, v = 0, w = 0, h = 0;
    if (g->QueryIntAttribute("code", &code) != TIXML_SUCCESS || code < 0 ||
        g->QueryIntAttribute("u", &u) != TIXML_SUCCESS || g->QueryIntAttribute("v", &v) != TIXML_SUCCESS ||
        g->QueryIntAttribute("w", &w) != TIXML_SUCCESS || g->QueryIntAttribute("h", &h) != TIXML_SUCCESS) {
      continue;
    }
    // Paint the glyph into a bitmap of its own and copy its box with the
    // margins, so a font that renders a pixel larger than it measured cannot
    // spill into a neighbour.
    const glyph_metrics m = face->glyph(static_cast<char32_t>(code));
    const int bw = m.width + 2, bh = m.height + 2;
    std::vector<std::uint8_t> cell(static_cast<std::size_t>(bw) * static_cast<std::size_t>(bh), 0);
    hm::platform::bitmap_view view{cell.data(), bw, bh, bw, 1};
    face->draw_glyph(static_cast<char32_t>(code), 1 - m.left, 1 + m.top, 0xFFFFFFFFu, view);
    for (int yy = 0; yy < bh; ++yy) {
      for (int xx = 0; xx < bw; ++xx) {
        const int tx = u - 1 + xx, ty = v - 1 + yy;
        if (tx < u - margin_before || ty < v - margin_before || tx >= w + margin_after || ty >= h + margin_after ||
            tx < 0 || ty < 0 || tx >= width || ty >= height) {
          continue;
        }
        std::uint8_t& dst = coverage[static_cast<std::size_t>(ty) * static_cast<std::size_t>(width) +
                                     static_cast<std::size_t>(tx)];
        dst = std::max(dst, cell[static_cast<std::size_t>(yy) * static_cast<std::size_t>(bw) + static_cast<std::size_t>(xx)]);
      }
    }
  }

  std::vector<std::uint32_t> argb(coverage.size());
  for (std::size_t i = 0; i < coverage.size(); ++i) argb[i] = (static_cast<std::uint32_t>(coverage[i]) << 24) | 0x00FFFFFFu;
  if (!write_dds(out_path, width, height, argb)) {
    std::fprintf(stderr, "make_font: cannot write %s\n", out_path);
    return 1;
  }
  return 0;
}

int usage(bool help = false) {
  return hm::tools::print_usage(
      "usage: make_font layout <texture size> <pixel size> <out font_data.xml>\n"
      "       make_font render <font_data.xml> <out .dds>\n",
      help);
}

}  // namespace

int main(int argc, char** argv) {
  if (hm::tools::asks_for_help(argc, argv)) return usage(true);
  if (argc == 5 && std::string(argv[1]) == "layout") {
    const int size = std::atoi(argv[2]);
    const int pixels = std::atoi(argv[3]);
    if (size < 16 || size > 8192 || pixels < 4 || pixels > 512) {
      usage();
      return 2;
    }
    return layout(size, pixels, argv[4]);
  }
  if (argc == 4 && std::string(argv[1]) == "render") return render(argv[2], argv[3]);
  usage();
  return 2;
}
