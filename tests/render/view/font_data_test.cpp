// The game's font data file, read by the engine and laid out by the text
// meshes: glyphs sit on one baseline, in reading order, inside their line.
#include <gtest/gtest.h>

#include <tinyxml.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "engine/text/font_details.h"
#include "engine/resource/mesh.h"
#include "render/view/text_mesh.h"

namespace hm {
namespace {

const std::string data_file = std::string(HOOFMARCH_DATA_DIR) + "/Data/font_data.xml";
const std::string texture_file = std::string(HOOFMARCH_BINARY_DIR) + "/data/Textures/font.dds";

struct box {
  float left, bottom, right, top;
};

box glyph_box(const mesh& m, int index) {
  const auto& p = m.get_points();
  const auto i = static_cast<std::size_t>(index) * 4;
  return {p[i].position.x, p[i].position.y, p[i + 2].position.x, p[i + 2].position.y};
}

TEST(FontData, GlyphsShareABaselineAndKeepReadingOrder) {
  font_details font;
  read_font_details(font, data_file.c_str());
  ASSERT_GT(font.font_size, 0);
  for (char c = 33; c < 127; ++c) {
    EXPECT_GT(font.glyph_advance(c), 0.0f) << c;
    EXPECT_GT(font.glyphs[static_cast<unsigned char>(c)].u1, font.glyphs[static_cast<unsigned char>(c)].u0) << c;
  }
  EXPECT_GT(font.glyph_advance(' '), 0.0f);
  EXPECT_GT(font.glyph_advance(0xE9), 0.0f);    // é
  EXPECT_GT(font.glyph_advance(0x20AC), 0.0f);  // €, in the map

  // "Hxlp": H, x and l stand on the baseline, p reaches below it.
  mesh m;
  vec3 size;
  const float line_top = -0.03f;
  build_text_mesh(font, size, "Hxlp", vec3(0.02f, line_top, 0), 0xFFFFFFFFu, vec3(0.021f, 0.021f, 0), m, vec3(0, 0, 0),
                  vec3(0.8f, 0, 0), 0);
  ASSERT_EQ(m.get_points().size(), 16u);
  const box h = glyph_box(m, 0), x = glyph_box(m, 1), l = glyph_box(m, 2), p = glyph_box(m, 3);
  const float pixel = 0.021f / static_cast<float>(font.font_size);  // one texture pixel in mesh units
  EXPECT_NEAR(h.bottom, x.bottom, 1.01f * pixel);
  EXPECT_NEAR(h.bottom, l.bottom, 1.01f * pixel);
  EXPECT_LT(p.bottom, h.bottom - 3.0f * pixel);
  EXPECT_LT(x.top, h.top - 3.0f * pixel);  // x is lower than H
  EXPECT_LT(h.left, x.left);
  EXPECT_LT(x.left, l.left);
  EXPECT_LT(l.left, p.left);
  // Everything hangs below the line's top, within about one line step.
  for (const box& b : {h, x, l, p}) {
    EXPECT_LE(b.top, line_top + 4.0f * pixel);
    EXPECT_GE(b.bottom, line_top - 0.021f * 1.2f);
  }
}

std::uint32_t word_at(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(bytes[offset]) | static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[offset + 2]) << 16 | static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

TEST(FontData, TheBuiltTextureIsAnUncompressed32BitDdsWithGlyphsInTheirBoxes) {
  std::ifstream in(texture_file, std::ios::binary);
  ASSERT_TRUE(in) << texture_file;
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  font_details font;
  read_font_details(font, data_file.c_str());
  const auto w = static_cast<std::uint32_t>(font.texture_width);
  const auto h = static_cast<std::uint32_t>(font.texture_height);
  ASSERT_EQ(bytes.size(), 128u + w * h * 4u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "DDS ");
  EXPECT_EQ(word_at(bytes, 4), 124u);        // header size
  EXPECT_EQ(word_at(bytes, 8), 0x100Fu);     // caps, height, width, pitch, pixel format
  EXPECT_EQ(word_at(bytes, 12), h);
  EXPECT_EQ(word_at(bytes, 16), w);
  EXPECT_EQ(word_at(bytes, 20), w * 4);      // pitch
  EXPECT_EQ(word_at(bytes, 76), 32u);        // pixel format size
  EXPECT_EQ(word_at(bytes, 80), 0x41u);      // RGB with alpha
  EXPECT_EQ(word_at(bytes, 84), 0u);         // no four-character code
  EXPECT_EQ(word_at(bytes, 88), 32u);
  EXPECT_EQ(word_at(bytes, 92), 0x00FF0000u);
  EXPECT_EQ(word_at(bytes, 96), 0x0000FF00u);
  EXPECT_EQ(word_at(bytes, 100), 0x000000FFu);
  EXPECT_EQ(word_at(bytes, 104), 0xFF000000u);
  EXPECT_EQ(word_at(bytes, 108), 0x1000u);   // a texture

  // Coverage lies only inside the glyph boxes (with their margins), and every
  // visible character has some; rows run from the top.
  TiXmlDocument doc;
  ASSERT_TRUE(doc.LoadFile(data_file.c_str()));
  std::vector<std::uint8_t> in_box(w * h, 0);
  int glyphs = 0;
  for (const TiXmlElement* g = doc.FirstChildElement()->FirstChildElement("FontDetails")->FirstChildElement(); g;
       g = g->NextSiblingElement()) {
    int code = 0, u = 0, v = 0, right = 0, bottom = 0;
    g->QueryIntAttribute("code", &code);
    g->QueryIntAttribute("u", &u);
    g->QueryIntAttribute("v", &v);
    g->QueryIntAttribute("w", &right);
    g->QueryIntAttribute("h", &bottom);
    std::uint32_t covered = 0;
    for (int y = std::max(0, v - 4); y < std::min<int>(static_cast<int>(h), bottom + 6); ++y) {
      for (int x = std::max(0, u - 4); x < std::min<int>(static_cast<int>(w), right + 6); ++x) {
        const std::size_t i = static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x);
        in_box[i] = 1;
        covered += word_at(bytes, 128 + i * 4) >> 24;
      }
    }
    if (code > 32 && code != 160 && code != 173) {
      EXPECT_GT(covered, 0u) << code;
    }
    ++glyphs;
  }
  EXPECT_GE(glyphs, 190);
  for (std::size_t i = 0; i < in_box.size(); ++i) {
    if (in_box[i]) continue;
    ASSERT_EQ(word_at(bytes, 128 + i * 4), 0x00FFFFFFu) << "pixel " << i % w << ", " << i / w;
  }
}

}  // namespace
}  // namespace hm
