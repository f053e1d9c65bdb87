#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "engine/text/texture_font.h"

namespace hm {
namespace {

// A rasteriser of fixed extents: every character is `char_width` wide and
// `cell` high at pixel height 16, scaled with the pixel height, plus a part
// that does not scale; it paints a solid box.
class box_face final : public platform::font_face {
 public:
  box_face(int px, int char_width, int cell, int extra_width, int extra_height) : px_(px) {
    width_ = char_width * px / 16 + extra_width;
    cell_ = std::max(1, cell * px / 16 + extra_height);
  }
  int pixel_height() const override { return px_; }
  int ascent() const override { return cell_; }
  int descent() const override { return 0; }
  platform::text_extent measure(std::string_view text) const override {
    return {width_ * static_cast<int>(text.size()), cell_};
  }
  platform::glyph_metrics glyph(char32_t) const override { return {true, width_, 0, cell_, width_, cell_}; }
  void draw(std::string_view text, int x, int y, std::uint32_t argb, const platform::bitmap_view& t) const override {
    for (int yy = y; yy < y + cell_; ++yy) {
      for (int xx = x; xx < x + width_ * static_cast<int>(text.size()); ++xx) {
        if (xx < 0 || yy < 0 || xx >= t.width || yy >= t.height) continue;
        *reinterpret_cast<std::uint32_t*>(t.pixels + yy * t.pitch + xx * 4) = argb;
      }
    }
  }
  void draw_glyph(char32_t, int, int, std::uint32_t, const platform::bitmap_view&) const override {}

 private:
  int px_;
  int width_;
  int cell_;
};

class box_library final : public platform::font_library {
 public:
  box_library(int char_width, int cell, int extra_width = 0, int extra_height = 0)
      : w_(char_width), cell_(cell), extra_w_(extra_width), extra_h_(extra_height) {}
  std::unique_ptr<platform::font_face> open_face(std::string_view name, int px, std::uint32_t style) const override {
    opened.push_back({std::string(name), px, style});
    if (px < 1) return nullptr;
    return std::make_unique<box_face>(px, w_, cell_, extra_w_, extra_h_);
  }
  struct request {
    std::string name;
    int px;
    std::uint32_t style;
  };
  mutable std::vector<request> opened;

 private:
  int w_, cell_, extra_w_, extra_h_;
};

class recording_device final : public texture_font_device {
 public:
  std::uint32_t max_width = 0;
  int width = 0, height = 0;
  std::vector<std::uint16_t> texels;
  std::vector<std::vector<font_vertex>> draws;
  std::vector<std::string> calls;

  std::uint32_t max_texture_width() const override { return max_width; }
  hresult create_glyph_texture(int w, int h, const std::vector<std::uint16_t>& t) override {
    width = w;
    height = h;
    texels = t;
    calls.push_back("create_texture");
    return frame_code::ok;
  }
  void release_glyph_texture() override { calls.push_back("release_texture"); }
  void release_draw_objects() override { calls.push_back("release_draw_objects"); }
  int viewport_width() const override { return 800; }
  int viewport_height() const override { return 600; }
  void begin_text(bool linear) override { calls.push_back(linear ? "begin linear" : "begin point"); }
  void draw_triangles(const font_vertex* v, int count) override {
    draws.emplace_back(v, v + count);
    calls.push_back("draw " + std::to_string(count));
  }
  void end_text() override { calls.push_back("end"); }
};

TEST(TextureFont, ConstructKeepsAtMost79CharactersOfTheName) {
  texture_font f;
  const std::string long_name(100, 'n');
  f.construct(long_name.c_str(), 12, texture_font_bold | texture_font_italic);
  EXPECT_EQ(std::string(f.font_name), std::string(79, 'n'));
  EXPECT_EQ(f.font_height, 12);
  EXPECT_EQ(f.device, nullptr);
  EXPECT_EQ(f.draw_text(0, 0, 0xFFFFFFFFu, "x", 0), frame_code::failed);  // no device

  box_library fonts(10, 20);
  recording_device device;
  ASSERT_EQ(f.init_device_objects(&device, fonts), frame_code::ok);
  ASSERT_FALSE(fonts.opened.empty());
  EXPECT_EQ(fonts.opened[0].name, std::string(79, 'n'));
  EXPECT_EQ(fonts.opened[0].style, platform::font_style_bold | platform::font_style_italic);
}

TEST(TextureFont, PixelHeightFromPointsAtTheHostResolution) {
  EXPECT_EQ(texture_font::pixel_height(12, 96, 1.0f), 16);
  EXPECT_EQ(texture_font::pixel_height(10, 96, 1.0f), 13);  // 13.33 rounds down
  EXPECT_EQ(texture_font::pixel_height(9, 96, 1.0f), 12);
  EXPECT_EQ(texture_font::pixel_height(12, 96, 0.5f), 8);
  EXPECT_EQ(texture_font::pixel_height(11, 96, 1.0f), 15);  // 14.67 rounds up
}

TEST(TextureFont, TextureDoublesUntilTheGlyphsFitAndRowsBreak) {
  // 10 x 20 characters, spacing ceil(20 x 0.3) = 6: a 128 row takes 5, 95
  // characters need 19 rows of 21: 256 x 256 (11 a row, 9 rows).
  box_library fonts(10, 20);
  recording_device device;
  texture_font f;
  f.construct("Arial", 12, 0);
  ASSERT_EQ(f.init_device_objects(&device, fonts), frame_code::ok);
  EXPECT_EQ(fonts.opened[0].px, 16);
  EXPECT_EQ(f.texture_width, 256);
  EXPECT_EQ(f.texture_height, 256);
  EXPECT_EQ(f.spacing, 6);
  EXPECT_FLOAT_EQ(f.text_scale, 1.0f);
  EXPECT_EQ(device.width, 256);
  ASSERT_EQ(device.texels.size(), 256u * 256u);

  // ' ' is the first glyph of the first row, starting one spacing in.
  const auto& space = f.glyph_coords[0];
  EXPECT_FLOAT_EQ(space[0], 0.0f);
  EXPECT_FLOAT_EQ(space[1], 0.0f);
  EXPECT_FLOAT_EQ(space[2], 22.0f / 256.0f);
  EXPECT_FLOAT_EQ(space[3], 20.0f / 256.0f);
  // The 12th character starts the second row.
  const auto& twelfth = f.glyph_coords[11];
  EXPECT_FLOAT_EQ(twelfth[0], 0.0f);
  EXPECT_FLOAT_EQ(twelfth[1], 21.0f / 256.0f);
  const auto& eleventh = f.glyph_coords[10];
  EXPECT_FLOAT_EQ(eleventh[0], (6.0f + 10 * 22.0f - 6.0f) / 256.0f);
  // Character 127 has no glyph.
  EXPECT_EQ(f.glyph_coords[95][2], 0.0f);

  // Painted pixels become opaque white texels, the rest transparent white.
  const int inside = (0 + 5) * 256 + (6 + 3);  // row 5 of the space's box
  EXPECT_EQ(device.texels[static_cast<std::size_t>(inside)], 0xFFFFu);
  EXPECT_EQ(device.texels[static_cast<std::size_t>(255 * 256 + 255)], 0x0FFFu);
  EXPECT_EQ(glyph_texel(0xFF808080u), 0x8FFFu);
  EXPECT_EQ(glyph_texel(0xFF0F0F0Fu), 0x0FFFu);
}

TEST(TextureFont, ShrinksTheFontToTheDevicesLargestTexture) {
  // 13 x 22 characters at 16 pixels need 256 x 256. Part of each extent does not
  // scale, so at half the scale (8 pixels: 8 x 12, spacing 4) the rows still
  // overflow 128; one step of 0.9 (7 pixels: 7 x 10, spacing 3) fits.
  box_library fonts(10, 20, 3, 2);
  recording_device device;
  device.max_width = 128;
  texture_font f;
  f.construct("Arial", 12, 0);
  ASSERT_EQ(f.init_device_objects(&device, fonts), frame_code::ok);
  EXPECT_EQ(f.texture_width, 128);
  EXPECT_EQ(f.texture_height, 128);
  EXPECT_FLOAT_EQ(f.text_scale, 0.45f);
  EXPECT_EQ(fonts.opened.back().px, 7);
  EXPECT_EQ(f.spacing, 3);
  // Every glyph lies inside the texture.
  for (const auto& g : f.glyph_coords) {
    for (float v : g) EXPECT_LE(v, 1.0f);
  }

  // A font that cannot be opened fails the device hook.
  box_library none(10, 20);
  texture_font g;
  g.construct("Arial", 0, 0);
  EXPECT_EQ(g.init_device_objects(&device, none), frame_code::failed);
}

class drawing : public ::testing::Test {
 protected:
  void SetUp() override {
    font_.construct("Arial", 12, 0);
    ASSERT_EQ(font_.init_device_objects(&device_, fonts_), frame_code::ok);
    device_.calls.clear();
  }
  box_library fonts_{10, 20};
  recording_device device_;
  texture_font font_;
};

TEST_F(drawing, QuadsLineFeedsAndSkippedCharacters) {
  ASSERT_EQ(font_.draw_text(100, 50, 0xFF00FF00u, "A\nB \x01", 8), frame_code::ok);
  EXPECT_EQ(device_.calls, (std::vector<std::string>{"begin linear", "draw 12", "end"}));
  const auto& v = device_.draws[0];
  // A: its box (22 x 20 pixels) from one spacing before x, offset by half a pixel.
  EXPECT_FLOAT_EQ(v[1].x, 100 - 6 - 0.5f);
  EXPECT_FLOAT_EQ(v[1].y, 50 - 0.5f);
  EXPECT_FLOAT_EQ(v[2].x, 100 - 6 + 22 - 0.5f);
  EXPECT_FLOAT_EQ(v[2].y, 50 + 20 - 0.5f);
  EXPECT_FLOAT_EQ(v[0].z, 0.9f);
  EXPECT_FLOAT_EQ(v[0].rhw, 1.0f);
  EXPECT_EQ(v[0].colour, 0xFF00FF00u);
  const auto& a = font_.glyph_coords['A' - 32];
  EXPECT_FLOAT_EQ(v[1].u, a[0]);
  EXPECT_FLOAT_EQ(v[1].v, a[1]);
  EXPECT_FLOAT_EQ(v[2].u, a[2]);
  EXPECT_FLOAT_EQ(v[2].v, a[3]);
  // B: back at the start, one space-glyph height lower.
  EXPECT_FLOAT_EQ(v[7].x, 100 - 6 - 0.5f);
  EXPECT_FLOAT_EQ(v[7].y, 50 + 20 - 0.5f);

  // Consecutive glyphs advance by the box less both spacings (the glyph width).
  device_.draws.clear();
  font_.draw_text(0, 0, 0xFFFFFFFFu, "AB", 0);
  EXPECT_FLOAT_EQ(device_.draws[0][7].x - device_.draws[0][1].x, 10.0f);
}

TEST_F(drawing, CentringAndBatchesOf300Vertices) {
  // "AB" is 20 pixels wide: x = (800 - 20) / 2; y = (600 - 20) / 2.
  font_.draw_text(0, 0, 0xFFFFFFFFu, "AB\nlonger line", draw_text_center_x | draw_text_center_y);
  EXPECT_EQ(device_.calls.front(), "begin point");
  EXPECT_FLOAT_EQ(device_.draws[0][1].x, 390 - 6 - 0.5f);
  EXPECT_FLOAT_EQ(device_.draws[0][1].y, 290 - 0.5f);

  device_.calls.clear();
  device_.draws.clear();
  font_.draw_text(0, 0, 0xFFFFFFFFu, std::string(60, 'x').c_str(), 0);
  EXPECT_EQ(device_.calls, (std::vector<std::string>{"begin point", "draw 300", "draw 60", "end"}));

  device_.calls.clear();
  font_.destroy();
  EXPECT_EQ(device_.calls, (std::vector<std::string>{"release_draw_objects", "release_texture"}));
  EXPECT_EQ(font_.draw_text(0, 0, 0, "x", 0), frame_code::failed);
}

}  // namespace
}  // namespace hm
