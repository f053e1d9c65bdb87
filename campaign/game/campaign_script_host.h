#pragma once
// The script engine's campaign neighbour served by a running game: the party
// pool in its loop order, the parties' stacks, flags and positions, the
// player's party and troop, the game's script words and its calendar.
#include <functional>

#include "campaign/party/campaign_state.h"
#include "script/script_host.h"

namespace hm {

class game;

class campaign_script_host final : public script_campaign_host {
 public:
  campaign_script_host(campaign_state& campaign, game& g) : campaign_(campaign), game_(g) {}

  // What ends the game when module code asks for it (the game's owner).
  std::function<void()> on_destroy_game;

  int party_end_id() const override;
  int find_party_slot(int party_id) const override;
  int party_slot_state(int slot) const override;
  int first_active_party() const override;
  int next_active_party(int party_id) const override;
  int attached_party_count(int party_id) const override;
  int attached_party(int party_id, int position) const override;

  int player_party() const override;
  int player_troop() const override;
  void set_player_troop(int troop) override;
  int last_dialog_option() const override { return last_dialog_option_; }
  int player_encounter_flag() const override { return encounter_flag_; }
  float campaign_rate(int which) const override;
  void set_campaign_rate(int which, float value) override;
  game_script_words& game_words() override { return words_; }
  void destroy_game() override;
  int current_day() const override;
  int current_hour() const override;
  bool debug_break(ruv_string& script_name, int& line) const override { return words_.break_point(script_name, line); }
  bool rating_reduction() const override { return false; }

  std::uint64_t party_flags(int party_id) const override;
  int party_ai_mode(int party_id) const override;
  int party_ai_target(int party_id) const override;
  vec3 party_map_position(int party_id) const override;
  float party_map_radius(int party_id) const override;
  int party_faction(int party_id) const override;
  int party_attached_to(int party_id) const override;
  int party_member_count(int party_id) const override;
  int party_prisoner_count(int party_id) const override;
  int party_companion_limit(int party_id) const override;
  int party_prisoner_limit(int party_id) const override;
  int party_stack_count(int party_id) const override;
  int party_stack_troop(int party_id, int stack) const override;
  script_troop_stack party_stack(int party_id, int stack) const override;
  ruv_string party_display_name(int party_id) const override;
  int party_template_of(int party_id) const override;
  script_record_data* party_record_data(int party_id) override;
  int party_skill_level(int party_id, int skill) const override;
  void count_party_troops_with_attached(int party_id, int& members, int& wounded) const override;
  int count_troops_by_flags(int party_id, int flags) const override;

  int add_troops_to_party(int party_id, int troop, int count, bool prisoners) override;
  void add_troops_to_stacks(int party_id, int troop, int count, bool prisoners) override;
  int remove_troops_from_party(int party_id, int troop, int count, bool prisoners, bool wounded_first) override;
  bool insert_first_stack(int party_id, int troop, int count) override;
  void clear_party_stacks(int party_id) override;
  void add_wounded_to_troop(int party_id, int troop, int delta) override;
  void join_party(int partner_id, int host_id, bool as_prisoners) override;
  void remove_party(int party_id) override;
  int create_party_for_troop(int troop, float x, float y) override;
  // Fills the game's encounter words when the player's party is one of the
  // two.
  bool engage_party(int party_a, int party_b) override;
  void mark_faction_parties_changed(int faction) override;
  void heal_party(int party_id) override;
  int stack_seed(int party_id, int stack) const override;
  void add_xp_to_stack(int party_id, int stack, int experience) override;
  void give_party_xp_and_upgrade(int party_id, float experience, int path) override;
  void share_party_xp(int party_id, float experience) override;
  void inflict_casualties(int party_id, int count, int recorder) override;
  void distribute_party_members(int source_id, int party_id) override;
  void copy_party_members(int source_id, int party_id) override;
  void add_template_members(int party_id, int party_template, bool as_prisoners) override;
  int spawn_party_near(int party_template, float x, float y, float radius) override;
  bool attach_party(int party_id, int host_id) override;
  void detach_party(int party_id) override;
  // Nothing for the player's party or the encounter's, or while the game's
  // switch is off; any kind but 0, 1 and 2 only detaches.
  void attach_party_by_kind(int party_id, int kind) override;
  void leave_battle(int party_id) override;
  int battle_opponent(int party_id) const override;
  void set_battle_value(int party_id, float value) override;
  void set_party_flags(int party_id, std::uint64_t flags, bool rebuild_entity) override;
  void set_party_second_icon(int party_id, int icon) override;
  void set_party_faction(int party_id, int faction) override;
  void set_party_name(int party_id, const ruv_string& name) override;
  void set_party_text(int party_id, const ruv_string& text) override;
  int party_terrain(int party_id) const override;
  bool set_party_position(int party_id, float x, float y) override;
  void place_party_near(int party_id, float x, float y, float radius) override;
  vec3 random_reachable_map_point(float x, float y, float radius) const override;
  bool random_map_point_of_terrain(float x, float y, float radius, bool water, vec3& out) const override;
  void set_party_ai_behaviour(int party_id, int behaviour) override;
  void set_party_ai_target_party(int party_id, int target) override;
  void set_party_ai_target_position(int party_id, float x, float y) override;
  void set_party_ai_value(int party_id, float value) override;
  void set_party_ai_mode(int party_id, int mode) override;
  void set_party_attack_delay(int party_id, float hours) override;
  float party_share(int party_id, int which) const override;
  void set_party_share(int party_id, int which, float share) override;
  void copy_second_share(int from_party, int to_party) override;
  bool add_party_particle_system(int party_id, int kind) override;
  void clear_party_particle_systems(int party_id) override;
  void set_party_strength_bounds(float lo, float hi) override;
  void add_troop_experience(int troop, int experience) override;
  void set_item_kind_factor(int kind, float factor) override;
  void set_item_type_factor(int type, float factor) override;
  std::int32_t party_word(int party_id, int word) const override;
  vec3 party_target_point(int party_id) const override;

 private:
  const party* find(int party_id) const { return campaign_.find_party(party_id); }
  party* find(int party_id) { return campaign_.find_party(party_id); }
  // The map entity made anew after a change of what it shows.
  void rebuild_map_entity(party& p);
  // Game hours since the campaign began.
  double game_hours() const;

  campaign_state& campaign_;
  game& game_;
  game_script_words words_;
  int last_dialog_option_ = 0;
  int encounter_flag_ = 0;
  float rates_[2] = {0.0f, 0.0f};
};

}  // namespace hm
