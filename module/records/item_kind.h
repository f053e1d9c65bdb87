#pragma once
// Item kinds (item_kinds1.txt): every piece of equipment or goods, with its mesh
// variants and statistics, and the `item` that a troop, party or agent owns: a
// kind, a modifier and a small counter. The modifiers (0 to 42) change the
// statistics by fixed amounts that belong to the engine; their names and price
// factors come from Data\item_modifiers.txt.
#include <cstdint>
#include <vector>

#include "engine/core/math.h"
#include "engine/core/ruv_string.h"
#include "script/record_data.h"
#include "script/triggers.h"

namespace hm {

class mesh;
class text_reader;

// The low byte of an item kind's flags.
namespace item_type {
inline constexpr int horse = 1;
inline constexpr int one_handed = 2;
inline constexpr int two_handed = 3;
inline constexpr int polearm = 4;
inline constexpr int arrows = 5;
inline constexpr int bolts = 6;
inline constexpr int shield = 7;
inline constexpr int bow = 8;
inline constexpr int crossbow = 9;
inline constexpr int thrown = 10;
inline constexpr int goods = 11;
inline constexpr int head_armor = 12;
inline constexpr int body_armor = 13;
inline constexpr int foot_armor = 14;
inline constexpr int hand_armor = 15;
inline constexpr int pistol = 16;
inline constexpr int musket = 17;
inline constexpr int bullets = 18;
}  // namespace item_type

inline constexpr int max_item_mesh_variants = 16;
// Modifiers 0 .. 42 exist; any other value stored in an item is no modifier.
inline constexpr int item_modifier_limit = 43;

struct item_mesh_variant {
  ruv_string mesh_name;
  // Bits 0..59: one per modifier for which this variant is shown; bits 60..63:
  // the mesh role (0 the ordinary mesh).
  std::int64_t mask = 0;

  int role() const { return static_cast<int>((static_cast<std::uint64_t>(mask) >> 60) & 15); }
};

// Where a weapon hangs on the body while it is not wielded.
struct carry_frame {
  frame placement = frame::identity();  // in the bone's space
  std::int32_t bone = 0;
  // 0..10; items that share a place are not shown together on a figure.
  std::int32_t place = 0;
};

struct item_kind {
  // Defined out of line, so a record made in a table (emplace_back) starts
  // from its members' initializers without first zero-filling the whole record.
  item_kind();

  ruv_string name;         // underscores read as blanks
  ruv_string plural_name;  // underscores read as blanks
  ruv_string id;
  std::vector<mesh*> meshes;  // resolved by the scene layer; emptied by the reader
  float scale = 1.0f;
  std::int32_t mesh_count = 0;
  item_mesh_variant mesh_variants[max_item_mesh_variants];
  std::uint32_t flags = 0;  // type in the low byte
  // Bits 28..34 hold the carry position code.
  std::uint64_t capabilities = 0;
  std::int32_t value = 10;
  std::uint64_t allowed_modifiers = 0;  // bit m: modifier m may occur
  std::int32_t hit_points = 0;
  std::int32_t difficulty = 0;
  std::int32_t speed_rating = 0;   // also a horse's maneuver
  std::int32_t missile_speed = 0;  // also a horse's speed
  // Not in the file: a count the running game keeps on the kind, emptied when
  // a new game starts.
  std::int32_t game_count = 0;
  std::int32_t head_armor = 0;
  std::int32_t body_armor = 0;
  std::int32_t leg_armor = 0;  // also a ranged weapon's accuracy
  float weight = 0.0f;
  std::int32_t weapon_length = 0;  // centimetres
  std::int32_t max_ammo = 0;
  // Amount in the low byte, damage type above; the thrust's low byte is also a
  // horse's charge.
  std::int32_t thrust_damage = 0;
  std::int32_t swing_damage = 0;
  float price_factor = 1.0f;  // set by scripts; 1.0 after loading
  std::int32_t abundance = 100;
  float stock_multiplier = 1.0f;  // merchandise amounts; set by scripts
  simple_trigger_list triggers;

  int type() const { return static_cast<int>(flags & 0xFF); }
  bool is_ranged_weapon() const;  // bows, crossbows, thrown weapons, firearms
  bool is_melee_weapon() const;   // one-handed, two-handed, polearms

  // id, name, plural name, the mesh variants (more than 16 is fatal "Error too
  // many variation on mesh %s" with the name), flags, capabilities, value,
  // allowed modifiers, weight, abundance, the three armours, difficulty, hit
  // points, speed rating, missile speed, weapon length, maximum ammunition,
  // thrust and swing damage; then, in files of version 2 and above, the simple
  // triggers ("Item <id>").
  void read(text_reader& reader, std::int32_t version);

  // The ordinary mesh for a modifier: the first role-0 variant, replaced by the
  // last role-0 variant whose mask holds the modifier's bit; the id when there
  // is no role-0 variant.
  ruv_string get_mesh_name(int modifier) const;
  // The same among the variants of a non-zero role; empty when none has it.
  ruv_string get_mesh_for_role(int role, int modifier) const;
  // The frame, bone and place of the kind's carry position code; the identity
  // frame, bone 0 and place 0 for a code without a position.
  carry_frame get_carry_frame() const;

  // Module code's slots on the kind.
  script_record_data script_data;
};

// What is owned: a kind (-1 an empty slot) and a word whose top byte, read as a
// signed byte, is the modifier. The low byte counts used shots of ammunition
// and ranged weapons; the low 16 bits hold the hit points of horses and shields.
struct item {
  std::int32_t kind = -1;
  std::uint32_t word = 0;

  int modifier() const { return static_cast<std::int8_t>(word >> 24); }
  void set_modifier(int modifier) { word = (word & 0x00FFFFFFu) | (static_cast<std::uint32_t>(modifier & 0xFF) << 24); }
  int used_shots() const { return static_cast<int>(word & 0xFF); }
  int hit_points() const { return static_cast<int>(word & 0xFFFF); }
  void set_hit_points(int hp) {
    word = (word & 0xFFFF0000u) | static_cast<std::uint32_t>(hp < 0 ? 0 : (hp > 0xFFFF ? 0xFFFF : hp));
  }

  // The item's kind record, null for a kind outside the table (no item).
  const item_kind* get_kind() const;

  // Statistics with the modifier applied (see the tables in item_kind.cpp).
  // Every accessor treats a kind outside the table as no item.
  int get_difficulty() const;
  int get_damage(int thrust) const;  // thrust 1: thrust damage, 0: swing
  int get_speed_rating() const;
  int get_max_hit_points() const;
  int get_head_armor() const;
  int get_body_armor() const;
  int get_leg_armor() const;
  int get_horse_speed() const;
  int get_horse_maneuver() const;
  int get_horse_charge() const;
  int get_max_ammo() const;
  // Maximum ammunition (at most 255, what the used count can hold) less the
  // shots used, never below 0.
  int get_remaining_ammo() const;
  // Uses n shots; the used count stops at the maximum.
  void consume_ammo(int n);
  int get_accuracy() const;

  // The weapon proficiency a kind trains (0 one-handed .. 6 firearms); types
  // without one give 1 when flag is 0, else 0.
  static int get_weapon_class(int kind, int flag);

  // The kind's value times the modifier's price factor (a modifier outside
  // 0..42 counts as 1.0), halves rounded down; 0 for no item.
  std::int32_t get_value() const;
  // A modifier in 0..42 is stored and the amount made full for it (the
  // troop's replenish_item with 0); any other value changes nothing.
  void change_modifier(int modifier);
  // With probability 0.9 a modifier drawn among the plain item and the
  // modifiers the kind allows, each weighted by get_modifier_weight for the
  // quality; nothing for no item.
  void randomise_modifier(float quality);

  // "Error: Invalid item" for a kind outside the table.
  ruv_string get_mesh_name() const;
  // Empty for a kind outside the table.
  ruv_string get_mesh_for_role(int role) const;
};

// How likely a modifier of this rarity and price factor is for a merchandise
// quality: rarity / (d + 1) with d = |quality - price factor|, made d x 5 + 3
// when the two lie on opposite sides of 1.0 (strictly beyond 1.001 / 0.999).
float get_modifier_weight(float rarity, float price_factor, float quality);

extern std::vector<item_kind> g_item_kinds;

// The index of the first kind whose id equals `id` exactly, else 0 (so an
// unknown id names the first kind).
int find_item_kind(const ruv_string& id);

// item_kinds1.txt: the header (its version is handed to each record), the
// count, then the records, replacing the whole table.
void load_item_kinds(std::vector<item_kind>& table, text_reader& reader);

}  // namespace hm
