#pragma once
// What the campaign needs of its neighbours, one small interface each: the
// module's world tables (troops, skills, item kinds) and the world map (map
// entities and map faces). The game's owner binds the real tables; tests bind
// fakes.
#include <cstdint>

#include "engine/core/ruv_string.h"

namespace hm {

struct party;

// Troop flag bits the campaign tests.
inline constexpr std::uint64_t troop_flag_hero = 0x10;
inline constexpr std::uint64_t troop_flag_mounted = 0x400;

// Item types and modifiers the campaign tests.
inline constexpr int item_type_horse = 1;
inline constexpr int item_modifier_lame = 30;
inline constexpr int item_modifier_large_bag = 42;

// An item in a troop's slot: the kind (-1 empty) and its word (low byte:
// servings used; top byte: the modifier).
struct campaign_item {
  std::int32_t kind = -1;
  std::uint32_t word = 0;
};

// The module's world tables as the campaign reads and changes them. Every
// troop and item-kind index passed in is within its table's count.
class campaign_world {
 public:
  virtual ~campaign_world() = default;

  virtual int troop_count() const = 0;
  virtual std::uint64_t troop_flags(int troop) const = 0;
  virtual int troop_level(int troop) const = 0;
  virtual int troop_faction(int troop) const = 0;
  // The troop's name in the current language, else its own name.
  virtual ruv_string troop_name(int troop) const = 0;
  // The stored level of a skill, and the level with the module's modifier.
  virtual int troop_skill_level(int troop, int skill) const = 0;
  virtual int troop_effective_skill_level(int troop, int skill) const = 0;
  // The troop it upgrades to, and the second choice; 0 when none.
  virtual int troop_upgrade(int troop) const = 0;
  virtual int troop_second_upgrade(int troop) const = 0;
  // The word a leader adds to the party's companion limit.
  virtual int troop_companion_bonus(int troop) const = 0;
  virtual int troop_strength(int troop) const = 0;
  // Hit points of a hero.
  virtual float troop_health(int troop) const = 0;
  virtual void set_troop_health(int troop, float health) = 0;
  // Experience for a hero, with its level-up messages.
  virtual void add_troop_experience(int troop, int experience) = 0;

  // The food slot and the inventory slots of a troop.
  virtual campaign_item troop_food(int troop) const = 0;
  virtual void set_troop_food(int troop, campaign_item item) = 0;
  virtual int troop_inventory_size(int troop) const = 0;
  virtual campaign_item troop_inventory_item(int troop, int slot) const = 0;
  virtual void set_troop_inventory_item(int troop, int slot, campaign_item item) = 0;

  // The relation of one faction towards another, -1 to 1; 0 when either lies
  // outside the faction table.
  virtual float faction_relation(int faction_a, int faction_b) const = 0;

  // A skill's maximum level.
  virtual int skill_maximum_level(int skill) const = 0;

  virtual int item_kind_count() const = 0;
  virtual int item_kind_type(int kind) const = 0;
  virtual int item_kind_max_amount(int kind) const = 0;
  virtual int item_kind_food_quality(int kind) const = 0;
  virtual float item_kind_weight(int kind) const = 0;
  // An item's full hit points with its modifier applied.
  virtual int item_max_hit_points(campaign_item item) const = 0;
};

// The world map's side of a party: its strategic entity with the label, and
// the map faces under positions.
class campaign_map {
 public:
  virtual ~campaign_map() = default;
  // Creates the party's map entity and label and places the party on the map.
  virtual void create_map_entity(party& p) = 0;
  // Takes the party's entity off the world map scene and frees it.
  virtual void remove_map_entity(party& p) = 0;
  // The id of the map face under a point, -1 when none.
  virtual int find_map_face(float x, float y) const = 0;
  // True when a party can walk from one face to the other.
  virtual bool map_faces_are_linked(int face_a, int face_b) const = 0;
  // The terrain value of a face (class in the low three bits: 0 water, 2 to
  // 6 land; 7 the shore, both).
  virtual int map_face_terrain(int face) const = 0;
  // Attaches a particle system of a kind to the party's map entity; its id,
  // -1 when the party has no entity.
  virtual int add_party_particle_system(party& p, int kind) = 0;
  // Frees the particle systems of the party's entity.
  virtual void clear_party_particle_systems(party& p) = 0;
};

}  // namespace hm
