#include "module/records/item_kind.h"

#include <algorithm>
#include <span>
#include <string>

#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "module/base/module_text.h"
#include "module/records/trigger_loaders.h"
#include "script/shared_routines.h"

namespace hm {

item_kind::item_kind() = default;

std::vector<item_kind> g_item_kinds;

namespace {

// One modifier's change to a statistic.
struct modifier_delta {
  int modifier;
  int delta;
};

constexpr modifier_delta horse_difficulty_deltas[] = {{32, 1}, {33, -1}, {36, 2}};
constexpr modifier_delta difficulty_deltas[] = {{17, 4}, {18, 1}, {19, 2}};
constexpr modifier_delta damage_deltas[] = {{1, -5}, {2, -3},  {3, -3}, {4, -1}, {7, -2}, {10, 1},
                                            {13, 3}, {14, 4}, {17, 5}, {18, 2}, {19, 3}};
constexpr modifier_delta speed_deltas[] = {{3, -3}, {13, 3}, {17, 1}, {18, -2}, {19, -3}};
constexpr modifier_delta hit_point_deltas[] = {{1, -56}, {5, -26}, {18, 10}, {25, 47}, {27, 83}, {29, 155}, {32, 5}};
constexpr modifier_delta armor_deltas[] = {{1, -4}, {2, -3}, {5, -2},  {7, -1},  {18, 3}, {21, -3},
                                           {22, -2}, {24, 1}, {25, 2}, {26, 3}, {27, 4}, {29, 6}};
constexpr modifier_delta horse_move_deltas[] = {{30, -5}, {31, -2}, {35, 1}, {36, 2}};
constexpr modifier_delta horse_charge_deltas[] = {{18, 4}, {35, 1}, {36, 2}};

constexpr int large_bag_modifier = 42;

int delta_of(std::span<const modifier_delta> table, int modifier) {
  for (const modifier_delta& d : table)
    if (d.modifier == modifier) return d.delta;
  return 0;
}

// The mask bit of a modifier; none for a value outside the modifiers, so a
// broken item word never shifts by more than the mask holds.
std::uint64_t modifier_bit(int modifier) {
  if (modifier < 0 || modifier >= item_modifier_limit) return 0;
  return std::uint64_t{1} << modifier;
}

// The variant among those of a role for a modifier, or null.
const item_mesh_variant* choose_variant(const item_kind& kind, int role, int modifier) {
  const std::uint64_t bit = modifier_bit(modifier);
  const int count = std::clamp(kind.mesh_count, 0, max_item_mesh_variants);
  const item_mesh_variant* chosen = nullptr;
  for (int i = 0; i < count; ++i) {
    const item_mesh_variant& v = kind.mesh_variants[i];
    if (v.role() != role) continue;
    if (!chosen || (static_cast<std::uint64_t>(v.mask) & bit) != 0) chosen = &v;
  }
  // The first of the role is only the default: a later match replaced it, and
  // the first itself wins only when it matched or nothing did.
  return chosen;
}

// The used-shot count lives in one byte.
constexpr int max_used_shots = 255;

// One carry position: place, bone, origin, the turns in order, then the pull
// back along the turned forward axis (`pull_per_length` x length in cm x 0.01
// plus `pull`).
enum class turn_axis { x, y, z };
struct turn {
  turn_axis axis;
  float angle;
};
struct carry_position {
  int code;
  int place;
  int bone;
  vec3 origin;
  turn turns[4];
  int turn_count;
  float pull_per_length;  // 0 or 1
  float pull;
};

using enum turn_axis;
const carry_position carry_positions[] = {
    {1, 1, 0, {0.24f, 0.1f, 0.1f}, {{y, 1.53938f}, {z, -2.2f}, {x, 0.12f}, {y, -0.2f}}, 4, 0, 0},
    {2, 1, 0, {0.21f, 0.12f, 0.14f}, {{y, 1.445133f}, {z, 1.0f}, {y, 3.341593f}}, 3, 1, -0.3f},
    {3, 7, 0, {0.04f, 0.25f, 0.15f}, {{y, 0.1570796f}, {z, -2.5f}, {y, -0.05f}}, 3, 0, 0},
    {4, 8, 0, {-0.04f, 0.25f, 0.15f}, {{y, -3.298672f}, {z, -2.5f}, {y, 0.05f}}, 3, 0, 0},
    {5, 4, 0, {-0.21f, 0.15f, 0.0f}, {{y, 1.445133f}, {z, -2.5f}, {y, -0.2f}}, 3, 0, 0},
    {6, 4, 0, {-0.05f, 0.03f, -0.19f}, {{y, 0.1570796f}, {z, 1.1f}, {y, 3.141593f}}, 3, 0, 0},
    {7, 4, 0, {-0.23f, 0.05f, 0.0f}, {{y, 1.445133f}, {z, 0.5f}, {y, -0.05f}, {x, 0.2f}}, 4, 0, 0},
    {8, 5, 8, {-0.05f, 0.02f, -0.17f}, {{z, 0.3769911f}}, 1, 0, 0},
    {9, 9, 4, {-0.1f, 0.0f, 0.05f}, {{y, -1.570796f}, {z, 0.9424778f}, {y, -0.1f}}, 3, 0, 0},
    {10, 7, 0, {-0.07f, 0.25f, 0.15f}, {{y, 0.1570796f}, {z, -1.5f}, {y, -0.05f}}, 3, 0, 0},
    {11, 10, 0, {0.26f, 0.03f, -0.1f}, {{y, -4.39823f}, {x, -0.25f}, {z, -0.84823f}}, 3, 0, 0},
    {12, 1, 0, {0.21f, 0.12f, 0.14f}, {{y, 1.445133f}, {z, 1.0f}, {y, 3.341593f}}, 3, 1, -0.1f},
    {16, 5, 8, {-0.19f, 0.29f, -0.17f}, {{z, 0.5654867f}, {y, 3.141593f}}, 2, 1, -0.3f},
    {17, 5, 8, {-0.19f, 0.29f, -0.17f}, {{z, -2.576106f}}, 1, 0, 0},
    {18, 0, 8, {-0.19f, 0.04f, -0.18f}, {{y, 3.298672f}, {z, 1.099557f}}, 2, 0, 0},
    {19, 0, 8, {-0.22f, -0.06f, -0.2f}, {{y, 3.138451f}, {z, 1.099557f}}, 2, 0, 0},
    {20, 3, 0, {0.18f, -0.1f, -0.1f}, {{y, 2.199115f}}, 1, 0, 0},
    {21, 6, 8, {0.19f, 0.34f, -0.155f}, {{z, -0.5654867f}, {y, 1.413717f}, {z, 0.1f}}, 3, 1, 0.5f},
    {22, 6, 8, {-0.05f, 0.0f, -0.19f}, {{z, -0.5654867f}, {y, -1.570796f}}, 2, 0, 0},
    {23, 5, 8, {-0.19f, 0.29f, -0.17f}, {{z, 0.5654867f}}, 1, 0, 0.67f},
    {24, 0, 8, {-0.06f, 0.18f, -0.2f}, {{y, -3.298672f}, {z, 1.570796f}}, 2, 0, 0},
    {33, 1, 0, {0.23f, 0.15f, 0.23f}, {{y, -1.445133f}, {z, 1.5f}, {y, -0.2f}}, 3, 0, 0},
    {34, 2, 0, {0.05f, 0.19f, 0.24f}, {{y, -2.199115f}, {z, 1.8f}, {y, -0.2f}}, 3, 0, 0},
};

}  // namespace

bool item_kind::is_ranged_weapon() const {
  const int t = type();
  return t == item_type::bow || t == item_type::crossbow || t == item_type::thrown || t == item_type::pistol ||
         t == item_type::musket;
}

bool item_kind::is_melee_weapon() const {
  const int t = type();
  return t == item_type::one_handed || t == item_type::two_handed || t == item_type::polearm;
}

void item_kind::read(text_reader& reader, std::int32_t version) {
  meshes.clear();
  reader.read_string(id);
  read_spaced_string(reader, name);
  read_spaced_string(reader, plural_name);
  reader.read_int(mesh_count);
  if (mesh_count > max_item_mesh_variants) ruv_error("Error too many variation on mesh %s", name.c_str());
  if (mesh_count < 0)
    ruv_error("Bad count %d of mesh variants in %s of file %s", mesh_count, id.c_str(), reader.name.c_str());
  for (int i = 0; i < mesh_count; ++i) {
    reader.read_string(mesh_variants[i].mesh_name);
    reader.read_i64(mesh_variants[i].mask);
  }
  reader.read_u32(flags);
  reader.read_u64(capabilities);
  reader.read_int(value);
  reader.read_u64(allowed_modifiers);
  reader.read_float(weight);
  reader.read_int(abundance);
  reader.read_int(head_armor);
  reader.read_int(body_armor);
  reader.read_int(leg_armor);
  reader.read_int(difficulty);
  reader.read_int(hit_points);
  reader.read_int(speed_rating);
  reader.read_int(missile_speed);
  reader.read_int(weapon_length);
  reader.read_int(max_ammo);
  // The used count of ammunition lives in the item word's low byte.
  if (max_ammo > max_used_shots) {
    log_line(std::string("WARNING: item ") + id.c_str() + ": maximum ammunition " + std::to_string(max_ammo) +
             " held to 255\n");
    max_ammo = max_used_shots;
  }
  reader.read_int(thrust_damage);
  reader.read_int(swing_damage);
  if (version > 1) load_simple_triggers(triggers, reader, format_name("Item %s", id.c_str()));
  scale = 1.0f;
  price_factor = 1.0f;
}

ruv_string item_kind::get_mesh_name(int modifier) const {
  const item_mesh_variant* v = choose_variant(*this, 0, modifier);
  return v ? v->mesh_name : id;
}

ruv_string item_kind::get_mesh_for_role(int role, int modifier) const {
  if (role == 0) return ruv_string();
  const item_mesh_variant* v = choose_variant(*this, role, modifier);
  return v ? v->mesh_name : ruv_string();
}

carry_frame item_kind::get_carry_frame() const {
  carry_frame result;
  const int code = static_cast<int>((capabilities >> 28) & 0x7F);
  for (const carry_position& p : carry_positions) {
    if (p.code != code) continue;
    result.place = p.place;
    result.bone = p.bone;
    result.placement.origin = p.origin;
    for (int i = 0; i < p.turn_count; ++i) {
      const turn& t = p.turns[i];
      if (t.axis == turn_axis::x) result.placement.rotate_x(t.angle);
      if (t.axis == turn_axis::y) result.placement.rotate_y(t.angle);
      if (t.axis == turn_axis::z) result.placement.rotate_z(t.angle);
    }
    const float back = p.pull_per_length * static_cast<float>(weapon_length) * 0.01f + p.pull;
    if (back != 0.0f) result.placement.origin = result.placement.origin - result.placement.rot.f * back;
    break;
  }
  return result;
}

// --- items ---------------------------------------------------------------------------------------

const item_kind* item::get_kind() const {
  if (kind < 0 || kind >= static_cast<int>(g_item_kinds.size())) return nullptr;
  return &g_item_kinds[static_cast<std::size_t>(kind)];
}

int item::get_difficulty() const {
  const item_kind* k = get_kind();
  if (!k) return 0;
  if (k->difficulty == 0) return 0;
  const auto& table =
      k->type() == item_type::horse ? std::span<const modifier_delta>(horse_difficulty_deltas) : difficulty_deltas;
  return k->difficulty + delta_of(table, modifier());
}

int item::get_damage(int thrust) const {
  const item_kind* k = get_kind();
  if (!k) return 0;
  const int base = (thrust == 1 ? k->thrust_damage : k->swing_damage) & 0xFF;
  if (base == 0) return 0;
  return base + delta_of(damage_deltas, modifier());
}

int item::get_speed_rating() const {
  const item_kind* k = get_kind();
  if (!k) return 100;
  if (k->speed_rating == 0) return 0;
  return k->speed_rating + delta_of(speed_deltas, modifier());
}

int item::get_max_hit_points() const {
  const item_kind* k = get_kind();
  if (!k) return 1;
  int base = k->hit_points;
  if (base == 0) {
    if (k->type() != item_type::horse) return 0;
    base = 100;
  }
  return std::max(1, base + delta_of(hit_point_deltas, modifier()));
}

namespace {
int armor_with_modifier(int base, int modifier) {
  if (base == 0) return 0;
  return std::max(0, base + delta_of(armor_deltas, modifier));
}
int horse_value(int base, std::span<const modifier_delta> table, int modifier) {
  if (base == 0) return 0;
  return std::max(1, base + delta_of(table, modifier));
}
}  // namespace

int item::get_head_armor() const {
  const item_kind* k = get_kind();
  return k ? armor_with_modifier(k->head_armor, modifier()) : 0;
}

int item::get_body_armor() const {
  const item_kind* k = get_kind();
  return k ? armor_with_modifier(k->body_armor, modifier()) : 0;
}

int item::get_leg_armor() const {
  const item_kind* k = get_kind();
  return k ? armor_with_modifier(k->leg_armor, modifier()) : 0;
}

int item::get_horse_speed() const {
  const item_kind* k = get_kind();
  return k ? horse_value(k->missile_speed, horse_move_deltas, modifier()) : 0;
}

int item::get_horse_maneuver() const {
  const item_kind* k = get_kind();
  return k ? horse_value(k->speed_rating, horse_move_deltas, modifier()) : 0;
}

int item::get_horse_charge() const {
  const item_kind* k = get_kind();
  return k ? horse_value(k->thrust_damage & 0xFF, horse_charge_deltas, modifier()) : 0;
}

int item::get_max_ammo() const {
  const item_kind* k = get_kind();
  if (!k) return 0;
  const int base = k->max_ammo;
  if (base == 0) return 0;
  if (modifier() != large_bag_modifier) return base;
  const std::int64_t bonus = round_half_down(0.13f * static_cast<float>(base));
  return base + static_cast<int>(std::clamp<std::int64_t>(bonus, 1, 1 << 24));
}

int item::get_remaining_ammo() const {
  const int maximum = std::min(get_max_ammo(), max_used_shots);
  return std::max(0, maximum - used_shots());
}

void item::consume_ammo(int n) {
  const int maximum = std::clamp(get_max_ammo(), 0, max_used_shots);
  const int used = std::clamp(used_shots() + n, 0, maximum);
  word = (word & ~0xFFu) | static_cast<std::uint32_t>(used);
}

int item::get_accuracy() const {
  const item_kind* k = get_kind();
  if (!k) return 100;
  return k->leg_armor == 0 ? 99 : k->leg_armor;
}

int item::get_weapon_class(int kind, int flag) {
  int type = 0;
  if (kind >= 0 && kind < static_cast<int>(g_item_kinds.size())) type = g_item_kinds[static_cast<std::size_t>(kind)].type();
  switch (type) {
    case item_type::one_handed:
      return 0;
    case item_type::polearm:
      return 2;
    case item_type::bow:
      return 3;
    case item_type::crossbow:
      return 4;
    case item_type::thrown:
      return 5;
    case item_type::pistol:
    case item_type::musket:
      return 6;
    default:
      return flag == 0 ? 1 : 0;
  }
}

ruv_string item::get_mesh_name() const {
  const item_kind* k = get_kind();
  return k ? k->get_mesh_name(modifier()) : ruv_string("Error: Invalid item");
}

ruv_string item::get_mesh_for_role(int role) const {
  const item_kind* k = get_kind();
  return k ? k->get_mesh_for_role(role, modifier()) : ruv_string();
}

int find_item_kind(const ruv_string& id) {
  for (std::size_t i = 0; i < g_item_kinds.size(); ++i)
    if (g_item_kinds[i].id.equals(id)) return static_cast<int>(i);
  return 0;
}

void load_item_kinds(std::vector<item_kind>& table, text_reader& reader) {
  const std::int32_t version = read_module_header(reader);
  load_record_table(reader, table, "item kinds",
                    [version](item_kind& kind, text_reader& r) { kind.read(r, version); });
}

}  // namespace hm
