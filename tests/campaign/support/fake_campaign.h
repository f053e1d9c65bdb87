#pragma once
// A small world for the campaign tests: troops, skills and item kinds held in
// plain vectors, and a world map of two regions (x below 0 and x from 0) whose
// faces are linked only within a region.
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "campaign/party/campaign_state.h"

namespace hm::test {

struct fake_troop {
  std::uint64_t flags = 0;
  int level = 0;
  int faction = 0;
  std::string name = "troop";
  std::array<int, 42> skills{};
  int upgrade = 0;
  int second_upgrade = 0;
  int companion_bonus = 0;
  int strength = 10;
  float health = 50.0f;
  int experience = 0;
  campaign_item food;
  std::vector<campaign_item> inventory;
};

struct fake_item_kind {
  int type = 0;
  int max_amount = 0;
  int food_quality = 0;
  int hit_points = 0;
  float weight = 0.0f;
};

class fake_world final : public campaign_world {
 public:
  std::vector<fake_troop> troops;
  std::vector<fake_item_kind> item_kinds;
  int skill_maximum = 10;

  // Adds a troop and returns its index.
  int add(fake_troop t) {
    troops.push_back(std::move(t));
    return static_cast<int>(troops.size()) - 1;
  }
  int add_regular(int level = 0, int upgrade = 0) {
    fake_troop t;
    t.level = level;
    t.upgrade = upgrade;
    return add(t);
  }
  int add_hero(int level = 0, float health = 50.0f) {
    fake_troop t;
    t.flags = troop_flag_hero;
    t.level = level;
    t.health = health;
    return add(t);
  }

  int troop_count() const override { return static_cast<int>(troops.size()); }
  std::uint64_t troop_flags(int t) const override { return troops[t].flags; }
  int troop_level(int t) const override { return troops[t].level; }
  int troop_faction(int t) const override { return troops[t].faction; }
  ruv_string troop_name(int t) const override { return ruv_string(troops[t].name); }
  int troop_skill_level(int t, int s) const override { return troops[t].skills[s]; }
  int troop_effective_skill_level(int t, int s) const override { return troops[t].skills[s]; }
  int troop_upgrade(int t) const override { return troops[t].upgrade; }
  int troop_second_upgrade(int t) const override { return troops[t].second_upgrade; }
  int troop_companion_bonus(int t) const override { return troops[t].companion_bonus; }
  int troop_strength(int t) const override { return troops[t].strength; }
  float troop_health(int t) const override { return troops[t].health; }
  void set_troop_health(int t, float h) override { troops[t].health = h; }
  void add_troop_experience(int t, int xp) override { troops[t].experience += xp; }
  campaign_item troop_food(int t) const override { return troops[t].food; }
  void set_troop_food(int t, campaign_item item) override { troops[t].food = item; }
  int troop_inventory_size(int t) const override { return static_cast<int>(troops[t].inventory.size()); }
  campaign_item troop_inventory_item(int t, int slot) const override { return troops[t].inventory[slot]; }
  void set_troop_inventory_item(int t, int slot, campaign_item item) override { troops[t].inventory[slot] = item; }
  // Relations by (faction, faction); 0 for a pair not given.
  std::map<std::pair<int, int>, float> relations;
  float faction_relation(int a, int b) const override {
    const auto it = relations.find({a, b});
    return it == relations.end() ? 0.0f : it->second;
  }
  int skill_maximum_level(int) const override { return skill_maximum; }
  int item_kind_count() const override { return static_cast<int>(item_kinds.size()); }
  int item_kind_type(int k) const override { return item_kinds[k].type; }
  int item_kind_max_amount(int k) const override { return item_kinds[k].max_amount; }
  int item_kind_food_quality(int k) const override { return item_kinds[k].food_quality; }
  float item_kind_weight(int k) const override { return item_kinds[k].weight; }
  // The kind's own hit points; the fakes' modifiers change nothing.
  int item_max_hit_points(campaign_item item) const override { return item_kinds[item.kind].hit_points; }
};

class fake_map final : public campaign_map {
 public:
  std::vector<std::int32_t> created;
  std::vector<std::int32_t> removed;

  void create_map_entity(party& p) override {
    created.push_back(p.id);
    p.map_entity = reinterpret_cast<party_map_entity*>(&p);
  }
  void remove_map_entity(party& p) override { removed.push_back(p.id); }
  // Region 1 west of x = 0, region 2 east of it; nothing beyond |x|, |y| > 100.
  int find_map_face(float x, float y) const override {
    if (x < -100.0f || x > 100.0f || y < -100.0f || y > 100.0f) return -1;
    return x < 0.0f ? 1 : 2;
  }
  // Faces from which a party can walk nowhere, not even within the face.
  std::vector<int> stranded_faces;
  bool map_faces_are_linked(int a, int b) const override {
    for (int f : stranded_faces)
      if (f == a || f == b) return false;
    return a >= 0 && a == b;
  }
  // The west is land, the east water.
  int map_face_terrain(int face) const override { return face == 1 ? 2 : 0; }
  std::vector<std::pair<std::int32_t, int>> particle_systems;
  int add_party_particle_system(party& p, int kind) override {
    if (p.map_entity == nullptr) return -1;
    particle_systems.push_back({p.id, kind});
    return static_cast<int>(particle_systems.size()) - 1;
  }
  int cleared_particle_systems = 0;
  void clear_party_particle_systems(party&) override { ++cleared_particle_systems; }
};

// A world, a map and a campaign over them, with the random source seeded and
// the clocks at 0.
struct campaign_fixture {
  campaign_fixture();
  ~campaign_fixture();
  fake_world world;
  fake_map map;
  campaign_state game{world, map};

  // A new active party (reset, no members).
  party& new_party();
  // Stacks as (troop, count, prisoner) in order.
  static std::vector<std::array<int, 3>> stacks_of(const party& p);
};

}  // namespace hm::test
