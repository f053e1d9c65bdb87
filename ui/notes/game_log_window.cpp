#include "ui/notes/game_log_window.h"

#include <algorithm>

#include "engine/app/input_state.h"
#include "module/text/translation_table.h"
#include "script/script_state.h"
#include "ui/layout/layout_variables.h"
#include "ui/manager/ui_manager.h"
#include "ui/text/rich_text.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"
#include "ui/windows/window_manager.h"

namespace hm {
namespace {

constexpr int key_escape = 1;
constexpr std::int32_t opened_by_dispatcher = 100;
constexpr float visible_height = 0.64f;
constexpr float text_width = 0.915f;

ruv_string tr(const char* key) { return g_translation_table.get_string_by_id(key); }

game_script_words& words() { return current_script_host().campaign->game_words(); }

}  // namespace

std::string game_log_text(std::string_view history) {
  std::vector<std::string_view> fields;
  std::size_t from = 0;
  for (;;) {
    const std::size_t bar = history.find('|', from);
    if (bar == std::string_view::npos) {
      fields.push_back(history.substr(from));
      break;
    }
    fields.push_back(history.substr(from, bar - from));
    from = bar + 1;
  }
  std::string out;
  if (fields.size() <= 2) return out;
  // Whole entries only: a history cut short (or ending in '|') leaves a last
  // entry of fewer than three fields, which is skipped rather than read past.
  const std::size_t entries = fields.size() / 3;
  const std::size_t first = entries > game_log_shown_entries ? entries - game_log_shown_entries : 0;
  for (std::size_t e = first; e < entries; ++e) {
    out.append(fields[e * 3]);
    out += '\t';
    out.append(fields[e * 3 + 2]);
    out += '\n';
  }
  if (!out.empty()) out.pop_back();
  return out;
}

std::string recent_messages_text(const std::vector<ruv_string>& history) {
  std::string out;
  for (const ruv_string& line : history) {
    out.append(line.view());
    out += '\n';
  }
  if (!out.empty()) out.pop_back();
  return out;
}

std::array<widget*, note_tab_count> make_note_tabs(container& root) {
  static constexpr const char* labels[note_tab_count] = {"ui_game_log", "ui_recent_messages", "ui_quests",
                                                         "ui_troops2",  "ui_locations",       "ui_factions",
                                                         "ui_return"};
  const float x = get_layout_variable_float("note_button_x");
  const float y = get_layout_variable_float("note_button_y");
  const float h = get_layout_variable_float("note_button_h");
  const float step = get_layout_variable_float("note_button_x_a");
  std::array<widget*, note_tab_count> tabs{};
  for (int i = 0; i < note_tab_count; ++i)
    tabs[static_cast<std::size_t>(i)] = make_short_button(root, tr(labels[i]), x + static_cast<float>(i) * step, y, h);
  return tabs;
}

void game_log_window::build() { build_text(mode != 0); }

void game_log_window::build_text(bool show_log) {
  g_ui_manager.clear();
  auto r = std::make_unique<window_container>();
  r->set_position({0.0f, 0.0f});
  r->set_size({1.0f, 0.75f});
  if (auto m = g_ui_manager.resource_mesh_copy("game_log_window")) r->set_mesh(slot_background, std::move(m));
  root = r.get();

  auto rich = std::make_unique<rich_text_widget>();
  rich->set_text_flags(0x700);
  rich->set_position({0.0f, 0.0f});
  rich->set_text_size({0.02f, 0.02f});
  rich->set_colour(0xFF000000u);
  rich->set_size({text_width, 0.1f});
  const std::string body = show_log ? game_log_text(words().message_history.view())
                                    : recent_messages_text(g_ui_manager.messages.log_history);
  // Laid out once to learn its height, then placed so the first line starts
  // at the top of the box.
  rich->text = ruv_string(body);
  ui_vec2 extent;
  rich->rebuild_text_mesh(extent);
  const float height = extent.y;
  rich->text_position = {0.0f, height - 0.02f * 0.63f};
  rich->set_size({text_width, height});
  rich->rebuild_text_mesh();

  auto area_widget = std::make_unique<scrollable_container>();
  area_widget->content->set_size({text_width, height + 0.001f});
  text = area_widget->content->add(std::move(rich));
  const float shown = std::min(visible_height, height);
  area_widget->set_position({0.03f, std::max(visible_height - shown, 0.0f) + 0.08f});
  area_widget->set_view_size({text_width, shown});
  area_widget->update_layout();
  area = static_cast<scrollable_container*>(r->add_child(std::move(area_widget)));

  tabs = make_note_tabs(*r);
  const note_tab shown_tab = show_log ? note_tab::game_log : note_tab::recent_messages;
  if (widget* t = tabs[static_cast<std::size_t>(shown_tab)]) t->set_value(1);

  g_ui_manager.redraw = 1;
  g_ui_manager.push_root_widget(std::move(r));
  // The newest lines are at the bottom: the view starts there.
  if (scrollbar* bar = area->scroll_bars[1]) {
    bar->set_float_value(bar->float_min);
    bar->raise_event(ui_event::clicked);
  }
  area->update_scrollbars();
}

void game_log_window::frame(float /*seconds*/) {
  auto clicked = [this](note_tab t) {
    widget* w = tabs[static_cast<std::size_t>(t)];
    return w && w->take_event(ui_event::clicked);
  };
  if (clicked(note_tab::game_log)) {
    mode = 1;
    build_text(true);
  }
  if (clicked(note_tab::recent_messages)) {
    mode = 0;
    build_text(false);
  }
  if (g_ui_manager.wheel != 0 && area && area->scroll_bars[1])
    scroll_by_wheel(*area->scroll_bars[1], static_cast<float>(g_ui_manager.wheel));

  auto open_notes = [this](std::int32_t kind, std::int32_t id) {
    if (game_window* n = g_window_manager.window(window_id::note)) n->return_window = return_window;
    game_script_words& w = words();
    w.notes_kind = kind;
    w.notes_id = id;
    g_window_manager.set_window(window_id::note);
  };
  std::int32_t kind = 0;
  std::int32_t id = 0;
  std::int32_t index = 0;
  if (text && text->take_event(ui_event::clicked) && text->get_clicked_link(kind, id, index)) {
    open_notes(kind, id);
    return;
  }
  static constexpr std::pair<note_tab, std::int32_t> kinds[] = {{note_tab::troops, link_kind::troop},
                                                                 {note_tab::locations, link_kind::party},
                                                                 {note_tab::factions, link_kind::faction},
                                                                 {note_tab::quests, link_kind::quest}};
  for (const auto& [tab, k] : kinds) {
    if (clicked(tab)) {
      open_notes(k, 0);
      return;
    }
  }
  const bool escape = !g_input_state.is_key_down(key_escape) && g_input_state.previous_keys[key_escape] != 0;
  if (clicked(note_tab::back) || escape) {
    if (return_window == opened_by_dispatcher) {
      if (g_window_manager.dispatch_meta_mission_requests) g_window_manager.dispatch_meta_mission_requests();
    } else {
      g_window_manager.set_window(return_window);
    }
  }
}

}  // namespace hm
