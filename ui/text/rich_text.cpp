#include "ui/text/rich_text.h"

#include <algorithm>
#include <cmath>

#include "engine/resource/mesh.h"
#include "engine/text/font_details.h"
#include "render/view/text_mesh.h"
#include "ui/manager/ui_manager.h"

namespace hm {
namespace {

// A link id is a plain decimal number; nine digits keep it inside an int32.
constexpr std::size_t max_id_digits = 9;

// The index just after the word that starts at `from`.
int word_end(const std::vector<std::int32_t>& codes, int from) {
  const int n = static_cast<int>(codes.size());
  for (int i = from; i < n; ++i) {
    const std::int32_t c = codes[static_cast<std::size_t>(i)];
    if (c == ' ' || c == '\t' || c == '\n') return i + 1;
  }
  return n;
}

bool take_prefix(std::string_view& s, std::string_view prefix) {
  if (s.substr(0, prefix.size()) != prefix) return false;
  s.remove_prefix(prefix.size());
  return true;
}

}  // namespace

bool parse_link_tag(std::string_view tag, std::int32_t& kind, std::int32_t& id) {
  if (take_prefix(tag, "trp="))
    kind = link_kind::troop;
  else if (take_prefix(tag, "fac="))
    kind = link_kind::faction;
  else if (take_prefix(tag, "p="))
    kind = link_kind::party;
  else if (take_prefix(tag, "qst="))
    kind = link_kind::quest;
  else
    return false;
  if (tag.empty() || tag.size() > max_id_digits) return false;
  std::int32_t value = 0;
  for (char c : tag) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  id = value;
  return true;
}

rich_text_layout layout_rich_text(const font_details& font, std::string_view text, const rich_text_style& style,
                                  mesh* out) {
  rich_text_layout result;
  const std::vector<std::int32_t> codes = decode_utf8(text);
  const int n = static_cast<int>(codes.size());
  float sx = font.size_u > 0.0f ? font.font_scale / font.size_u * style.glyph_size.x : 0.0f;
  float sy = font.size_v > 0.0f ? style.glyph_size.y / font.size_v * font.font_scale : 0.0f;
  const float available = style.box_right - style.box_left;
  auto line_measure = [&](int first, int last) {
    return measure_text_width(font, codes.data(), n, first, last) * sx * 1.001f;
  };
  if (!(style.flags & (text_flag_no_shrink | text_flag_no_shrink_2))) {
    const float width = line_measure(0, n);
    if (width > available && width > 0.0f && available > 0.0f) {
      const float k = available / width;
      sx *= k;
      sy *= k;
    }
  }

  const float line_step = font.font_scale * style.glyph_size.y * font.line_spacing * 0.9f;
  ui_vec2 pen = style.pen;
  if (style.flags & text_flag_start_at_rect) pen.x = style.box_left;
  const float start_y = pen.y;
  float largest_x = style.box_left;

  // The link state runs across lines: a link opened on one line goes on
  // drawing on the next.
  std::int32_t link_kind_now = link_kind::none;
  std::int32_t link_id_now = 0;
  std::int32_t link_number = -1;
  bool in_tag = false;
  std::string tag;

  int line_start = 0;
  while (line_start < n) {
    int end = word_end(codes, line_start);
    while (codes[static_cast<std::size_t>(end - 1)] != '\n' && end < n) {
      const int next = word_end(codes, end);
      if (line_measure(line_start, next) > available) break;
      end = next;
    }
    const float line_width = measure_text_width(font, codes.data(), n, line_start, end) * sx;
    if (style.flags & text_flag_align_left)
      pen.x = style.box_left;
    else if (style.flags & text_flag_center)
      pen.x = (style.box_left + style.box_right) * 0.5f - line_width * 0.5f;
    else if (style.flags & text_flag_align_right)
      pen.x = style.box_right - line_width;

    // The rectangle of the running link on this line, once it drew a glyph.
    int line_rect = -1;
    const float start = sx > 0.0f ? pen.x / sx : 0.0f;
    for (int i = line_start; i < end; ++i) {
      const std::int32_t c = codes[static_cast<std::size_t>(i)];
      if (in_tag) {
        if (c == '>') {
          in_tag = false;
          std::int32_t kind = 0;
          std::int32_t id = 0;
          line_rect = -1;
          if (parse_link_tag(tag, kind, id)) {
            link_kind_now = kind;
            link_id_now = id;
            ++link_number;
          } else {
            link_kind_now = link_kind::none;
          }
        } else if (c > 0 && c < 0x80) {
          tag.push_back(static_cast<char>(c));
        } else {
          tag.push_back('?');
        }
        continue;
      }
      if (c == '<') {
        in_tag = true;
        tag.clear();
        continue;
      }
      if (c == '\n') continue;
      if (c == '\t') {
        if (sx > 0.0f) pen.x = ((std::floor((pen.x / sx - start) * 4.0f) + 1.0f) * 0.25f + start) * sx;
        continue;
      }
      const float glyph_left = pen.x;
      const font_glyph& g = font.get_glyph(c);
      pen.x += sx * g.pre_shift;
      std::uint32_t colour = style.text_colour;
      if (link_kind_now != link_kind::none)
        colour = link_number == style.hovered_link ? style.hover_colour : style.link_colour;
      if (out) text_mesh::add_glyph(font, c, vec3(pen.x, pen.y, 0.0f), sx, sy, *out, colour);
      pen.x += sx * g.post_shift;
      // Blanks inside a link are drawn but do not stretch its rectangle, so a
      // link ending a line does not reach over the blank after it.
      if (link_kind_now == link_kind::none || c == ' ') continue;
      if (line_rect < 0) {
        link_rect r;
        r.lower = {glyph_left, pen.y - line_step * 0.3f};
        r.upper = {pen.x, pen.y + line_step * 0.7f};
        r.kind = link_kind_now;
        r.id = link_id_now;
        r.number = link_number;
        result.links.push_back(r);
        line_rect = static_cast<int>(result.links.size()) - 1;
      } else {
        result.links[static_cast<std::size_t>(line_rect)].upper.x = pen.x;
      }
    }
    largest_x = std::max(largest_x, pen.x);
    pen.y -= line_step;
    pen.x = style.box_left;
    line_start = end;
  }
  if (out) out->compute_normals();
  result.extent = {largest_x - style.box_left + 0.0001f, start_y - pen.y + 0.001f};
  return result;
}

// --- the widget ------------------------------------------------------------------------------

void rich_text_widget::rebuild_text_mesh(ui_vec2& out_extent) {
  mesh& m = text_mesh();
  m.clear_geometry();
  out_extent = {};
  links.clear();
  const font_details* f = font ? font : g_ui_manager.default_font;
  if (!f) return;
  rich_text_style style;
  style.pen = text_position;
  style.glyph_size = text_size;
  style.box_left = extent_min.x;
  style.box_right = size.x;
  style.flags = text_flags;
  style.hovered_link = hovered_link;
  rich_text_layout layout = layout_rich_text(*f, text.view(), style, &m);
  links = std::move(layout.links);
  out_extent = layout.extent;
}

int rich_text_widget::link_at(const ui_vec2& p) const {
  const float x = p.x - absolute_position.x;
  const float y = p.y - absolute_position.y;
  for (std::size_t i = 0; i < links.size(); ++i) {
    const link_rect& r = links[i];
    if (x > r.lower.x && x < r.upper.x && y > r.lower.y && y < r.upper.y) return static_cast<int>(i);
  }
  return -1;
}

bool rich_text_widget::handle_event(std::uint32_t bits) {
  const int under = link_at(g_ui_manager.mouse_position);
  if (bits & (ui_event::hover | ui_event::enter | ui_event::leave)) {
    std::int32_t hovered = -1;
    if (!(bits & ui_event::leave) && under >= 0) hovered = links[static_cast<std::size_t>(under)].number;
    if (hovered != hovered_link) {
      hovered_link = hovered;
      rebuild_text_mesh();
    }
  } else if ((bits & ui_event::release) && under >= 0) {
    clicked_rect = under;
    raise_event(ui_event::clicked);
  }
  raise_event(bits);
  apply_value_steps();
  return false;
}

bool rich_text_widget::get_clicked_link(std::int32_t& kind, std::int32_t& id, std::int32_t& index) const {
  if (clicked_rect < 0 || clicked_rect >= static_cast<int>(links.size())) return false;
  const link_rect& r = links[static_cast<std::size_t>(clicked_rect)];
  kind = r.kind;
  id = r.id;
  index = clicked_rect;
  return true;
}

}  // namespace hm
