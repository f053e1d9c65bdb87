#include "mission/text/group_names.h"

#include "engine/core/text_format.h"
#include "mission/records/team.h"
#include "module/text/translation_table.h"

namespace hm {

namespace {

std::string translated(const char* key) { return g_translation_table.get_string_by_id(key).c_str(); }

}  // namespace

void make_troop_class_list_text(int group, std::string& out) {
  switch (group) {
    case team_group_foot:
      out = translated("ui_infantry");
      break;
    case team_group_middle:
      out = translated("ui_archers");
      break;
    case team_group_riders:
      out = translated("ui_cavalry");
      break;
    default:
      out = translated("ui_everyone");
      break;
  }
}

void make_order_classes_text(const team& t, std::string& out) {
  const auto selected = [&t](int g) { return t.groups[static_cast<std::size_t>(g)].selected != 0; };
  if (selected(0) && selected(1) && selected(2)) {
    out = translated("ui_everyone");
    return;
  }
  bool first = true;
  for (int g = 0; g < team_group_count; ++g) {
    if (!selected(g)) continue;
    std::string name;
    make_troop_class_list_text(g, name);
    if (first) {
      out = name;
      first = false;
      continue;
    }
    bool later = false;
    for (int h = g + 1; h < team_group_count; ++h) later = later || selected(h);
    // The language's joining texts are filled, never used as formats.
    const std::string join = translated(later ? "ui_str_comma_str" : "ui_str_and_str");
    out = format_text(join, {out, name});
  }
}

}  // namespace hm
