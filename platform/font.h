#pragma once
// Text drawn by the host into bitmaps: the faces the engine's texture font and
// the font tool ask for by name and size, the extents of a text, and glyphs
// painted into 8-bit or 32-bit pixels.
//
// The engine names fonts as its data does ("Arial", "Courier New"). This layer
// maps those names onto font files that exist on this system: proportional
// faces onto one sans-serif family, fixed-pitch faces onto its monospaced
// sibling, bold and italic onto the family's variants. When a variant's file is
// missing the regular file is used and the style is synthesised; when a
// family's files are missing the other family stands in.
//
// Texts handed to measure() and draw() are 8-bit: each byte is one character
// with the code point of its value (Latin-1), as the engine's debug texts are
// plain ASCII. The glyph functions take any code point.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace hm::platform {

// Style bits of open_font and font_file_for.
inline constexpr std::uint32_t font_style_bold = 1;
inline constexpr std::uint32_t font_style_italic = 2;

struct text_extent {
  int width = 0;   // the summed advances, pixels
  int height = 0;  // the face's cell height (ascent + descent), pixels
};

// One glyph's metrics in pixels. The box is placed from the pen on the
// baseline: its left edge at pen x + left, its top row `top` pixels above the
// baseline.
struct glyph_metrics {
  bool present = false;  // the face has a glyph for the code (else the missing-glyph box)
  int advance = 0;
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// Pixels to paint into: `height` rows from the top, `pitch` bytes apart. One
// byte a pixel holds coverage (0 to 255); four bytes a pixel hold a 32-bit
// 0xAARRGGBB word in host byte order.
struct bitmap_view {
  std::uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int pitch = 0;
  int bytes_per_pixel = 1;
};

class font_face {
 public:
  virtual ~font_face() = default;

  // The size the face was opened with: its em height in pixels.
  virtual int pixel_height() const = 0;
  // Pixels from the baseline up to the top of the cell, and down to its bottom.
  virtual int ascent() const = 0;
  virtual int descent() const = 0;
  // Width and cell height of an 8-bit text.
  virtual text_extent measure(std::string_view text) const = 0;
  virtual glyph_metrics glyph(char32_t code) const = 0;

  // Paints an 8-bit text with the top of its cell at (x, y). In an 8-bit
  // target each pixel keeps the larger of its coverage and the glyph's; in a
  // 32-bit target the colour is blended over the pixel by the coverage (alpha
  // included). Pixels outside the bitmap are skipped.
  virtual void draw(std::string_view text, int x, int y, std::uint32_t argb, const bitmap_view& target) const = 0;
  // Paints one glyph with the pen at (pen_x, baseline_y), in the same way.
  virtual void draw_glyph(char32_t code, int pen_x, int baseline_y, std::uint32_t argb,
                          const bitmap_view& target) const = 0;
};

// Opens faces by the engine's font names. The texture font takes one of these,
// so tests can hand it a rasteriser of fixed extents.
class font_library {
 public:
  virtual ~font_library() = default;
  // A face of the named font at an em height in pixels, bold and italic from
  // the style bits. Null when no font file can be opened or the height is
  // below 1.
  virtual std::unique_ptr<font_face> open_face(std::string_view name, int pixel_height,
                                               std::uint32_t style) const = 0;
};

// The host's font library (FreeType over the system's font files).
const font_library& system_font_library();

// The folders searched for font files, in order.
std::vector<std::filesystem::path> default_font_folders();

// The font file chosen for an engine font name and style, searched in the
// folders in order. synthesise_bold / synthesise_italic are set when the file
// found lacks a requested style. Empty when no candidate exists.
struct font_file_choice {
  std::filesystem::path file;
  bool synthesise_bold = false;
  bool synthesise_italic = false;
};
font_file_choice font_file_for(std::string_view name, std::uint32_t style,
                               const std::vector<std::filesystem::path>& folders);

// True for the names of fixed-pitch fonts ("Courier New", "Lucida Console",
// any name containing "mono" ...), compared without regard to letter case.
bool is_fixed_pitch_font_name(std::string_view name);

// Opens a face from a font file directly (the font tool uses this). Null on failure.
std::unique_ptr<font_face> open_font_file(const std::filesystem::path& file, int pixel_height,
                                          bool synthesise_bold = false, bool synthesise_italic = false);

}  // namespace hm::platform
