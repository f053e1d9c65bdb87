#include "ui/menus/briefing_windows.h"

#include <cmath>
#include <string>

#include "engine/app/input_state.h"
#include "module/loading/game.h"
#include "module/records/mission_template.h"
#include "module/text/translation_table.h"
#include "script/ops/encounter.h"
#include "script/script_host.h"
#include "ui/layout/layout_variables.h"
#include "ui/manager/ui_manager.h"
#include "ui/menus/front_menus.h"
#include "ui/menus/menu_window_host.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"
#include "ui/windows/window_manager.h"

namespace hm {

namespace {

constexpr int key_enter = 28;

ruv_string tr(const char* key) { return g_translation_table.get_string_by_id(key); }

window_container* make_root(float x, float y, float w, float h, const char* mesh_name) {
  auto r = std::make_unique<window_container>();
  r->set_position({x, y});
  r->set_size({w, h});
  if (mesh_name)
    if (auto m = g_ui_manager.resource_mesh_copy(mesh_name)) r->set_mesh(slot_background, std::move(m));
  r->set_colour(0xFFFFFFFFu);
  window_container* raw = r.get();
  g_ui_manager.redraw = 1;
  g_ui_manager.push_root_widget(std::move(r));
  return raw;
}

void stop_sounds() {
  if (script_engine_host* e = current_script_host().engine) e->stop_all_sounds();
}

void dispatch() {
  if (g_window_manager.dispatch_meta_mission_requests) g_window_manager.dispatch_meta_mission_requests();
}

}  // namespace

// --- mission window -----------------------------------------------------------------------------

void mission_window::build() {
  g_ui_manager.clear();
  stop_sounds();
  window_container* r = make_root(0.0f, 0.0f, 1.0f, 0.75f, "mission_window");
  r->set_text_size({0.05f, 0.05f});
  root = r;
  description_label = make_label(*r, ruv_string(), 0.1f, 0.2f, 0.6f, 0.3f);
  description_label->set_colour(0xFFFFFFFFu);
  description_label->set_text_size({0.03f, 0.03f});
  const std::int32_t kind = g_meta_mission.mission_kind;
  if (kind == 2)
    fill_troop_lists(troops);
  else if (kind >= 3 && kind <= 5)
    fill_description();
}

void mission_window::fill_troop_lists(const mission_troop_table& table) {
  root->set_text(ruv_string());
  script_module_host* module = current_script_host().module;
  float y = 0.7f;
  for (const auto& side : table) {
    for (const auto& group : side) {
      for (std::int32_t troop : group) {
        add_text_line(*root, module->troop_name(troop), 0.1f, y);
        y -= 0.02f;
      }
      y -= 0.005f;
    }
    y -= 0.01f;
  }
}

void mission_window::fill_description() {
  root->set_text(ruv_string());
  const std::int32_t t = g_meta_mission.jump_template;
  if (t >= 0 && t < static_cast<std::int32_t>(g_mission_templates.size()))
    description_label->set_text(g_mission_templates[static_cast<std::size_t>(t)].description);
}

void mission_window::frame(float /*seconds*/) {
  current_menu_host().set_up_mission(serial++);
  if (game_window* screen = g_window_manager.window(window_id::mission_screen)) {
    screen->reset_hook();
    screen->return_window = return_window;
  }
  if (game_window* d = g_window_manager.window(window_id::debrief)) {
    d->return_window = return_window;
    d->mode = 0;
  }
  g_window_manager.set_window(window_id::mission_screen);
}

// --- debrief ------------------------------------------------------------------------------------

void debrief_window::build() {
  stop_sounds();
  window_container* r = make_root(0.2f, 0.15f, 0.6f, 0.45f, "debrief_window");
  root = r;
  done_button = make_medium_button(*r, tr("ui_done"), 0.2f, 0.05f, 0.04f);
}

void debrief_window::frame(float /*seconds*/) {
  g_ui_manager.flush_pending_messages();
  const bool done = done_button && done_button->take_event(ui_event::clicked);
  // Enter acts when it comes up, not when it goes down.
  const bool enter_released = !g_input_state.is_key_down(key_enter) && g_input_state.previous_keys[key_enter] != 0;
  if (!done && !enter_released) return;
  done_button = nullptr;
  dispatch();
}

// --- party name ---------------------------------------------------------------------------------

void party_name_window::build() {
  window_container* r = make_root(0.3f, 0.2f, 0.5f, 0.3f, "dialog_box");
  root = r;
  const std::int32_t party = parameters[0];
  ruv_string name(std::to_string(party));
  if (script_campaign_host* c = current_script_host().campaign) {
    const ruv_string shown = c->party_display_name(party);
    if (!shown.empty()) name = shown;
  }
  r->set_text(name);
  done_button = make_button5(*r, tr("ui_done"), 0.2f, 0.03f, 0.15f, 0.05f);
}

void party_name_window::frame(float /*seconds*/) {
  if (done_button && done_button->take_event(ui_event::clicked)) {
    done_button = nullptr;
    g_window_manager.set_window(window_id::world_map);
  }
}

// --- factions -----------------------------------------------------------------------------------

std::int32_t faction_report_value(float relation) {
  return static_cast<std::int32_t>(std::floor(static_cast<double>(relation) * 100.0 + 0.5));
}

void factions_window::build() {
  g_ui_manager.clear();
  window_container* r = make_root(0.0f, 0.0f, 1.0f, 0.75f, nullptr);
  root = r;
  done_button = make_button5(*r, tr("ui_done"), 0.65f, 0.03f, 0.15f, 0.05f);
  title_button = make_button5(*r, ruv_string(), 0.65f, 0.6f, 0.15f, 0.05f);
  if (auto* b = dynamic_cast<button_widget*>(title_button)) b->button_flags |= button_widget::flag_toggle;
  title_button->set_text(tr("ui_factions"));
  r->set_text(ruv_string());
  if (mode == 0) fill_report();
}

void factions_window::fill_report() {
  title_button->set_value(mode == 0 ? 1 : 0);
  std::string report(tr("ui_factions_report").view());
  if (g_game) {
    script_module_host* module = current_script_host().module;
    const std::int32_t player_faction =
        current_script_host().campaign ? module->troop_faction(current_script_host().campaign->player_troop()) : 0;
    for (int f = 0; f < g_game->faction_count(); ++f) {
      const faction& rec = g_game->factions[static_cast<std::size_t>(f)];
      const float relation =
          player_faction >= 0 && player_faction < max_factions ? rec.relations[static_cast<std::size_t>(player_faction)] : 0.0f;
      report += "\n" + std::string(module->faction_name(f).view()) + ":  " +
                std::to_string(faction_report_value(relation));
    }
  }
  root->set_text(ruv_string(report));
}

void factions_window::frame(float /*seconds*/) {
  if (title_button && title_button->take_event(ui_event::clicked)) {
    mode = 0;
    fill_report();
  }
  if (done_button && done_button->take_event(ui_event::clicked)) {
    done_button = title_button = nullptr;
    g_window_manager.set_window(return_window);
  }
}

}  // namespace hm
