#include "script/script_host.h"

#include <string>

#include "engine/app/input_state.h"
#include "engine/audio/sound_manager.h"
#include "engine/settings/key_bindings.h"
#include "engine/core/log.h"
#include "engine/core/timer.h"
#include "engine/settings/ruv_config.h"
#include "script/text_tokens.h"

namespace hm {
namespace {

class null_module_host final : public script_module_host {
 public:
  int script_count() const override { return 0; }
  statement_block* script_block(int) override { return nullptr; }
  int presentation_count() const override { return 0; }
  int module_string_count() const override { return 0; }
  int quick_string_count() const override { return 0; }
  int mesh_count() const override { return 0; }
  int menu_count() const override { return 0; }
  int item_kind_count() const override { return 0; }
  int mission_template_count() const override { return 0; }
  int party_template_count() const override { return 0; }
  int map_icon_count() const override { return 0; }
  int particle_system_count() const override { return 0; }
  int scene_prop_kind_count() const override { return 0; }
  int sound_count() const override { return 0; }
  int music_track_count() const override { return 0; }
  int animation_count() const override { return 0; }
  int troop_count() const override { return 0; }
  int faction_count() const override { return 0; }
  int quest_count() const override { return 0; }
  int scene_count() const override { return 0; }
  ruv_string script_name(int) const override { return {}; }
  std::uint64_t troop_flags(int) const override { return 0; }
  int troop_level(int) const override { return 0; }
  int troop_placement(int) const override { return -1; }
  int troop_inventory_slot_count(int) const override { return 0; }
  int troop_inventory_item(int, int) const override { return -1; }
  std::uint32_t quest_status(int) const override { return 0; }
  float faction_relation(int, int) const override { return 0.0f; }
  ruv_string module_string_text(int) const override { return {}; }
  ruv_string module_string_key(int) const override { return {}; }
  ruv_string quick_string_text(int) const override { return {}; }
  ruv_string quick_string_key(int) const override { return {}; }
  bool find_translation(std::string_view, ruv_string&) const override { return false; }
  script_record_data* record_data(script_record_kind, int) override { return nullptr; }
  ruv_string troop_name(int) const override { return {}; }
  int troop_gold(int) const override { return 0; }
  int troop_faction(int) const override { return 0; }
  int troop_attribute(int, int) const override { return 0; }
  float troop_hit_points(int) const override { return 0.0f; }
  int troop_max_hit_points(int) const override { return 0; }
  int troop_proficiency(int, int) const override { return 0; }
  int troop_effective_skill_level(int, int) const override { return 0; }
  int count_troop_items(int, int, int) const override { return 0; }
  void set_troop_flags(int, std::uint64_t) override {}
  int skin_count() const override { return 0; }
  bool troop_is_wounded(int) const override { return false; }
  std::int64_t troop_word(int, script_troop_word) const override { return 0; }
  void set_troop_word(int, script_troop_word, std::int64_t) override {}
  void set_troop_hit_points(int, float) override {}
  void raise_troop_attribute(int, int, int) override {}
  void raise_troop_skill(int, int, int) override {}
  void add_troop_proficiency_points(int, int, float) override {}
  void raise_troop_proficiency(int, int, int) override {}
  void add_troop_gold(int, std::int64_t) override {}
  void take_troop_gold(int, std::int64_t) override {}
  script_item troop_item(int, int) const override { return {}; }
  void set_troop_item(int, int, script_item) override {}
  script_item make_item(int, int) const override { return {}; }
  int item_max_ammo(script_item) const override { return 0; }
  void clear_troop_inventory(int) override {}
  void sort_troop_inventory(int) override {}
  void free_troop_inventory_slots(int, int) override {}
  void add_troop_merchandise(int, int, int) override {}
  void copy_troop_merchandise(int, int, int) override {}
  void auto_equip_troop(int) override {}
  std::int32_t remove_troop_items(int, int, int) override { return 0; }
  bool put_troop_item(int, int, int) override { return false; }
  script_item_placement add_troop_item(int, int, int) override { return script_item_placement::dropped; }
  std::uint32_t item_kind_flags(int) const override { return 0; }
  ruv_string item_kind_name(int) const override { return {}; }
  void set_item_stock_multiplier(int, float) override {}
  float merchandise_quality() const override { return 1.0f; }
  void set_merchandise_quality(float) override {}
  bool money_and_item_messages() const override { return false; }
  void set_faction_relation(int, int, float) override {}
  ruv_string faction_name(int) const override { return {}; }
  void set_faction_name(int, const ruv_string&) override {}
  void set_faction_colour(int, std::uint32_t) override {}
  script_scene_entry scene_entry(int, int) const override { return {}; }
  void set_scene_entry(int, int, const script_scene_entry&) override {}
  std::uint32_t quest_flags(int) const override { return 0; }
  void set_quest_status(int, std::uint32_t) override {}
  void set_quest_giver(int, int) override {}
  script_quest_texts quest_texts(int) const override { return {}; }
  void set_quest_texts(int, const script_quest_texts&) override {}
};

class null_campaign_host final : public script_campaign_host {
 public:
  int party_end_id() const override { return 0; }
  int find_party_slot(int) const override { return -1; }
  int party_slot_state(int) const override { return 0; }
  int first_active_party() const override { return 0; }
  int next_active_party(int) const override { return 0; }
  int attached_party_count(int) const override { return 0; }
  int attached_party(int, int) const override { return -1; }
  int player_party() const override { return -1; }
  int player_troop() const override { return -1; }
  void set_player_troop(int) override {}
  int last_dialog_option() const override { return 0; }
  int player_encounter_flag() const override { return 0; }
  float campaign_rate(int) const override { return 0.0f; }
  void set_campaign_rate(int, float) override {}
  game_script_words& game_words() override { return words_; }
  void destroy_game() override { words_ = game_script_words{}; }
  int current_day() const override { return 0; }
  int current_hour() const override { return 0; }
  bool debug_break(ruv_string&, int&) const override { return false; }
  bool rating_reduction() const override { return false; }
  std::uint64_t party_flags(int) const override { return 0; }
  int party_ai_mode(int) const override { return 0; }
  int party_ai_target(int) const override { return -1; }
  vec3 party_map_position(int) const override { return {}; }
  float party_map_radius(int) const override { return 0.0f; }
  int party_faction(int) const override { return -1; }
  int party_attached_to(int) const override { return -1; }
  int party_member_count(int) const override { return 0; }
  int party_prisoner_count(int) const override { return 0; }
  int party_companion_limit(int) const override { return 0; }
  int party_prisoner_limit(int) const override { return 0; }
  int party_stack_count(int) const override { return 0; }
  int party_stack_troop(int, int) const override { return -1; }
  script_troop_stack party_stack(int, int) const override { return {}; }
  ruv_string party_display_name(int) const override { return {}; }
  int party_template_of(int) const override { return -1; }
  script_record_data* party_record_data(int) override { return nullptr; }
  int party_skill_level(int, int) const override { return 0; }
  void count_party_troops_with_attached(int, int& members, int& wounded) const override {
    members = 0;
    wounded = 0;
  }
  int count_troops_by_flags(int, int) const override { return 0; }
  int add_troops_to_party(int, int, int, bool) override { return 0; }
  void add_troops_to_stacks(int, int, int, bool) override {}
  int remove_troops_from_party(int, int, int, bool, bool) override { return 0; }
  bool insert_first_stack(int, int, int) override { return false; }
  void clear_party_stacks(int) override {}
  void add_wounded_to_troop(int, int, int) override {}
  void join_party(int, int, bool) override {}
  void remove_party(int) override {}
  int create_party_for_troop(int, float, float) override { return -1; }
  bool engage_party(int, int) override { return false; }
  void mark_faction_parties_changed(int) override {}
  void heal_party(int) override {}
  int stack_seed(int, int) const override { return 0; }
  void add_xp_to_stack(int, int, int) override {}
  void give_party_xp_and_upgrade(int, float, int) override {}
  void share_party_xp(int, float) override {}
  void inflict_casualties(int, int, int) override {}
  void distribute_party_members(int, int) override {}
  void copy_party_members(int, int) override {}
  void add_template_members(int, int, bool) override {}
  int spawn_party_near(int, float, float, float) override { return -1; }
  bool attach_party(int, int) override { return false; }
  void detach_party(int) override {}
  void attach_party_by_kind(int, int) override {}
  void leave_battle(int) override {}
  int battle_opponent(int) const override { return -1; }
  void set_battle_value(int, float) override {}
  void set_party_flags(int, std::uint64_t, bool) override {}
  void set_party_second_icon(int, int) override {}
  void set_party_faction(int, int) override {}
  void set_party_name(int, const ruv_string&) override {}
  void set_party_text(int, const ruv_string&) override {}
  int party_terrain(int) const override { return 0; }
  bool set_party_position(int, float, float) override { return false; }
  void place_party_near(int, float, float, float) override {}
  vec3 random_reachable_map_point(float x, float y, float) const override { return {x, y, 0.0f}; }
  bool random_map_point_of_terrain(float x, float y, float, bool, vec3& out) const override {
    out = vec3(x, y, 0.0f);
    return false;
  }
  void set_party_ai_behaviour(int, int) override {}
  void set_party_ai_target_party(int, int) override {}
  void set_party_ai_target_position(int, float, float) override {}
  void set_party_ai_value(int, float) override {}
  void set_party_ai_mode(int, int) override {}
  void set_party_attack_delay(int, float) override {}
  float party_share(int, int) const override { return 0.0f; }
  void set_party_share(int, int, float) override {}
  void copy_second_share(int, int) override {}
  bool add_party_particle_system(int, int) override { return false; }
  void clear_party_particle_systems(int) override {}
  void set_party_strength_bounds(float, float) override {}
  void add_troop_experience(int, int) override {}
  void set_item_kind_factor(int, float) override {}
  void set_item_type_factor(int, float) override {}

 private:
  game_script_words words_;
};

class null_mission_host final : public script_mission_host {
 public:
  int agent_slot_count() const override { return 0; }
  bool agent_slot_in_use(int) const override { return false; }
  int first_live_agent() const override { return 0; }
  int next_live_agent(int) const override { return 0; }
  int scene_prop_instance_count() const override { return 0; }
  slot_vector* agent_slots(int) override { return nullptr; }
  int agent_troop(int) const override { return -1; }
  int mission_value() const override { return 0; }
  bool event_object_position(int, vec3&) const override { return false; }
  bool ground_height_in_scene(float, float, float&) const override { return false; }
  int player_agent() const override { return -1; }
  int agent_state(int) const override { return 0; }
  int agent_team(int) const override { return -1; }
  int team_member_count(int) const override { return 0; }
  int team_relation(int, int) const override { return 0; }
  float seconds_since_reference() const override { return 0.0f; }
  void heal_agent(int) override {}
  bool has_mission() const override { return false; }
  void clear_spawn_flags() override {}
  void count_spawn_group_agents(int, int) override {}
};

class null_ui_host final : public script_ui_host {
 public:
  void add_message_line(std::string_view, std::uint32_t) override {}
  void post_pending_message(std::string_view, std::uint32_t) override {}
  int top_window() const override { return -1; }
  void push_window(int) override {}
  vec3 mouse_position() const override { return {}; }
  void set_message_list_flag(bool) override {}
  void set_message_text(std::string_view, std::uint32_t) override {}
  void set_notice(const ruv_string&, const ruv_string&) override {}
  void set_question(const ruv_string&, const ruv_string&, const ruv_string&, std::int32_t*) override {}
  void reset_window_entries() override {}
  void set_window(int) override {}
};

class null_render_host final : public script_render_host {
 public:
  int tableau_count() const override { return 0; }
};

// The engine's log, settings, sound player, keys and key bindings, and the
// text token expander, and the clock table.
class default_engine_host final : public script_engine_host {
 public:
  void log_line(std::string_view text) override {
    std::string line(text);
    line += '\n';
    hm::log_line(line);
  }
  bool enable_edit_mode() const override { return g_ruv_config.enable_edit_mode != 0; }
  bool disable_sound() const override { return g_ruv_config.disable_sound != 0; }
  bool disable_music() const override { return g_ruv_config.disable_music != 0; }
  std::int64_t clock_ticks(int clock) const override {
    return clock >= 0 && clock < clock_count ? hm::clock_ticks(clock) : 0;
  }
  void play_sound(int sound, std::uint32_t flags, const vec3& position) override {
    g_sound_manager.play_sound(sound, flags, position);
  }
  void stop_all_sounds() override { g_sound_manager.stop_all_sounds(); }
  void play_engine_sound(int slot) override { g_sound_manager.play_sound_in_slot(slot, sound_play_flat, vec3()); }
  bool is_key_down(int key_code) const override { return g_input_state.is_key_down(key_code); }
  bool is_key_clicked(int key_code) const override { return g_input_state.is_key_clicked(key_code); }
  int control_key(int control, int which) const override {
    if (control < 0 || control >= key_bindings::control_count || which < 0 || which > 1) return -1;
    return g_key_bindings.keys[control][which];
  }
  ruv_string expand_text_tokens(const ruv_string& token) override { return hm::expand_text_tokens(token); }
  void append_expanded_token(std::string_view token, ruv_string& out) override {
    append_text_token(token, script_text_token_source(), out);
  }
};

null_module_host g_null_module;
null_campaign_host g_null_campaign;
null_mission_host g_null_mission;
null_ui_host g_null_ui;
null_render_host g_null_render;
default_engine_host g_default_engine;

script_host with_stand_ins(const script_host& host) {
  script_host filled = host;
  if (!filled.module) filled.module = &g_null_module;
  if (!filled.campaign) filled.campaign = &g_null_campaign;
  if (!filled.mission) filled.mission = &g_null_mission;
  if (!filled.ui) filled.ui = &g_null_ui;
  if (!filled.render) filled.render = &g_null_render;
  if (!filled.engine) filled.engine = &g_default_engine;
  return filled;
}

}  // namespace

namespace detail {
script_host g_current_script_host = with_stand_ins(script_host{});
}

script_host set_script_host(const script_host& host) {
  script_host old = detail::g_current_script_host;
  detail::g_current_script_host = with_stand_ins(host);
  return old;
}

}  // namespace hm
