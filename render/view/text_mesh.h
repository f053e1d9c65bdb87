#pragma once
// Text laid out into a mesh with the game's bitmap font: a UTF-8 text becomes
// one textured quad per character, in lines that wrap at word ends inside a
// rectangle, aligned left, right or centred, and shrunk to fit its width.
//
// Units: the glyph size (sx, sy) is the size of the font's nominal character
// (font size pixels of the font texture) in the mesh's units; y grows upwards,
// and lines go down from the start position.
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/core/math.h"

namespace hm {

class font_details;
class mesh;

// Layout flags of build_text_mesh.
inline constexpr std::uint32_t text_flag_no_shrink_2 = 0x2;       // never shrink to fit
inline constexpr std::uint32_t text_flag_align_left = 0x4;        // lines start at the rectangle's left
inline constexpr std::uint32_t text_flag_align_right = 0x8;       // lines end at the rectangle's right
inline constexpr std::uint32_t text_flag_center = 0x10;           // lines centred in the rectangle
inline constexpr std::uint32_t text_flag_no_shrink = 0x100;       // never shrink to fit
inline constexpr std::uint32_t text_flag_left_unless_fixed = 0x200;  // left, unless 0x100 is set too
inline constexpr std::uint32_t text_flag_start_at_rect = 0x400;   // the first line starts at the rectangle's left
inline constexpr std::uint32_t text_flag_wide_lines = 0x800;      // 1.2 times the line step

// The most code points one call lays out; the rest of a longer text is dropped.
inline constexpr int text_mesh_max_codes = 8192;

// UTF-8 to code points. A byte that does not begin a valid sequence (a stray
// continuation byte, an overlong or cut sequence, a surrogate, a value above
// U+10FFFF) stands for itself as a Latin-1 character, so texts saved in a
// single-byte encoding still show. At most max_codes are produced.
std::vector<std::int32_t> decode_utf8(std::string_view text, int max_codes = text_mesh_max_codes);

namespace text_mesh {
// One glyph's quad with the pen at `pen`: x from pen.x to pen.x + (u1 - u0) x sx,
// its top at pen.y + y_adjust x sy and its height (v1 - v0) x sy, textured with
// the glyph's rectangle. Codes from 512 up come from the font's map, and a code
// the map lacks shows the default glyph.
void add_glyph(const font_details& font, std::int32_t code, const vec3& pen, float sx, float sy, mesh& m,
               std::uint32_t colour);
}  // namespace text_mesh

// Lays the text out into the mesh (appending to what it holds) and computes the
// mesh's normals. `position` is where the first line starts, `glyph_size` the
// nominal character size (x, y), `rect_min` and `rect_max` the rectangle (only
// their x is used) that lines wrap, align and shrink in. out_size receives the
// width from the rectangle's left to the farthest pen position (+0.0001) and
// the height from the start to the final pen position (+0.001).
void build_text_mesh(const font_details& font, vec3& out_size, std::string_view text, const vec3& position,
                     std::uint32_t colour, const vec3& glyph_size, mesh& m, const vec3& rect_min,
                     const vec3& rect_max, std::uint32_t flags);
// The same after emptying the mesh.
void build_text_mesh_fresh(const font_details& font, vec3& out_size, std::string_view text, const vec3& position,
                           std::uint32_t colour, const vec3& glyph_size, mesh& m, const vec3& rect_min,
                           const vec3& rect_max, std::uint32_t flags);

}  // namespace hm
