#pragma once
// Text with links: "<trp=N>", "<fac=N>", "<p=N>" or "<qst=N>" opens a link to
// troop, faction, party or quest N, and the next tag of any content closes it.
// Tags are not drawn. The text wraps word by word in its box; each link gets
// one rectangle per line it runs over, so the pointer can be matched to the
// link under it and a hovered link drawn in its own colour.
#include <cstdint>
#include <string_view>
#include <vector>

#include "ui/widget/widget.h"

namespace hm {

class font_details;
class mesh;

// The link kinds, as the note window numbers its pages.
namespace link_kind {
inline constexpr std::int32_t none = 0;
inline constexpr std::int32_t troop = 1;
inline constexpr std::int32_t faction = 2;
inline constexpr std::int32_t party = 3;
inline constexpr std::int32_t quest = 4;
}  // namespace link_kind

// One line's part of a link, in the text's own coordinates.
struct link_rect {
  ui_vec2 lower;
  ui_vec2 upper;
  std::int32_t kind = link_kind::none;
  std::int32_t id = 0;
  // Counts the links of the text from 0; the rectangles of one link share it.
  std::int32_t number = 0;
};

struct rich_text_style {
  ui_vec2 pen;  // where the first line starts
  ui_vec2 glyph_size{0.02f, 0.02f};
  float box_left = 0.0f;
  float box_right = 1.0f;
  std::uint32_t flags = 0;
  // The link drawn in the hover colour (-1: none).
  std::int32_t hovered_link = -1;
  std::uint32_t text_colour = 0xFF000000u;
  std::uint32_t link_colour = 0xFF0000FFu;
  std::uint32_t hover_colour = 0xFFFF0000u;
};

struct rich_text_layout {
  std::vector<link_rect> links;
  // From the box's left to the widest line (+0.0001), and the lines' height.
  ui_vec2 extent;
};

// Reads a tag's content (between '<' and '>'): true with the kind and id for
// a link opening tag; any other tag closes a link.
bool parse_link_tag(std::string_view tag, std::int32_t& kind, std::int32_t& id);

// Lays the text out; the glyphs go into out when it is given.
rich_text_layout layout_rich_text(const font_details& font, std::string_view text, const rich_text_style& style,
                                  mesh* out);

// A text widget whose links can be hovered and clicked: a release over a link
// raises "clicked" and remembers that link.
class rich_text_widget : public widget {
 public:
  int get_type() const override { return widget_type::text_widget; }
  bool handle_event(std::uint32_t bits) override;
  void rebuild_text_mesh(ui_vec2& out_extent) override;
  using widget::rebuild_text_mesh;

  // The link of the last click; false when none was clicked.
  bool get_clicked_link(std::int32_t& kind, std::int32_t& id, std::int32_t& index) const;
  // The rectangle index under a UI point, -1 for none.
  int link_at(const ui_vec2& p) const;

  std::vector<link_rect> links;
  std::int32_t hovered_link = -1;
  std::int32_t clicked_rect = -1;

 protected:
  int text_slot() const override { return slot_background; }
};

}  // namespace hm
