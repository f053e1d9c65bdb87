#include "ui/notes/quests_window.h"

#include <algorithm>

#include "engine/core/log.h"
#include "engine/core/text_format.h"
#include "module/text/translation_table.h"
#include "script/script_host.h"
#include "ui/layout/layout_variables.h"
#include "ui/manager/ui_manager.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"
#include "ui/windows/window_manager.h"

namespace hm {
namespace {

constexpr std::uint32_t show_progression = 0x1;
constexpr float row_height = 0.04f;
constexpr float list_width = 0.32f;

ruv_string tr(const char* key) { return g_translation_table.get_string_by_id(key); }

std::unique_ptr<widget> make_text_area(std::uint32_t flags) {
  auto a = std::make_unique<text_widget>();
  a->set_position({0.58f, 0.21875f});
  a->set_size({0.39f, 0.3f});
  a->set_text_size({0.025f, 0.025f});
  a->set_text_flags(flags);
  return a;
}

}  // namespace

std::vector<std::int32_t> quests_of_mode(const std::vector<std::uint32_t>& statuses, std::int32_t mode) {
  std::vector<std::int32_t> out;
  if (mode != 0 && mode != 1) return out;
  for (std::size_t q = 0; q < statuses.size(); ++q) {
    const std::uint32_t s = statuses[q];
    if (!(s & quest_status_bit::started)) continue;
    const bool concluded = (s & quest_status_bit::concluded) != 0;
    if (concluded == (mode == 1)) out.push_back(static_cast<std::int32_t>(q));
  }
  return out;
}

float quest_list_height(int rows) { return std::max(0.56f, static_cast<float>(rows) * row_height + 0.09f); }

std::string quest_row_text(std::string_view name, std::uint32_t flags, std::uint32_t status) {
  if (!(flags & show_progression)) return std::string(name);
  return format_text("%s (%d%%)", {name, static_cast<int>(status & 0xFFu)});
}

void quests_window::collect_quests() {
  const script_module_host& m = *current_script_host().module;
  const int count = m.quest_count();
  if (count > max_quest_rows) ruv_error("%s", tr("ui_too_many_quests").c_str());
  std::vector<std::uint32_t> statuses;
  for (int q = 0; q < count; ++q) statuses.push_back(m.quest_status(q));
  quest_ids = quests_of_mode(statuses, mode);
}

void quests_window::build() {
  g_ui_manager.clear();
  auto r = std::make_unique<window_container>();
  r->set_position({0.0f, 0.0f});
  r->set_size({1.0f, 0.75f});
  if (auto m = g_ui_manager.resource_mesh_copy("quests_window")) r->set_mesh(slot_background, std::move(m));
  root = r.get();

  name_area = r->add_child(make_text_area(0x101));
  text_area = r->add_child(make_text_area(0x10));
  done_button = make_medium_button(*r, tr("ui_done"), 0.7f, 0.09f, 0.04f);
  active_button = make_medium_button(*r, tr("ui_active_quests"), 0.1f, 0.04f, 0.04f);
  finished_button = make_medium_button(*r, tr("ui_finished_quests"), 0.28f, 0.04f, 0.04f);
  if (mode == 0) active_button->set_value(1);
  if (mode == 1) finished_button->set_value(1);

  selected_row = -1;
  collect_quests();
  const float height = quest_list_height(static_cast<int>(quest_ids.size()));
  auto box = std::make_unique<scrollable_container>();
  box->content->set_size({list_width, height});
  const script_module_host& m = *current_script_host().module;
  rows.clear();
  for (std::size_t i = 0; i < quest_ids.size(); ++i) {
    const std::int32_t q = quest_ids[i];
    const script_quest_texts texts = m.quest_texts(q);
    const ruv_string& name = texts.translated_name.empty() ? texts.name : texts.translated_name;
    auto b = std::make_unique<text_button>();
    b->set_position({0.01f, height - 0.05f - static_cast<float>(i) * row_height});
    b->set_size({0.3f, row_height});
    b->set_colour(0xFFFFFFFFu);
    b->set_highlight_colour(0xFFFFF09Bu);
    b->set_text(ruv_string(quest_row_text(name.view(), m.quest_flags(q), m.quest_status(q))));
    rows.push_back(box->content->add_child(std::move(b)));
  }
  box->set_position({0.1f, 0.11f});
  box->vertical_bar_x = 0.48f - 0.1f;
  box->set_view_size({list_width, 0.58f});
  box->update_layout();
  list = static_cast<scrollable_container*>(r->add_child(std::move(box)));
  if (scrollbar* bar = list->scroll_bars[1]) {
    bar->set_float_value(bar->float_max);
    bar->raise_event(ui_event::clicked);
  }
  list->update_scrollbars();
  g_ui_manager.redraw = 1;
  g_ui_manager.push_root_widget(std::move(r));
}

void quests_window::select_row(int row) {
  if (row < 0 || row >= static_cast<int>(quest_ids.size())) return;
  selected_row = row;
  const script_quest_texts texts = current_script_host().module->quest_texts(quest_ids[static_cast<std::size_t>(row)]);
  name_area->set_text(texts.translated_name.empty() ? texts.name : texts.translated_name);
  std::string body(texts.translated_text.empty() ? texts.text.view() : texts.translated_text.view());
  if (!texts.giver_text.empty()) {
    body += "\n\n";
    body.append(texts.giver_text.view());
  }
  // The text starts under the name.
  text_area->set_text(ruv_string("\n\n" + body));
}

void quests_window::frame(float /*seconds*/) {
  auto clicked = [](widget* w) { return w && w->take_event(ui_event::clicked); };
  // The last row clicked this frame wins.
  int row = -1;
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (clicked(rows[i])) row = static_cast<int>(i);
  if (row >= 0) select_row(row);
  if (g_ui_manager.wheel != 0 && list && list->scroll_bars[1])
    scroll_by_wheel(*list->scroll_bars[1], static_cast<float>(g_ui_manager.wheel));
  if (clicked(active_button)) {
    mode = 0;
    build();
    return;
  }
  if (clicked(finished_button)) {
    mode = 1;
    build();
    return;
  }
  if (clicked(done_button)) {
    if (return_window == 100) {
      if (g_window_manager.dispatch_meta_mission_requests) g_window_manager.dispatch_meta_mission_requests();
    } else {
      g_window_manager.set_window(return_window);
    }
  }
}

}  // namespace hm
