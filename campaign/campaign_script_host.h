#pragma once
// The script engine's campaign neighbour served by a running game: the party
// pool in its loop order, the parties' stacks, flags and positions, the
// player's party and troop, the game's script words and its calendar.
#include <functional>

#include "campaign/campaign_state.h"
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
  bool debug_break(ruv_string&, int&) const override { return false; }
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
  int party_template_of(int party_id) const override;
  script_record_data* party_record_data(int party_id) override;
  int party_skill_level(int party_id, int skill) const override;
  void count_party_troops_with_attached(int party_id, int& members, int& wounded) const override;
  int count_troops_by_flags(int party_id, int flags) const override;

 private:
  const party* find(int party_id) const { return campaign_.find_party(party_id); }
  party* find(int party_id) { return campaign_.find_party(party_id); }
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
