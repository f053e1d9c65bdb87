// The font layer over FreeType and the system's font files.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <system_error>

#include "platform/font.h"

namespace hm::platform {
namespace {

// The two families the engine's fonts map onto, each with its four variants
// (regular, bold, italic, bold italic) by the style bits.
struct font_family_files {
  const char* variants[4];
};
constexpr font_family_files proportional_family{
    {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSans-Oblique.ttf", "DejaVuSans-BoldOblique.ttf"}};
constexpr font_family_files fixed_family{{"DejaVuSansMono.ttf", "DejaVuSansMono-Bold.ttf",
                                          "DejaVuSansMono-Oblique.ttf", "DejaVuSansMono-BoldOblique.ttf"}};

std::string lower_ascii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool is_file(const std::filesystem::path& p) {
  std::error_code ec;
  return std::filesystem::is_regular_file(p, ec);
}

// 26.6 fixed point to whole pixels.
int ceil_26_6(FT_Pos v) { return static_cast<int>((v + 63) >> 6); }
int round_26_6(FT_Pos v) { return static_cast<int>((v + 32) >> 6); }

void plot(const bitmap_view& target, int x, int y, std::uint8_t coverage, std::uint32_t argb) {
  if (coverage == 0 || x < 0 || y < 0 || x >= target.width || y >= target.height) return;
  std::uint8_t* row = target.pixels + static_cast<std::ptrdiff_t>(y) * target.pitch;
  if (target.bytes_per_pixel == 1) {
    row[x] = std::max(row[x], coverage);
    return;
  }
  auto* word = reinterpret_cast<std::uint32_t*>(row + static_cast<std::ptrdiff_t>(x) * 4);
  const std::uint32_t dst = *word;
  std::uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const std::uint32_t s = (argb >> shift) & 0xFFu;
    const std::uint32_t d = (dst >> shift) & 0xFFu;
    const std::uint32_t c = (s * coverage + d * (255u - coverage) + 127u) / 255u;
    out |= c << shift;
  }
  *word = out;
}

class freetype_face final : public font_face {
 public:
  ~freetype_face() override {
    if (face_) FT_Done_Face(face_);
    if (library_) FT_Done_FreeType(library_);
  }

  bool open(const std::filesystem::path& file, int pixel_height, bool bold, bool italic) {
    if (pixel_height < 1) return false;
    if (FT_Init_FreeType(&library_) != 0) {
      library_ = nullptr;
      return false;
    }
    if (FT_New_Face(library_, file.c_str(), 0, &face_) != 0) {
      face_ = nullptr;
      return false;
    }
    if (FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(pixel_height)) != 0) return false;
    pixel_height_ = pixel_height;
    bold_ = bold;
    italic_ = italic;
    ascent_ = ceil_26_6(face_->size->metrics.ascender);
    descent_ = ceil_26_6(-face_->size->metrics.descender);
    return true;
  }

  int pixel_height() const override { return pixel_height_; }
  int ascent() const override { return ascent_; }
  int descent() const override { return descent_; }

  text_extent measure(std::string_view text) const override {
    text_extent e;
    e.height = ascent_ + descent_;
    for (char c : text) e.width += glyph(static_cast<unsigned char>(c)).advance;
    return e;
  }

  glyph_metrics glyph(char32_t code) const override {
    glyph_metrics m;
    if (!load(code)) return m;
    const FT_GlyphSlot slot = face_->glyph;
    m.present = FT_Get_Char_Index(face_, code) != 0;
    m.advance = round_26_6(slot->advance.x);
    m.left = slot->bitmap_left;
    m.top = slot->bitmap_top;
    m.width = static_cast<int>(slot->bitmap.width);
    m.height = static_cast<int>(slot->bitmap.rows);
    return m;
  }

  void draw(std::string_view text, int x, int y, std::uint32_t argb, const bitmap_view& target) const override {
    int pen = x;
    for (char c : text) {
      const char32_t code = static_cast<unsigned char>(c);
      draw_glyph(code, pen, y + ascent_, argb, target);
      pen += glyph(code).advance;
    }
  }

  void draw_glyph(char32_t code, int pen_x, int baseline_y, std::uint32_t argb,
                  const bitmap_view& target) const override {
    if (!target.pixels || !load(code)) return;
    const FT_GlyphSlot slot = face_->glyph;
    const FT_Bitmap& bm = slot->bitmap;
    const int left = pen_x + slot->bitmap_left;
    const int top = baseline_y - slot->bitmap_top;
    for (unsigned row = 0; row < bm.rows; ++row) {
      const unsigned char* src = bm.buffer + static_cast<std::ptrdiff_t>(row) * bm.pitch;
      for (unsigned col = 0; col < bm.width; ++col) {
        plot(target, left + static_cast<int>(col), top + static_cast<int>(row), src[col], argb);
      }
    }
  }

 private:
  // Loads and renders the glyph of a code into the face's slot (8-bit coverage).
  bool load(char32_t code) const {
    const FT_UInt index = FT_Get_Char_Index(face_, code);
    if (FT_Load_Glyph(face_, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) return false;
    if (face_->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
      if (italic_) FT_GlyphSlot_Oblique(face_->glyph);
      if (bold_) FT_GlyphSlot_Embolden(face_->glyph);
    }
    if (FT_Render_Glyph(face_->glyph, FT_RENDER_MODE_NORMAL) != 0) return false;
    return face_->glyph->bitmap.pixel_mode == FT_PIXEL_MODE_GRAY || face_->glyph->bitmap.rows == 0;
  }

  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
  int pixel_height_ = 0;
  int ascent_ = 0;
  int descent_ = 0;
  bool bold_ = false;
  bool italic_ = false;
};

class freetype_library final : public font_library {
 public:
  std::unique_ptr<font_face> open_face(std::string_view name, int pixel_height, std::uint32_t style) const override {
    const font_file_choice choice = font_file_for(name, style, default_font_folders());
    if (choice.file.empty()) return nullptr;
    return open_font_file(choice.file, pixel_height, choice.synthesise_bold, choice.synthesise_italic);
  }
};

}  // namespace

bool is_fixed_pitch_font_name(std::string_view name) {
  const std::string n = lower_ascii(name);
  static constexpr std::array<const char*, 7> fixed = {"courier new", "courier", "lucida console", "consolas",
                                                       "fixedsys",    "terminal", "system fixed"};
  for (const char* f : fixed) {
    if (n == f) return true;
  }
  return n.find("mono") != std::string::npos;
}

std::vector<std::filesystem::path> default_font_folders() {
  return {"/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/TTF", "/usr/share/fonts/dejavu"};
}

font_file_choice font_file_for(std::string_view name, std::uint32_t style,
                               const std::vector<std::filesystem::path>& folders) {
  const unsigned variant = style & (font_style_bold | font_style_italic);
  const font_family_files& own = is_fixed_pitch_font_name(name) ? fixed_family : proportional_family;
  const font_family_files& other = &own == &fixed_family ? proportional_family : fixed_family;

  // The family's own variant first, then its regular face with the style
  // synthesised, then the same in the other family.
  for (const font_family_files* family : {&own, &other}) {
    for (const auto& folder : folders) {
      const std::filesystem::path p = folder / family->variants[variant];
      if (is_file(p)) return {p, false, false};
    }
    for (const auto& folder : folders) {
      const std::filesystem::path p = folder / family->variants[0];
      if (is_file(p)) {
        return {p, (variant & font_style_bold) != 0, (variant & font_style_italic) != 0};
      }
    }
  }
  return {};
}

std::unique_ptr<font_face> open_font_file(const std::filesystem::path& file, int pixel_height, bool synthesise_bold,
                                          bool synthesise_italic) {
  auto face = std::make_unique<freetype_face>();
  if (!face->open(file, pixel_height, synthesise_bold, synthesise_italic)) return nullptr;
  return face;
}

const font_library& system_font_library() {
  static const freetype_library library;
  return library;
}

}  // namespace hm::platform
