#include "shell/state/state_dispatcher.h"

#include <algorithm>

#include "engine/core/log.h"
#include "module/records/mission_template.h"
#include "script/script_errors.h"

namespace hm {

window_switch_dispatcher g_window_switch_state;

namespace {

// Result words of a conversation or a menu.
namespace result_bit {
inline constexpr std::int32_t finished_mask = 0x1 | 0x2;
inline constexpr std::int32_t talk_to_encounter = 0x4;
inline constexpr std::int32_t side_0 = 0x10;
inline constexpr std::int32_t side_1 = 0x20;
inline constexpr std::int32_t second_side_joins = 0x40;
inline constexpr std::int32_t clear_flag_4 = 0x1000;
inline constexpr std::int32_t set_flag_4 = 0x2000;
inline constexpr std::int32_t clear_flag_8 = 0x4000;
inline constexpr std::int32_t set_flag_8 = 0x8000;
inline constexpr std::int32_t force_result = 0x2000000;
}  // namespace result_bit

inline constexpr std::int32_t max_advantage = 6;
inline constexpr std::int32_t forced_result_flags = 323;

// Window ids the dispatcher opens.
namespace win {
inline constexpr int meeting = 6;
inline constexpr int world_map = 7;
inline constexpr int inventory = 8;
inline constexpr int mission = 10;
inline constexpr int debrief = 11;
inline constexpr int party = 12;
inline constexpr int mission_screen = 14;
inline constexpr int conversation = 16;
inline constexpr int game_menu = 23;
inline constexpr int notes = 26;
inline constexpr int presentation = 27;
}  // namespace win

std::int32_t player_side_party(const meta_mission_words& m) {
  return m.encounter.side == 0 ? m.encounter.first_party : m.encounter.second_party;
}
std::int32_t other_side_party(const meta_mission_words& m) {
  return m.encounter.side == 0 ? m.encounter.second_party : m.encounter.first_party;
}

// Every window the dispatcher opens comes back to it when done.
void open_window(dispatcher_host& host, int id) {
  host.set_return_window(id, return_through_dispatcher);
  host.set_window(id);
}

void conversation_with_leader(dispatcher_host& host, std::int32_t party, std::int32_t seed, std::int32_t kind) {
  host.set_up_conversation(host.party_leader(party), seed, party, kind);
  open_window(host, win::conversation);
}

// The mission requested from a menu takes the game's pending jump values;
// the mission gets the sequence number, which then counts on.
void prepare_menu_mission(dispatcher_host& host, meta_mission_words& m) {
  const dispatcher_game_words& w = host.game_words();
  m.jump_template = w.jump_template;
  m.jump_value_1 = w.jump_scene;
  m.jump_value_2 = w.jump_entry;
  host.prepare_mission({m.jump_template, m.jump_value_1, m.jump_value_2, m.encounter.advantage, m.scene_param,
                        m.encounter.side});
  host.set_up_mission(m.mission_sequence);
  ++m.mission_sequence;
}

void back_to_map(dispatcher_host& host, meta_mission_words& m) {
  if (m.apply_pending) {
    m.apply_pending = 0;
    host.apply_encounter_results(m);
  }
  if (host.game_words().no_autosave == 0) {
    host.add_message("ui_autosaving");
    host.save_game(-1);
  }
  open_window(host, win::world_map);
}

}  // namespace

void init_meta_mission(meta_mission_words& m) {
  m = meta_mission_words{};
  m.encounter = encounter_record{};
  m.encounter.first_party = m.encounter.second_party = -1;
  m.encounter_event = m.other_party = -1;
  m.conversation_party = m.conversation_troop = -1;
  m.jump_template = m.jump_value_1 = m.jump_value_2 = -1;
  m.next_menu = -1;
  m.request_mask = meta_request::game_menu;
  log_line("init_meta_mission complete.\n");
}

std::uint32_t pop_meta_mission_request(meta_mission_words& m) {
  for (int i = 0; i < 32; ++i) {
    const std::uint32_t bit = 1u << i;
    if (m.request_mask & bit) {
      m.request_mask &= ~bit;
      return bit;
    }
  }
  return 0;
}

void apply_result_flags(dispatcher_host& host, meta_mission_words& m, std::int32_t r) {
  std::uint32_t& flags = m.encounter.flags;
  if (r & result_bit::finished_mask) m.encounter_finished = 1;
  if (r & result_bit::talk_to_encounter) m.request_mask |= meta_request::encounter_conversation;
  if (r & result_bit::side_0) {
    host.set_encounter_side(m, 0);
    m.request_mask |= meta_request::game_menu;
  }
  if (r & result_bit::side_1) {
    host.set_encounter_side(m, 1);
    m.request_mask |= meta_request::game_menu;
  }
  if (r & result_bit::clear_flag_4)
    flags &= ~4u;
  else if (r & result_bit::set_flag_4)
    flags |= 4u;
  if (r & result_bit::clear_flag_8)
    flags &= ~8u;
  else if (r & result_bit::set_flag_8)
    flags |= 8u;
  if (r & result_bit::second_side_joins) {
    flags |= 0xA0u;
    m.second_side_joined = 1;
    m.request_mask |= meta_request::game_menu;
  }
  if ((m.mission_kind == 3 || m.mission_kind == 4) && (flags & 16u) == 0) {
    // Bits 8..11 bias the advantage; above 8 they count down from 8.
    std::int32_t bias = (r >> 8) & 0xF;
    if (bias > 8) bias = 8 - bias;
    const std::int32_t before = m.encounter.advantage;
    m.encounter.advantage = std::min(host.battle_advantage() + bias, max_advantage);
    m.advantage_change = m.encounter.advantage - before;
    if (((flags & 128u) || m.second_side_joined) &&
        ((r & result_bit::force_result) || (host.side_troops_spent(m) && m.reinforcements < 1))) {
      m.result_flags = forced_result_flags;
      m.result_set = 1;
      m.encounter_finished = 1;
    }
  }
  host.remove_empty_stacks(m);
  if (m.encounter_finished && !m.finish_posted) {
    m.finish_posted = 1;
    // The result waits for the way back to the map.
    m.apply_pending = 1;
    m.request_mask |= meta_request::back_to_map;
    host.game_words().encounter_active = 0;
  }
}

int find_mission_template_for_mission_type(dispatcher_host& host, meta_mission_words& m) {
  m.chosen_type = m.mission_type;
  std::vector<int> matching;
  const std::vector<mission_template>& templates = host.mission_templates();
  for (std::size_t i = 0; i < templates.size(); ++i)
    if (templates[i].mission_type == m.mission_type) matching.push_back(static_cast<int>(i));
  if (matching.empty()) {
    // Module code asked for a mission the module cannot give: the game stays
    // where it is and the module's author is told.
    report_script_error_f("Unable to find matching mission template for mission type %d.", m.mission_type);
    return -1;
  }
  if (matching.size() == 1) return matching.front();
  return matching[static_cast<std::size_t>(host.random()) % matching.size()];
}

void dispatch_meta_mission_requests(dispatcher_host& host, meta_mission_words& m, window_switch_dispatcher& state,
                                    std::uint8_t& switched) {
  switched = 1;
  state.entering = 0;
  dispatcher_game_words& w = host.game_words();
  if (state.in_conversation) {
    if (state.launch_mode < 1 && w.conversation_result == 0) w.conversation_result = 1;
    if (w.conversation_result != 0) {
      const std::int32_t result = w.conversation_result;
      w.conversation_result = 0;
      apply_result_flags(host, m, result);
    }
    state.in_conversation = 0;
  }
  if (w.menu_result != 0) {
    const std::int32_t result = w.menu_result;
    w.menu_result = 0;
    apply_result_flags(host, m, result);
  }

  const std::uint32_t request = pop_meta_mission_request(m);
  switch (request) {
    case meta_request::encounter_conversation: {
      state.in_conversation = 1;
      const std::int32_t party = player_side_party(m);
      conversation_with_leader(host, party, host.party_leader_seed(party), 1);
      return;
    }
    case meta_request::troop_conversation:
      host.set_up_conversation(m.conversation_troop, -1, m.other_party, 3);
      open_window(host, win::conversation);
      return;
    case meta_request::mission_of_type: {
      const int chosen = find_mission_template_for_mission_type(host, m);
      if (chosen < 0) return;
      host.prepare_mission({chosen, 0, 0, m.encounter.advantage, m.scene_param, m.encounter.side});
      open_window(host, win::mission);
      return;
    }
    case meta_request::menu_mission:
      prepare_menu_mission(host, m);
      host.reset_window(win::mission_screen);
      open_window(host, win::mission_screen);
      return;
    case meta_request::debrief:
      // Over the current window, which the debrief returns to.
      host.set_window_mode(win::debrief, 0);
      host.set_return_window(win::debrief, return_through_dispatcher);
      host.push_window(win::debrief);
      return;
    case meta_request::party_conversation:
      conversation_with_leader(host, m.conversation_party, -1, 2);
      return;
    case meta_request::enemy_conversation:
      conversation_with_leader(host, other_side_party(m), -1, 4);
      return;
    case meta_request::inventory:
      host.set_window_mode(win::inventory, 1);
      open_window(host, win::inventory);
      return;
    case meta_request::party:
      host.set_window_mode(win::party, 4);
      open_window(host, win::party);
      return;
    case meta_request::back_to_map:
      back_to_map(host, m);
      return;
    case meta_request::scene_conversation: {
      const std::int32_t partner = w.conversation_troop;
      prepare_menu_mission(host, m);
      host.run_mission_frames(2, 0.1f);
      host.start_scene_conversation(partner, player_side_party(m));
      open_window(host, win::conversation);
      return;
    }
    case meta_request::presentation:
      open_window(host, win::presentation);
      return;
    case meta_request::notes:
      open_window(host, win::notes);
      return;
    default:
      break;
  }
  // No request, the game menu, or a bit nobody serves.
  if ((request != meta_request::game_menu || state.launch_mode > 0) && w.return_to_map == 1) {
    w.return_to_map = 0;
    back_to_map(host, m);
    return;
  }
  if (state.launch_mode > 0) {
    state.menu_opened = 1;
    host.reset_window(win::game_menu);
    open_window(host, win::game_menu);
    return;
  }
  open_window(host, win::meeting);
}

}  // namespace hm
