#pragma once
// Troops (troops.txt): every character and soldier type of the module, with
// attributes, skills, proficiencies, inventory and equipment. The equipment
// rules (what fits which slot, auto_equip) and the point distribution and
// refresh of a new game work on these records.
#include <array>
#include <cstdint>
#include <vector>

#include "engine/core/ruv_string.h"
#include "module/records/item_kind.h"

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
  // Defined out of line, so a record made in a table (emplace_back) starts
  // from its members' initializers without first zero-filling the whole record.
  troop();

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
  // Module code's slots, notes and tableau material.
  script_record_data script_data;

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

  // --- what module code changes (troop_development.cpp) -----------------------------
  // The skin index, flag bits 0..3.
  int get_skin() const { return static_cast<int>(flags & 0xF); }
  void set_skin(int skin) { flags = (flags & ~std::uint64_t{0xF}) | static_cast<std::uint64_t>(skin & 15); }
  // The hit points a troop may have with its strength and the hit-point skill.
  // Stores the attribute held to 0 .. 100, then lowers the hit points to the
  // maximum.
  void set_attribute(int attribute, int value);
  // |delta| single steps, each made only while the value stays within 0 .. 63;
  // a step of intelligence adds a skill point, one of strength a hit point.
  void raise_attribute(int attribute, int delta);
  // Stores a level held to 0 .. the skill's maximum; a rise of the hit-point
  // skill adds 2 hit points a level; then the hit points are lowered to the
  // maximum.
  void change_skill_level(int skill, int value);
  // The current (capped) level plus delta, through change_skill_level.
  void raise_skill(int skill, int delta);
  // The value a proficiency grows to from v by a gain g, with diminishing
  // returns above the limit that the weapon-master skill sets.
  float compute_proficiency_gain(float v, float g) const;
  // The proficiency grown by the gain, held to 0 .. 1000.
  void add_proficiency_points(int proficiency, float gain);
  // The proficiency plus delta, held to 0 .. 1000.
  void raise_proficiency(int proficiency, int delta);
  // ((entry & 255) << 16) | scene; the scene is not masked.
  int set_scene_placement(int scene, int entry);
  // Gold added (held to the 32-bit range) or taken (never below 0).
  void add_gold(std::int64_t amount);
  void take_money(std::int64_t amount);

  // --- the inventory (troop_inventory.cpp) -------------------------------------------
  // Every inventory entry's kind becomes -1 (the words stay); returns 96.
  int clear_inventory();
  // The number of leading non-empty inventory entries.
  int count_used_inventory() const;
  // The items moved to the front in their order, then ordered by kind (highest
  // first) and modifier price factor (highest first).
  void pack_inventory();
  // Packed, then the most valuable first, equal values by ascending kind.
  void sort_inventory();
  // Empties random entries holding items that are not unique (at most 200
  // draws) until n entries are empty; then packs the inventory.
  void free_inventory_slots(int n);
  // Stocks a merchant with up to n random goods of an item type that merchants
  // sell, each with a random modifier for the merchandise quality; at most
  // 10,000 draws of a kind.
  void add_merchandise(int item_type, int n, float quality);
  // Copies the source's always-copied goods into the first empty inventory
  // entries, then up to ten random goods by their price, the source's level and
  // percent. Entries holding something are never overwritten.
  void copy_merchandise(const troop& source, int percent);
  // Empties up to count items of the kind (the inventory first, then with
  // include_equipment the equipment); returns their total value.
  std::int32_t remove_items(int kind, int count, bool include_equipment);
  // The first empty inventory entry (below the capacity) receives the kind
  // with a full amount and the modifier (when 0..42); false when none is empty.
  bool put_item(int kind, int modifier);
  // The inventory slot's item by script slot number (0..9 equipment, 10 on
  // the inventory); null outside 0 .. capacity + 9.
  item* find_item_slot(int slot);
  const item* find_item_slot(int slot) const;
};

// What became of an item handed to a troop by add_item_displacing.
enum class item_placement {
  placed,     // in an empty inventory entry
  displaced,  // a unique item took the entry of an item that is not unique
  dropped,    // no room: the item was not unique
  no_room,    // a unique item, and every entry holds a unique item
};

// Gives a troop an item: the first empty entry, else, for a unique kind, the
// entry of the first item that is not unique (that item is lost), else
// nothing. The kind must be a valid item kind.
item_placement add_item_displacing(troop& t, int kind, int modifier);

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
// Never removed at random nor displaced by another item.
inline constexpr std::uint32_t unique = 0x1000;
// Always copied into a merchant's stock.
inline constexpr std::uint32_t always_copied = 0x2000;
inline constexpr std::uint32_t merchandise = 0x10000;
inline constexpr std::uint32_t fits_goods_slot = 0x80000;
inline constexpr std::uint32_t no_shield = 0x200000;
inline constexpr std::uint32_t hero_required = 0x20000000;
inline constexpr std::uint32_t hero_forbidden = 0x80000000;
}  // namespace item_flag

// Refills a used item: ammunition-like items lose n used shots (all for n of 0
// or less), shields, horses and type 19 get their full hit points.
void replenish_item(item& it, int n);

}  // namespace hm
