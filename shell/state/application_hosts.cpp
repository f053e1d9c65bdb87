#include "shell/state/application_hosts.h"

#include "campaign/game/campaign_game.h"
#include "campaign/party/party.h"
#include "engine/audio/sound_manager.h"
#include "campaign/save/save_format.h"
#include "campaign/save/save_game.h"
#include "engine/core/stream.h"
#include "module/base/module_paths.h"
#include "engine/core/log.h"
#include "engine/core/random.h"
#include "mission/records/mission.h"
#include "mission/scripting/mission_script_host.h"
#include "mission/setup/mission_setup.h"
#include "module/loading/game.h"
#include "module/loading/new_game.h"
#include "module/records/mission_template.h"
#include "script/ops/battle_advantage.h"
#include "module/records/script_table.h"
#include "module/text/translation_table.h"
#include "render/terrain/terrain_generator.h"
#include "script/script_host.h"
#include "script/script_state.h"
#include "engine/settings/ruv_config.h"
#include "ui/face/face_gen_window.h"
#include "ui/windows/window_manager.h"

namespace hm {

mission* current_mission = nullptr;

namespace {

// Whether a window may open; an id outside the table, or one without a
// window object, is refused and logged.
bool may_open(const window_manager& windows, int id) {
  if (windows.window(id)) return true;
  log_line("Refused to open window " + std::to_string(id) + ".\n");
  return false;
}

}  // namespace

application_hosts::application_hosts(std::function<void()> new_game, std::function<campaign_game*()> campaign,
                                     window_manager& window_table)
    : windows(window_table), new_game_(std::move(new_game)), campaign_(std::move(campaign)) {}

application_hosts::~application_hosts() {
  end_mission();
  // The mission outlives these hosts: it lets go of the set-up's navigation
  // graph and of the services first.
  if (current_mission) {
    current_mission->clear();
    current_mission->set_services(nullptr);
  }
}

void application_mission_services::check_reinforcements(mission& m) {
  if (steps) hm::check_reinforcements(m, *steps);
}

dispatcher_game_words& application_hosts::game_words() {
  if (campaign_game* c = campaign_()) {
    const game_script_words& g = c->campaign_host.game_words();
    if (g.next_scene >= 0) {
      words.jump_scene = g.next_scene;
      words.jump_entry = g.next_entry_point;
      words.jump_template = g.next_mission_value;
    }
    // Module code names the troop to talk to in a scene (with exit code 14)
    // in the game's exit troop, which is the game's conversation troop.
    if (g.exit_troop >= 0) words.conversation_troop = g.exit_troop;
  }
  return words;
}

bool application_hosts::set_window(int id) { return may_open(windows, id) && windows.set_window(id); }

bool application_hosts::push_window(int id) { return may_open(windows, id) && windows.push_window(id); }

void application_hosts::set_window_mode(int id, std::int32_t mode) {
  if (game_window* w = windows.window(id)) w->mode = mode;
}

void application_hosts::set_return_window(int id, std::int32_t value) {
  if (game_window* w = windows.window(id)) w->return_window = value;
}

void application_hosts::reset_window(int id) {
  if (game_window* w = windows.window(id)) {
    w->state_word = 0;
    w->reset_hook();
  }
}

void application_hosts::reset_character_window() {
  if (game_window* w = windows.window(window_id::character)) w->state_word = 0;
}

void application_hosts::reset_face_generator_window() {
  // Its tutorial notice shows first unless the player asked for none; either
  // way the new game's Done leads on into the game, not to a return window
  // no one set.
  if (game_window* w = windows.window(window_id::face_gen))
    w->state_word = g_ruv_config.skip_tutorial ? face_gen_state::creation_running : face_gen_state::creation_pending;
}

const std::vector<mission_template>& application_hosts::mission_templates() { return g_mission_templates; }

void application_hosts::prepare_mission(const mission_preparation& p) {
  // The game's pending jump values are taken: they start over.
  words.jump_troop = -1;
  words.jump_scene = -1;
  words.jump_entry = 0;
  words.jump_template = 0;
  words.jump_flags[0] = words.jump_flags[1] = 0;
  if (campaign_game* c = campaign_()) {
    game_script_words& g = c->campaign_host.game_words();
    g.next_scene = -1;
    g.next_entry_point = 0;
    g.next_mission_value = 0;
    g.next_mission_flag_1 = g.next_mission_flag_2 = 0;
  }
  if (!current_mission) return;
  mission& m = *current_mission;
  m.clear();
  m.template_index = p.template_index;
  m.jump_template = p.template_index;
  m.jump_value_1 = p.jump_value_1;
  m.jump_value_2 = p.jump_value_2;
  m.advantage = p.advantage;
  m.scene_param = p.scene_param;
  m.player_side = p.side;
  m.side_lists = {};
  // Each side's list: the encounter's party of that side with the parties
  // attached to it; the player's side also gets the parties attached to the
  // player's. The other side's list is the enemy's.
  if (campaign_game* c = campaign_()) {
    const campaign_state& st = c->state;
    auto add = [&](mission_side_list& list, std::int32_t id, bool itself) {
      const party* pa = id >= 0 ? st.find_party(id) : nullptr;
      if (!pa) return;
      if (itself && list.count < side_list_capacity) list.parties[static_cast<std::size_t>(list.count++)] = id;
      for (std::int32_t a : pa->attached_parties)
        if (list.count < side_list_capacity) list.parties[static_cast<std::size_t>(list.count++)] = a;
    };
    const std::int32_t ids[2] = {g_meta_mission.encounter.first_party, g_meta_mission.encounter.second_party};
    const std::size_t player_side = p.side == 1 ? 1 : 0;
    for (std::size_t k = 0; k < 2; ++k) add(m.side_lists[k], ids[k], true);
    add(m.side_lists[player_side], st.player_party, false);
    m.side_value = static_cast<std::int32_t>(1 - player_side);
  }
  m.template_flags = p.template_index >= 0 && p.template_index < static_cast<int>(g_mission_templates.size())
                         ? g_mission_templates[static_cast<std::size_t>(p.template_index)].flags
                         : 0;
  // Every team leaderless, with its groups' orders at their defaults, allied
  // with itself and hostile to the others; team 7 neutral to all.
  for (int t = 0; t < team_count; ++t) {
    team& tm = m.teams[static_cast<std::size_t>(t)];
    tm.leader = -1;
    tm.groups = {};
    for (int u = 0; u < team_count; ++u)
      tm.relations[static_cast<std::size_t>(u)] = t == 7 ? 0 : (t == u ? 1 : -1);
  }
  // Nothing of the last battle's camera, terrain or sounds carries over.
  m.scripted_camera.from_frame = frame::identity();
  g_terrain_generator.reset_terrain_generator();
  g_sound_manager.stop_all_sounds();
  if (campaign_game* c = campaign_()) m.player_party = c->state.player_party;
}

void application_hosts::set_up_mission(std::int32_t sequence) {
  if (!current_mission) return;
  mission& m = *current_mission;
  m.mission_sequence = sequence;
  // A mission asked for from a menu names its scene and the player's entry
  // point in its two jump values.
  if (m.jump_value_1 >= 0) m.scene_index = m.jump_value_1;
  m.player_entry_point = m.jump_value_2;
  // Module code of the template's triggers, which set-up already runs, sees
  // this mission; the mission before it (if any) lets go first.
  end_mission();
  mission_scope_ = std::make_unique<mission_script_scope>(m);
  if (connect_mission_host) connect_mission_host(mission_scope_->host());
  services_.steps = nullptr;
  m.set_services(&services_);
  campaign_game* c = campaign_();
  if (setup_steps || !g_game || !c) {
    mission_setup_steps own_part_only;
    hm::set_up_mission(m, setup_steps ? *setup_steps : own_part_only);
    return;
  }
  // The previous mission's set-up goes once this one has been cleared of it.
  const int template_index = m.template_index;
  const int scene_index = m.scene_index;
  m.clear();
  start_ = {};
  if (start_mission(m, *g_game, c->state, template_index, scene_index, start_)) services_.steps = start_.steps.get();
}

void application_hosts::end_mission() { mission_scope_.reset(); }

void application_hosts::run_mission_frames(int count, float seconds) {
  // A mission whose scene is not built has nothing to step.
  if (!current_mission || !current_mission->scene) return;
  for (int i = 0; i < count; ++i) current_mission->frame(seconds, false);
}

void application_hosts::set_up_conversation(std::int32_t troop, std::int32_t seed, std::int32_t party_id,
                                            std::int32_t kind) {
  set_conversation_troop(troop);
  conversation_entries.fill({});
  campaign_game* c = campaign_();
  std::size_t next = 0;
  auto place = [&](std::int32_t t, std::int32_t value) {
    if (next < conversation_entries.size()) conversation_entries[next++] = {t, value};
  };
  place(c ? c->state.player_troop : -1, -1);
  place(troop, seed);
  // The heroes of a party (the player's leads its own from its first stack),
  // but not the partner, stand around.
  auto place_heroes = [&](std::int32_t id, int first_stack) {
    const party* p = c ? c->state.find_party(id) : nullptr;
    if (!p) return;
    for (int i = first_stack; i < p->stack_count; ++i) {
      const std::int32_t t = p->stacks[static_cast<std::size_t>(i)].troop;
      if (t != troop && c->state.is_hero(t)) place(t, -1);
    }
  };
  const std::int32_t player_party = c ? c->state.player_party : -1;
  place_heroes(player_party, 1);
  if (party_id > 0 && party_id != player_party) place_heroes(party_id, 0);
  // The conversation's scene is a mission of its own.
  prepare_mission({1, 1, 0, 0, g_meta_mission.scene_param, 0});
  if (current_mission) current_mission->player_party = player_party;
  set_up_mission(g_meta_mission.mission_sequence);
  ++g_meta_mission.mission_sequence;
  run_mission_frames(3, 0.1f);
  if (start_conversation) start_conversation(troop, party_id, kind);
}

void application_hosts::set_conversation_troop(std::int32_t troop) {
  words.conversation_troop = troop;
  if (campaign_game* c = campaign_()) c->campaign_host.game_words().exit_troop = troop;
}

void application_hosts::start_scene_conversation(std::int32_t troop, std::int32_t party_id) {
  set_conversation_troop(troop);
  if (start_conversation) start_conversation(troop, party_id, 0);
}

std::int32_t application_hosts::party_leader(std::int32_t party_id) {
  campaign_game* c = campaign_();
  const party* p = c ? c->state.find_party(party_id) : nullptr;
  if (!p || p->stack_count < 1) return -1;
  return p->stacks[0].troop;
}

std::int32_t application_hosts::party_leader_seed(std::int32_t party_id) {
  campaign_game* c = campaign_();
  if (!c || !c->state.find_party(party_id)) return -1;
  return c->state.get_party_stack_seed(party_id, 0, 0);
}

void application_hosts::set_encounter_side(meta_mission_words& m, std::int32_t side) { m.encounter.set_side(side); }

std::int32_t application_hosts::battle_advantage() {
  // Worked out anew from the parties as the battle left them, against the
  // same side choosing it did; never from the stored value, or each result's
  // bias would pile onto the last.
  const encounter_record& e = g_meta_mission.encounter;
  const std::int32_t against = e.side == 1 ? e.first_party : e.second_party;
  const std::int32_t with = e.side == 1 ? e.second_party : e.first_party;
  campaign_game* c = campaign_();
  if (!c) return e.advantage;
  return compute_battle_advantage(c->state.player_party, against, with);
}

bool application_hosts::side_troops_spent(const meta_mission_words& m) {
  campaign_game* c = campaign_();
  if (!c) return false;
  const std::int32_t party_id = m.encounter.side == 0 ? m.encounter.first_party : m.encounter.second_party;
  return party_id >= 0 && c->state.get_party_strength(party_id) <= 0.0f;
}

void application_hosts::remove_empty_stacks(const meta_mission_words& m) {
  campaign_game* c = campaign_();
  if (!c) return;
  c->state.remove_empty_party_stacks(c->state.player_party);
  for (std::int32_t id : {m.encounter.first_party, m.encounter.second_party})
    if (id >= 0) c->state.remove_empty_party_stacks(id);
}

void application_hosts::apply_encounter_results(const meta_mission_words& m) {
  // The mission is over: its scripts no longer see it.
  end_mission();
  campaign_game* c = campaign_();
  if (!c) return;
  campaign_state& st = c->state;
  // The wounded of the regular troops stay with their stacks; heroes carry
  // their own wounds, so a hero stack keeps no wounded count.
  auto clear_hero_wounded = [&st](party& p) {
    for (int i = 0; i < p.stack_count; ++i) {
      troop_stack& s = p.stacks[static_cast<std::size_t>(i)];
      if (st.is_hero(s.troop)) s.wounded = 0;
    }
  };
  auto settle_side = [&](std::int32_t id) {
    party* p = id >= 0 ? st.find_party(id) : nullptr;
    if (!p) return;
    clear_hero_wounded(*p);
    // Its counts with the attached parties are made again from the stacks.
    p->changed = 1;
  };
  party* player = st.find_party(st.player_party);
  if (player) clear_hero_wounded(*player);
  const std::int32_t player_side = m.encounter.side == 0 ? m.encounter.first_party : m.encounter.second_party;
  const std::int32_t other_side = m.encounter.side == 0 ? m.encounter.second_party : m.encounter.first_party;
  settle_side(player_side);
  if (m.second_side_joined) settle_side(other_side);
  // The player's encounter is over.
  game_script_words& w = c->campaign_host.game_words();
  w.encountered_party = -1;
  w.encounter_kind = 0;
  if (!player) return;
  if (ready_to_upgrade_count(st, *player) > m.upgradable_before)
    add_message("ui_some_soldiers_are_ready_to_upgrade", 0xFFBBFFBB);
  player->changed = 1;
}

std::int32_t ready_to_upgrade_count(const campaign_state& st, const party& p) {
  std::int32_t n = 0;
  for (int i = 0; i < p.stack_count; ++i) {
    const troop_stack& s = p.stacks[static_cast<std::size_t>(i)];
    if (s.is_prisoners()) break;
    if (!st.is_hero(s.troop)) n += s.ready_to_upgrade;
  }
  return n;
}

void application_hosts::add_message(const char* ui_key) { add_message(ui_key, 0xFFFFFFFF); }

void application_hosts::add_message(const char* ui_key, std::uint32_t colour) {
  current_script_host().ui->add_message_line(translate(ui_key).view(), colour);
}

void application_hosts::save_game(int slot) { save_game_to(slot, nullptr); }

int application_hosts::save_game_to(int slot, const ruv_string* name) {
  campaign_game* c = campaign_();
  if (!g_game || !c) return -1;
  // While the game runs, its save-mode word is the dispatcher's autosave word.
  c->scalars.save_mode = words.no_autosave;
  save_target target;
  target.module = std::string(module_name().view());
  target.show = [](std::string_view text, std::uint32_t colour) {
    current_script_host().ui->add_message_line(text, colour);
  };
  target.translate = [this](const char* key) { return translate(key); };
  return hm::save_game(*g_game, *c, slot, name, target);
}

int application_hosts::random() { return random_next(); }

namespace {

void show_load_error(const std::string& text) {
  log_line(text + "\n");
  current_script_host().ui->add_message_line(text, 0xFFFF3333u);
}

}  // namespace

bool application_hosts::open_saved_game(const std::string& path, launch_save_header& header) {
  save_reader_ = std::make_unique<binary_reader>();
  if (!save_reader_->open(path)) {
    save_reader_.reset();
    show_load_error(load_error_text("Unable to open the file", path));
    return false;
  }
  save_header read;
  std::string error = try_read_save_header(read, *save_reader_);
  if (error.empty() && read.tag != save_file_tag) error = load_error_text("Incorrect file type", path);
  if (!error.empty()) {
    save_reader_.reset();
    show_load_error(error);
    return false;
  }
  header.player_name = read.player_name;
  header.save_name = read.save_name;
  header.value = read.module_version;
  loading_save_name_ = read.save_name;
  return true;
}

bool application_hosts::read_saved_game() {
  std::unique_ptr<binary_reader> reader = std::move(save_reader_);
  campaign_game* c = campaign_();
  std::string error;
  if (!reader || !g_game || !c) {
    error = "Load error: no game to load into";
  } else {
    error = try_read_game_state(*g_game, *c, *reader);
  }
  if (!error.empty()) {
    show_load_error(error);
    if (end_game) end_game();
    return false;
  }
  words.no_autosave = c->scalars.save_mode;
  c->scalars.current_slot = loading_slot;
  c->scalars.save_name = loading_save_name_;
  return true;
}

void application_hosts::create_game(std::int32_t, bool) { new_game_(); }

void application_hosts::load_world_data() {
  if (!g_game) return;
  g_script_state.reset();
  load_module_world_data(*g_game, g_script_table.interval_script_count);
  g_game->parties = campaign_();
}

void application_hosts::set_player_names(const ruv_string& player_name, const ruv_string&) {
  set_player_name(player_name);
}

void application_hosts::set_player_name(const ruv_string& name) {
  if (!g_game) return;
  if (troop* t = g_game->find_troop(g_game->player_troop)) t->name = name;
}

void application_hosts::read_module_parties() {
  if (g_game) load_parties(*g_game);
}

void application_hosts::load_map_data() {
  if (campaign_game* c = campaign_()) c->load_map_data();
}

void application_hosts::init_map() {
  if (campaign_game* c = campaign_()) c->init_map();
}

void application_hosts::build_map_scene() {
  if (campaign_game* c = campaign_()) c->build_map_scene();
}

void application_hosts::run_game_start() {
  if (campaign_game* c = campaign_()) c->run_game_start();
}

void application_hosts::show_progress(const std::string& step_text, const ruv_string& message) {
  progress_step = step_text;
  progress_message = message;
}

ruv_string application_hosts::translate(const char* ui_key) {
  if (!*ui_key) return {};
  return g_translation_table.get_string_by_id(ui_key);
}

}  // namespace hm
