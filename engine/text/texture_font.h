#pragma once
// A screen-space font for the frame-rate and debug texts: a host font is drawn
// once per device into a glyph texture (the printable ASCII characters 32 to
// 126 in rows), and text is drawn as one textured quad per character in
// pre-transformed screen coordinates.
//
// The layout (the font's pixel height, the texture size that holds every glyph,
// the glyph coordinates, the texels) and the vertices of a text are computed
// here; the device work goes through texture_font_device, which the graphics
// backend implements.
#include <array>
#include <cstdint>
#include <vector>

#include "engine/app/application_frame.h"
#include "platform/font.h"

namespace hm {

// Style bits of texture_font::construct.
inline constexpr std::uint32_t texture_font_bold = 1;
inline constexpr std::uint32_t texture_font_italic = 2;
// Flags of texture_font::draw_text.
inline constexpr std::uint32_t draw_text_center_x = 1;
inline constexpr std::uint32_t draw_text_center_y = 2;
inline constexpr std::uint32_t draw_text_filtered = 8;

// The glyph layout did not fit the texture size tried.
inline constexpr hresult texture_font_more_data = static_cast<hresult>(0x88760866);

// One pre-transformed vertex: screen position, z, 1/w, colour (0xAARRGGBB) and
// texture coordinates. 28 bytes, as the device's vertex format expects.
struct font_vertex {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float rhw = 0.0f;
  std::uint32_t colour = 0;
  float u = 0.0f;
  float v = 0.0f;
};
static_assert(sizeof(font_vertex) == 28);

// What the texture font needs of the graphics device.
class texture_font_device {
 public:
  virtual ~texture_font_device() = default;
  // The largest texture width the device accepts; 0 when it sets no limit.
  virtual std::uint32_t max_texture_width() const = 0;
  // Creates the glyph texture (A4R4G4B4 texels, rows from the top).
  virtual hresult create_glyph_texture(int width, int height, const std::vector<std::uint16_t>& texels) = 0;
  virtual void release_glyph_texture() = 0;
  // Makes the objects a device reset takes away (the vertex buffer); they are
  // also made on demand by the first draw after a reset.
  virtual hresult restore_draw_objects() { return 0; }
  // The vertex buffer and the saved and drawing state blocks.
  virtual void release_draw_objects() = 0;
  virtual int viewport_width() const = 0;
  virtual int viewport_height() const = 0;
  // Saves the device state and sets the text drawing state: the vertex format
  // above, no pixel shader, the glyph texture, alpha blending, linear or point
  // filtering.
  virtual void begin_text(bool linear_filtering) = 0;
  // Draws a triangle list.
  virtual void draw_triangles(const font_vertex* vertices, int count) = 0;
  // Puts the saved state back.
  virtual void end_text() = 0;
};

class texture_font {
 public:
  static constexpr int first_char = 32;
  static constexpr int char_count = 96;  // 32 to 127
  // Vertices drawn at once: the buffer is drawn when it holds more than this.
  static constexpr int flush_vertices = 294;
  // The host's text resolution, in pixels per inch.
  static constexpr int logical_dpi = 96;

  texture_font() = default;
  // Keeps at most 79 characters of the name; clears the device objects.
  void construct(const char* name, int height_points, std::uint32_t style);

  // Builds the glyph texture on the device. The font library gives the faces
  // (the host's by default).
  hresult init_device_objects(texture_font_device* device,
                              const platform::font_library& fonts = platform::system_font_library());
  // The vertex buffer, after every device creation and reset.
  hresult restore_device_objects();
  // The vertex buffer and the state blocks.
  hresult invalidate_device_objects();
  // The glyph texture.
  hresult delete_device_objects();
  void destroy();

  // Draws a text at (x, y) in pixels; a line feed starts a new line. Fails
  // without a device.
  hresult draw_text(float x, float y, std::uint32_t colour, const char* text, std::uint32_t flags);

  // The pixel step from one line of a text to the next (the space glyph's height).
  float line_height() const;

  // --- the layout, without a device --------------------------------------------------------
  // The font's pixel height at a text scale: points x trunc(dpi x scale) / 72, rounded.
  static int pixel_height(int points, int dpi, float scale);
  // Lays the characters 32 to 126 out in a texture of this size, measuring only
  // or also painting into the 32-bit bitmap (which must be width x height).
  // Sets spacing and, when painting, the glyph coordinates. texture_font_more_data
  // when the rows do not fit.
  hresult paint_alphabet(const platform::font_face& face, bool paint, std::vector<std::uint32_t>* bitmap);
  // Chooses the texture size and text scale, paints the glyphs and converts
  // them into texels (alpha from the top four bits of the intensity, colour
  // white). max_width 0 sets no limit.
  hresult build_glyph_texture(const platform::font_library& fonts, std::uint32_t max_width,
                              std::vector<std::uint16_t>& texels);
  // The vertices a text draws, in the batches the buffer would draw them.
  std::vector<std::vector<font_vertex>> text_vertices(float x, float y, std::uint32_t colour, const char* text,
                                                      std::uint32_t flags, int viewport_width,
                                                      int viewport_height) const;

  char font_name[80] = {};
  std::int32_t font_height = 0;  // points
  std::uint32_t flags = 0;
  texture_font_device* device = nullptr;
  bool has_texture = false;
  std::int32_t texture_width = 0;
  std::int32_t texture_height = 0;
  float text_scale = 1.0f;
  // Left u, top v, right u, bottom v of the characters 32 to 127.
  std::array<std::array<float, 4>, char_count> glyph_coords{};
  std::int32_t spacing = 0;
};

// The glyph texel of a painted pixel: the top four bits of its intensity (its
// low byte) as alpha, colour white.
inline std::uint16_t glyph_texel(std::uint32_t pixel) {
  return static_cast<std::uint16_t>((((pixel & 0xFFu) >> 4) << 12) | 0x0FFFu);
}

}  // namespace hm
