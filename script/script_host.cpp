#include "script/script_host.h"

#include <string>

#include "engine/app/input_state.h"
#include "engine/audio/sound_manager.h"
#include "engine/settings/key_bindings.h"
#include "engine/core/log.h"
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
  int party_template_of(int) const override { return -1; }
  script_record_data* party_record_data(int) override { return nullptr; }
  int party_skill_level(int, int) const override { return 0; }
  void count_party_troops_with_attached(int, int& members, int& wounded) const override {
    members = 0;
    wounded = 0;
  }
  int count_troops_by_flags(int, int) const override { return 0; }

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
};

class null_ui_host final : public script_ui_host {
 public:
  void add_message_line(std::string_view, std::uint32_t) override {}
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
// text token expander; clocks are wired in when their owner is.
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
  std::int64_t clock_ticks(int) const override { return 0; }
  void play_sound(int sound, std::uint32_t flags, const vec3& position) override {
    g_sound_manager.play_sound(sound, flags, position);
  }
  void stop_all_sounds() override { g_sound_manager.stop_all_sounds(); }
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
