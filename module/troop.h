#pragma once
// Troops (troops.txt): every character and soldier type of the module, with
// attributes, skills, proficiencies, inventory and equipment. The equipment
// rules (what fits which slot, auto_equip) and the point distribution and
// refresh of a new game work on these records.
#include <array>
#include <cstdint>
#include <vector>

#include "engine/core/ruv_string.h"
#include "module/item_kind.h"

namespace hm {

class text_reader;

inline constexpr int troop_inventory_size = 96;
inline constexpr int troop_file_inventory_size = 64;
inline constexpr int troop_equipment_slots = 10;
inline constexpr int troop_skill_words = 6;
inline constexpr int troop_proficiency_count = 7;
inline constexpr int troop_attribute_count = 4;
// Levels 0 .. 63 have an entry in the level table; troops are held to 1 .. 63.
inline constexpr int max_troop_level = 63;

// Equipment slots.
namespace equipment_slot {
inline constexpr int weapon_0 = 0;
inline constexpr int weapon_3 = 3;
inline constexpr int head = 4;
inline constexpr int body = 5;
inline constexpr int foot = 6;
inline constexpr int hand = 7;
inline constexpr int horse = 8;
inline constexpr int goods = 9;
}  // namespace equipment_slot

// Troop flags.
namespace troop_flag {
inline constexpr std::uint64_t hero = 0x10;
inline constexpr std::uint64_t keep_equipment = 0x20;
inline constexpr std::uint64_t random_face = 0x8000;
inline constexpr std::uint64_t cheapest_foot = 0x100000;
inline constexpr std::uint64_t cheapest_body = 0x200000;
inline constexpr std::uint64_t cheapest_head = 0x400000;
inline constexpr std::uint64_t cheapest_hand = 0x800000;
inline constexpr std::uint64_t cheapest_horse = 0x1000000;
inline constexpr std::uint64_t cheapest_shield = 0x2000000;
inline constexpr std::uint64_t cheapest_first_ranged = 0x4000000;
}  // namespace troop_flag

// Experience needed for each level 0 .. 63.
extern const std::array<std::int32_t, max_troop_level + 1> g_level_table;

struct troop {
  ruv_string name;         // underscores read as blanks
  ruv_string plural_name;  // underscores read as blanks
  ruv_string id;
  std::uint64_t flags = 0;
  std::int32_t reserved = 0;
  std::int32_t spare_words[2] = {0, 0};
  std::int32_t faction = 0;
  std::int32_t upgrade_troop_1 = 0;
  std::int32_t upgrade_troop_2 = 0;
  // strength, agility, intelligence, charisma
  std::array<std::int32_t, troop_attribute_count> attributes{};
  // 48 four-bit skill levels: skill n in word n / 8 at bits 4 x (n mod 8).
  std::array<std::uint32_t, troop_skill_words> skill_words{};
  std::array<float, troop_proficiency_count> proficiencies{};
  std::int32_t experience = 0;
  float max_hit_points = 0.0f;
  std::int32_t skill_points = 0;
  std::int32_t attribute_points = 0;
  std::int32_t proficiency_points = 0;
  std::int32_t level = 1;
  std::array<item, troop_inventory_size> inventory{};
  std::int32_t gold = 0;
  // Low 16 bits: the scene the troop stands in.
  std::int32_t scene_placement = -1;
  std::array<std::uint64_t, 4> face_code_1{};
  std::array<std::uint64_t, 4> face_code_2{};
  std::array<ruv_string, 8> run_time_strings;
  std::int32_t run_time_word = -1;
  std::array<item, troop_equipment_slots> equipment{};
  std::vector<std::int32_t> run_time_values;

  // The record in file order: id, names, flags, placement, reserved, faction,
  // upgrades, 64 inventory pairs, attributes, level (held to 1 .. 63; the
  // experience is drawn within the level), proficiencies, skill words, face
  // codes. The equipment is emptied and the hit points computed.
  void read(text_reader& reader);

  bool is_hero() const { return (flags & troop_flag::hero) != 0; }
  int strength() const { return attributes[0]; }

  // The four-bit level of a skill (0 outside 0 .. 47), and the same capped at
  // the skill's maximum level of the skill table.
  int get_raw_skill_level(int skill) const;
  int get_skill_level(int skill) const;
  // Stores a level (held to 0 .. 15) into the skill's field.
  void set_skill_level(int skill, int level);
  int get_proficiency(int n) const;
  // (level + 10) squared, times 0.1, truncated.
  int get_level_xp_value() const;
  // strength + 35 + 2 x the capped level of the hit-point skill.
  int get_max_hit_points() const;
  // 90 for a non-hero; for a hero 30 + 6 x the inventory skill's level up to
  // level 9, 96 above.
  int get_inventory_capacity() const;

  // --- equipment rules -------------------------------------------------------------
  // The troop's strength when the kind needs an attribute, the needed skill's
  // level when it needs a skill, else 0.
  int get_requirement_value_for_item(const item_kind& kind) const;
  // Whether the item may go into the equipment slot: a hero must meet its
  // difficulty, and the item's type must fit the slot.
  bool can_equip_item(const item& it, int slot) const;
  int find_free_inventory_slot() const;
  bool store_in_free_slot(const item& it);
  // Moves the slot's item into the first free inventory slot (nothing changes
  // when there is none).
  void clear_equipment_slot_if(int slot);
  void unequip_all();

  // --- refresh -------------------------------------------------------------------------
  // Ammunition used counts to 0, shields, horses and type 19 to full hit
  // points; with consumables_only only arrows, bolts, thrown weapons and
  // shields. Kind 0 is never touched.
  void restore_items(bool consumables_only);
  // Crossbows and firearms loaded.
  void reset_ranged_loads();
  void spend_attribute_points();
  // Spends the points the troop's level gives over its attributes and skills,
  // at random.
  void distribute_points();
};

// An item kind's needs: attribute (0 strength) or skill, -1 for none; the
// proficiency is always -1.
struct item_requirement {
  int attribute = -1;
  int skill = -1;
  int proficiency = -1;
};
item_requirement get_item_requirement(const item_kind& kind);

// Item flag bits the equipment rules read.
namespace item_flag {
inline constexpr std::uint32_t fits_goods_slot = 0x80000;
inline constexpr std::uint32_t no_shield = 0x200000;
inline constexpr std::uint32_t hero_required = 0x20000000;
inline constexpr std::uint32_t hero_forbidden = 0x80000000;
}  // namespace item_flag

// Refills a used item: ammunition-like items lose n used shots (all for n of 0
// or less), shields, horses and type 19 get their full hit points.
void replenish_item(item& it, int n);

}  // namespace hm
