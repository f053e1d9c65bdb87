#include "mission/setup/spawning.h"

#include <algorithm>
#include <cmath>

#include "engine/core/random.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "module/records/mission_template.h"

namespace hm {

namespace {

// rand() mod 15817 scaled into 0 .. 0.8: the 0.6 .. 1.4 spread of a count.
constexpr float count_spread_scale = 5.0578492e-5f;
constexpr float max_ground_step = 2.0f;
constexpr float sweep_lift = 0.7f;
constexpr int placement_tries = 101;

// Nearest integer, a fraction of exactly one half going down.
int round_half_down(float x) { return static_cast<int>(std::ceil(x - 0.5f)); }

}  // namespace

float battle_size_spawn_factor(int strength, float battle_size_option) {
  const float side = std::clamp((static_cast<float>(strength) + 15.0f) / 15.0f, 0.2f, 2.5f);
  return side * (battle_size_option * 2.5f + 0.833333f);
}

mission_template* current_mission_template(mission& m) {
  if (m.template_index < 0 || m.template_index >= static_cast<int>(g_mission_templates.size())) return nullptr;
  return &g_mission_templates[static_cast<std::size_t>(m.template_index)];
}

bool spawn_record_is_enemy_side(const mission& m, std::uint32_t flags) {
  if ((flags & spawn_flag::enemy_parties) != 0) return true;
  const bool attackers = (flags & spawn_flag::attackers) != 0;
  const bool defenders = (flags & spawn_flag::defenders) != 0;
  switch (m.battle_mode) {
    case 0:
      return defenders;
    case 1:
      return attackers;
    case 2:
      return (attackers && m.side_value == 0) || (defenders && m.side_value == 1);
    default:
      return false;
  }
}

int count_spawn_group_agents(mission& m, int record, std::uint32_t count_word, float battle_size_option,
                             int scene_troop_count) {
  mission_template* t = current_mission_template(m);
  if (t == nullptr || record < 0 || record >= t->spawn_record_count()) return 0;
  spawn_record& r = t->spawn_records[static_cast<std::size_t>(record)];

  int n = static_cast<int>(count_word & spawn_count_mask);
  // A count of 0 switches a record off, whatever its flags.
  if (n == 0) return 0;

  const auto flags = static_cast<std::uint32_t>(r.spawn_flags);
  if ((flags & (spawn_flag::player_or_stationed | spawn_flag::count_as_given)) != 0) {
    // As given.
  } else if ((flags & spawn_flag::exactly_one) != 0) {
    n = 1;
  } else if ((flags & spawn_flag::scene_troops) != 0) {
    n = scene_troop_count;
  } else {
    const int s = spawn_record_is_enemy_side(m, flags) ? -m.strength : m.strength;
    n = std::max(1, round_half_down(static_cast<float>(n) * battle_size_spawn_factor(s, battle_size_option)));
  }

  if ((count_word & spawn_count_random) != 0) {
    const float f = static_cast<float>(m.services().random_next() % 15817) * count_spread_scale + 0.6f;
    const float scaled = static_cast<float>(n) * f;
    const float whole = std::floor(scaled);
    n = static_cast<int>(whole) + (scaled - whole > 0.5f ? 1 : 0);
  }

  r.pending += n;
  if (record < max_spawn_records) m.blocked_spawn_records[static_cast<std::size_t>(record)] = 0;
  return n;
}

void check_reinforcements(mission& m, const spawn_at_entry_point_fn& spawn_at_entry_point) {
  mission_template* t = current_mission_template(m);
  if (t == nullptr) return;
  for (int pass = 0; pass < max_reinforcement_passes; ++pass) {
    bool spawned_any = false;
    for (int i = 0; i < t->spawn_record_count(); ++i) {
      spawn_record& r = t->spawn_records[static_cast<std::size_t>(i)];
      const bool blocked = i < max_spawn_records && m.blocked_spawn_records[static_cast<std::size_t>(i)] != 0;
      if (r.pending <= 0 || blocked) continue;
      if (!spawn_at_entry_point(m, i)) continue;
      --r.pending;
      ++r.spawned;
      advance_entry_spawn_position(m, r.entry_point);
      spawned_any = true;
    }
    if (!spawned_any) break;
  }
}

void advance_entry_spawn_position(mission& m, int entry) {
  if (entry < 0 || entry >= mission_entry_point_count) return;
  entry_point& e = m.entry_points[static_cast<std::size_t>(entry)];
  mission_services& s = m.services();
  e.spawn_gap = 0.1f;
  e.spawn_timer.reset();
  e.ground_face = nullptr;
  ++e.column;

  vec3 step = e.spawn_frame.rot.s;
  if (e.column >= spawn_row_length) {
    ++e.row;
    e.column = 0;
    e.spawn_frame = e.row_frame;
    step = e.spawn_frame.rot.s * -0.5f - e.spawn_frame.rot.f * 0.7f;
  }

  const vec3 lift(0.0f, 0.0f, sweep_lift);
  for (int attempt = 0; attempt < placement_tries; ++attempt) {
    const vec3 origin = e.spawn_frame.origin;
    vec3 candidate = origin + step;
    float height = 0.0f;
    if (s.ground_height(m, candidate, height) && std::fabs(origin.z - height) < max_ground_step) {
      candidate.z = height;
      if (s.segment_is_clear(m, origin + lift, candidate + lift)) {
        e.spawn_frame.origin = candidate;
        break;
      }
    }
    const float x = (static_cast<float>(s.random_next() % 15817) * random_fraction_scale - 0.5f) * 1.2f;
    const float y = (static_cast<float>(s.random_next() % 15817) * random_fraction_scale - 0.5f) * 1.2f;
    step = vec3(x, y, 0.0f);
  }

  if (e.column == 0) e.row_frame = e.spawn_frame;
}

void reset_entry_spawn_position(mission& m, int entry) {
  if (entry < 0 || entry >= mission_entry_point_count) return;
  m.entry_points[static_cast<std::size_t>(entry)].reset_spawn_position();
}

}  // namespace hm
