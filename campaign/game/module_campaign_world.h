#pragma once
// The campaign's view of the running game's world tables: the game object's
// troops, the global skill table and the module's item kinds.
#include "campaign/party/campaign_world.h"

namespace hm {

class game;
struct campaign_state;

class module_campaign_world final : public campaign_world {
 public:
  explicit module_campaign_world(game& g) : game_(g) {}

  int troop_count() const override;
  std::uint64_t troop_flags(int troop) const override;
  int troop_level(int troop) const override;
  int troop_faction(int troop) const override;
  ruv_string troop_name(int troop) const override;
  int troop_skill_level(int troop, int skill) const override;
  // The capped level, with what the module's skill-modifier hook adds when
  // it answers.
  int troop_effective_skill_level(int troop, int skill) const override;
  int troop_upgrade(int troop) const override;
  int troop_second_upgrade(int troop) const override;
  int troop_companion_bonus(int troop) const override;
  int troop_strength(int troop) const override;
  float troop_health(int troop) const override;
  void set_troop_health(int troop, float health) override;
  void add_troop_experience(int troop, int experience) override;
  campaign_item troop_food(int troop) const override;
  void set_troop_food(int troop, campaign_item item) override;
  int troop_inventory_size(int troop) const override;
  campaign_item troop_inventory_item(int troop, int slot) const override;
  void set_troop_inventory_item(int troop, int slot, campaign_item item) override;
  float faction_relation(int faction_a, int faction_b) const override;
  int skill_maximum_level(int skill) const override;
  int item_kind_count() const override;
  int item_kind_type(int kind) const override;
  int item_kind_max_amount(int kind) const override;
  int item_kind_food_quality(int kind) const override;
  float item_kind_weight(int kind) const override;
  int item_max_hit_points(campaign_item item) const override;

  // The campaign whose player's party hears of its troops' level-ups.
  void set_campaign(const campaign_state* campaign) { campaign_ = campaign; }

 private:
  game& game_;
  const campaign_state* campaign_ = nullptr;
};

}  // namespace hm
