#include "engine/text/font_details.h"

#include <tinyxml.h>

#include <cmath>
#include <optional>
#include <string>

#include "engine/core/log.h"
#include "engine/core/ruv_string.h"
#include "engine/core/xml_depth.h"
#include "platform/fs.h"

namespace hm {
namespace {

void warn(const std::string& text) { log_line("WARNING: " + text + "\n"); }

// An optional integer attribute. A value that is not a number is reported and
// ignored.
bool read_int(const TiXmlElement& element, const char* name, int& out) {
  int value = 0;
  const int r = element.QueryIntAttribute(name, &value);
  if (r == TIXML_SUCCESS) {
    out = value;
    return true;
  }
  if (r == TIXML_WRONG_TYPE) {
    warn(std::string("font data: attribute \"") + name + "\" is not a number: " + element.Attribute(name));
  }
  return false;
}

// The size attributes divide the glyph values, so they must be positive.
void read_positive(const TiXmlElement& element, const char* name, std::int32_t& field) {
  int value = 0;
  if (!read_int(element, name, value)) return;
  if (value <= 0) {
    warn(std::string("font data: \"") + name + "\" must be positive, got " + std::to_string(value) +
         "; keeping " + std::to_string(field));
    return;
  }
  field = value;
}

}  // namespace

void font_details::construct() {
  texture_width = 512;
  texture_height = 512;
  padding = 0;
  font_size = 75;
  font_scale = 1.0f;
  line_spacing = 1.0f;
  default_glyph = font_glyph{};
  glyph_map.clear();
  glyphs.fill(font_glyph{});
  compute_derived();
}

void font_details::compute_derived() {
  size_u = static_cast<float>(font_size) / static_cast<float>(texture_width);
  size_v = static_cast<float>(font_size) / static_cast<float>(texture_height);
}

const font_glyph& font_details::get_glyph(std::int32_t code) const {
  if (code >= 0 && code < glyph_table_size) return glyphs[static_cast<std::size_t>(code)];
  if (code >= glyph_table_size) {
    const auto it = glyph_map.find(code);
    if (it != glyph_map.end()) return it->second;
  }
  return default_glyph;
}

void read_font_details(font_details& font, const char* path) {
  const std::string host_path = platform::resolve_path(path ? path : "").string();
  const std::optional<std::string> text = platform::read_whole_file(path ? path : "", true);
  // The message names the file: an empty or wrong data folder shows here first.
  const auto fail = [path] { ruv_error("Unable To Load Font File! %s", path ? path : ""); };
  // Text the parser cannot walk safely (nesting deeper than any font file,
  // broken UTF-8) is refused before it sees it.
  if (!text || !xml_text_can_be_parsed(*text)) fail();
  TiXmlDocument document;
  document.Parse(text->c_str());
  if (document.Error()) fail();
  const TiXmlElement* root = document.FirstChildElement();
  if (!root) fail();

  read_int(*root, "padding", font.padding);
  read_positive(*root, "width", font.texture_width);
  read_positive(*root, "height", font.texture_height);
  int percent = 0;
  if (read_int(*root, "font_scale", percent)) font.font_scale = static_cast<float>(percent) * 0.01f;
  if (read_int(*root, "line_spacing", percent)) font.line_spacing = static_cast<float>(percent) * 0.01f;
  read_positive(*root, "font_size", font.font_size);
  font.compute_derived();

  const TiXmlElement* details = root->FirstChildElement("FontDetails");
  if (!details) return;
  const float width = static_cast<float>(font.texture_width);
  const float height = static_cast<float>(font.texture_height);
  const float padding = static_cast<float>(font.padding);

  for (const TiXmlElement* e = details->FirstChildElement(); e; e = e->NextSiblingElement()) {
    int code = 0;
    if (!e->Attribute("code")) continue;
    if (!read_int(*e, "code", code)) continue;
    if (code < 0) {
      // A negative code would index before the glyph table.
      warn("font data: negative glyph code " + std::to_string(code) + " ignored");
      continue;
    }
    font_glyph g;
    int v = 0;
    if (read_int(*e, "u", v)) g.u0 = (static_cast<float>(v) - 4.0f) / width;
    if (read_int(*e, "v", v)) g.v1 = (height - static_cast<float>(v) + 4.0f) / height;
    if (read_int(*e, "w", v)) g.u1 = (static_cast<float>(v) - padding + 6.0f) / width;
    if (read_int(*e, "h", v)) g.v0 = (height - static_cast<float>(v) + padding - 6.0f) / height;
    if (read_int(*e, "preshift", v)) g.pre_shift = (static_cast<float>(v) - 4.0f) / width;
    if (read_int(*e, "yadjust", v)) g.y_adjust = (static_cast<float>(v) + 4.0f) / height;
    if (read_int(*e, "postshift", v)) g.post_shift = (static_cast<float>(v) + 4.0f) / width;
    if (code < font_details::glyph_table_size) {
      font.glyphs[static_cast<std::size_t>(code)] = g;
    } else {
      font.glyph_map[code] = g;
    }
  }
}

void read_font_details(font_details& font, const ruv_string& path) { read_font_details(font, path.c_str()); }

float measure_text_width(const font_details& font, const std::int32_t* codes, int length, int first, int last) {
  float width = 0.0f;
  if (!codes || first >= last) return width;
  const int end = last < length ? last : length;
  bool in_markup = false;
  for (int i = first < 0 ? 0 : first; i < end; ++i) {
    const std::int32_t c = codes[i];
    if (in_markup) {
      if (c == '>') in_markup = false;
      continue;
    }
    if (c == '<') {
      in_markup = true;
    } else if (c == '\t') {
      width = std::trunc(width * 4.0f) * 0.25f + 0.4f;
    } else {
      width += font.glyph_advance(c);
    }
  }
  return width;
}

}  // namespace hm
