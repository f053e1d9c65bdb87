#include "ui/meeting/meeting_window.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/core/random.h"
#include "engine/resource/mesh.h"
#include "module/loading/game.h"
#include "module/text/translation_table.h"
#include "script/ops/encounter.h"
#include "script/script_host.h"
#include "ui/manager/ui_manager.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"
#include "ui/windows/window_manager.h"

namespace hm {

namespace {

constexpr std::uint32_t choice_highlight = 0xFFAAFF55u;
constexpr float panel_height = 0.2145f;
// The flag-word bit the meeting sets once a choice was made.
constexpr std::uint32_t meeting_choice_made = 0x20;
constexpr std::uint32_t request_debrief = 0x10;
constexpr std::uint32_t request_battle = 0x4;
constexpr int hit_point_skill = 36;

ruv_string troop_shown_name(const troop& t) {
  if (const ruv_string* s = g_translation_table.find_translation(t.id.view())) return *s;
  return t.name;
}

}  // namespace

std::int32_t meeting_entry_weight(const meta_mission_words& m, std::uint32_t flags) {
  const std::int32_t base = static_cast<std::int32_t>(flags & 0x7Fu);
  float v = 0.0f;
  if (flags & 0x100u)
    v = static_cast<float>(m.encounter.advantage + 32);
  else if (flags & 0x200u)
    v = static_cast<float>(6 - m.encounter.advantage);
  else
    return base;
  const float f = std::clamp(v * 0.04736842f - 0.4f, 0.0f, 1.0f);
  return static_cast<std::int32_t>(static_cast<float>(base) * f);
}

void meeting_window_choose(meta_mission_words& m, const meeting_item& chosen, int r,
                           const std::function<void(std::int32_t)>& release) {
  m.chosen_kind = chosen.kind;
  m.chosen_value = chosen.value;
  m.chosen_entry = -1;
  // A kind the encounter set-up gave no outcome record means nothing.
  if (chosen.kind < 0 || chosen.kind >= meeting_outcome_kinds) return;
  const meeting_outcome_record& record = m.meeting_outcomes[static_cast<std::size_t>(chosen.kind)];
  if (chosen.kind < first_weighted_meeting_kind) {
    if (release) release(record.party);
    return;
  }
  std::int32_t sum = 0;
  for (std::size_t i = 0; i < record.entries.size(); ++i) {
    sum += meeting_entry_weight(m, record.entries[i].flags);
    if (r < sum) {
      m.chosen_entry = static_cast<std::int32_t>(i);
      break;
    }
  }
  if (m.chosen_entry >= 0) {
    if (release) release(record.entries[static_cast<std::size_t>(m.chosen_entry)].party);
    m.request_mask |= request_debrief;
  } else {
    m.request_mask |= request_battle;
  }
  m.encounter.flags |= meeting_choice_made;
}

ruv_string meeting_stack_line(std::int32_t troop_index, std::int32_t count, std::int32_t wounded) {
  const troop* t = g_game ? g_game->find_troop(troop_index) : nullptr;
  if (!t) return {};
  char suffix[48];
  if (t->is_hero()) {
    const float hp = current_script_host().module ? current_script_host().module->troop_hit_points(troop_index)
                                                   : t->max_hit_points;
    const int most = t->strength() + 35 + 2 * t->get_skill_level(hit_point_skill);
    const int percent = most > 0 ? static_cast<int>(std::trunc(hp * 100.0f / static_cast<float>(most) + 0.0001f)) : 0;
    std::snprintf(suffix, sizeof suffix, " %d%%", percent);
  } else {
    std::snprintf(suffix, sizeof suffix, " (%d/%d)", count - wounded, count);
  }
  ruv_string line = troop_shown_name(*t);
  line.append(ruv_string(suffix));
  return line;
}

bool meeting_window::add_choice(const ruv_string& text, meeting_item item) {
  if (meeting_item_count >= meeting_choice_slots) return false;
  const auto i = static_cast<std::size_t>(meeting_item_count++);
  meeting_items[i] = item;
  choice_texts[i] = text;
  return true;
}

void meeting_window::clear_choices() {
  meeting_item_count = 0;
  for (ruv_string& t : choice_texts) t = ruv_string();
}

void meeting_window::build() {
  g_ui_manager.clear();
  if (script_engine_host* e = current_script_host().engine) e->stop_all_sounds();
  if (meeting_item_count <= 0 && fill_choices) fill_choices(*this);
  // Never more choices than buttons, whoever filled them.
  meeting_item_count = std::clamp(meeting_item_count, 0, meeting_choice_slots);

  auto r = std::make_unique<window_container>();
  r->set_position({0.0f, 0.0f});
  r->set_size({1.0f, 0.75f});
  if (auto m = g_ui_manager.resource_mesh_copy("meeting_window")) {
    r->fit_mesh(*m);
    r->set_mesh(slot_background, std::move(m));
  }
  r->set_colour(0xFFFFFFFFu);
  root = r.get();
  for (int i = 0; i < meeting_choice_slots; ++i) {
    auto b = std::make_unique<text_button>();
    b->set_position({0.0f, 0.41f - 0.05f * static_cast<float>(i)});
    b->set_size({0.6f, 0.05f});
    b->set_highlight_colour(choice_highlight);
    if (i < meeting_item_count) {
      b->set_text(choice_texts[static_cast<std::size_t>(i)]);
    } else {
      b->hide();
    }
    choice_buttons[static_cast<std::size_t>(i)] = root->add_child(std::move(b));
  }
  for (int i = 0; i < 3; ++i) {
    auto p = std::make_unique<container>();
    p->set_position({0.6f, 0.65f - panel_height * static_cast<float>(i + 1)});
    p->set_size({0.0f, panel_height});
    party_panels[static_cast<std::size_t>(i)] = p.get();
    root->add_child(std::move(p));
  }
  g_ui_manager.redraw = 1;
  g_ui_manager.push_root_widget(std::move(r));
  for (int i = 0; i < 3; ++i) fill_party_panel(i);
}

void meeting_window::fill_party_panel(int n) {
  if (n < 0 || n > 2 || !party_panels[static_cast<std::size_t>(n)]) return;
  container& panel = *party_panels[static_cast<std::size_t>(n)];
  const script_campaign_host* campaign = current_script_host().campaign;
  if (!campaign) return;
  std::int32_t party = -1;
  if (n == 0) {
    party = campaign->player_party();
  } else {
    const encounter_record& e = g_meta_mission.encounter;
    std::int32_t ids[2] = {e.first_party, e.second_party};
    if (e.side == 1) std::swap(ids[0], ids[1]);
    party = ids[n - 1];
  }
  if (party < 0 || campaign->find_party_slot(party) < 0) return;
  panel.set_text(campaign->party_display_name(party));
  const int stacks = campaign->party_stack_count(party);
  for (int i = 0; i < stacks; ++i) {
    const script_troop_stack s = campaign->party_stack(party, i);
    add_text_line(panel, meeting_stack_line(s.troop, s.count, s.wounded), 0.01f,
                  panel_height - 0.04f - 0.025f * static_cast<float>(i));
  }
}

void meeting_window::frame(float /*seconds*/) {
  int clicked = -1;
  for (int i = 0; i < meeting_item_count; ++i) {
    widget* b = choice_buttons[static_cast<std::size_t>(i)];
    if (b && b->take_event(ui_event::clicked)) clicked = i;
  }
  if (clicked < 0) return;
  const int r = draw_percent ? draw_percent() : random_next() % 100;
  meeting_window_choose(g_meta_mission, meeting_items[static_cast<std::size_t>(clicked)], r,
                        release_encounter_party);
  // The choices were this encounter's; the next one brings its own.
  clear_choices();
  if (g_window_manager.dispatch_meta_mission_requests) g_window_manager.dispatch_meta_mission_requests();
}

}  // namespace hm
