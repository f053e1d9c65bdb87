#include "mission/agent/agent_helpers.h"

#include <cmath>

#include "engine/core/random.h"
#include "engine/core/timer.h"
#include "mission/agent/agent.h"
#include "mission/anim/agent_actions.h"
#include "mission/anim/anim_channel_ops.h"
#include "mission/core/mission.h"
#include "render/entity/skeleton_instance.h"

namespace hm {

namespace {

constexpr float pi = 3.14159265f;

bool team_in_range(int t) { return t >= 0 && t < team_count; }

int relation(const mission& m, const agent& a, const agent& b) {
  if (!team_in_range(a.team) || !team_in_range(b.team)) return team_relation_neutral;
  return m.teams[static_cast<std::size_t>(a.team)].relations[static_cast<std::size_t>(b.team)];
}

float angle_distance(float a, float b) {
  float d = std::fabs(a - b);
  d = std::fmod(d, 2.0f * pi);
  return d > pi ? 2.0f * pi - d : d;
}

}  // namespace

bool teams_are_enemies(const mission& m, const agent& a, const agent& b) { return relation(m, a, b) == -1; }
bool teams_are_allies(const mission& m, const agent& a, const agent& b) { return relation(m, a, b) == 1; }
bool teams_not_enemies(const mission& m, const agent& a, const agent& b) {
  const int r = relation(m, a, b);
  return r != -1 && r != 1;
}

float get_use_distance(const agent& a) { return a.kind == agent_kind_human && a.mount >= 0 ? 2.4f : 1.5f; }

bool is_starting_action_72(const agent& a) {
  if (a.channels[1].action != 72) return false;
  const skeleton_instance* s = agent_skeleton(a);
  return s != nullptr && s->channels.size() > 1 && anim_channel_curve_value(s->channels[1]) > 0.1f;
}

float get_hour_of_day() {
  return static_cast<float>(std::fmod(static_cast<double>(clock_ticks(clock_campaign)) * 1e-5, 24.0));
}
bool is_daytime_at(float hour) { return hour >= 4.0f && hour < 20.0f; }
bool is_daytime() { return is_daytime_at(get_hour_of_day()); }
bool is_night() { return !is_daytime(); }

int round_to_int(float x) {
  const float f = std::floor(x);
  return static_cast<int>(f) + (x - f > 0.5f ? 1 : 0);
}

int random_int_below(int n) { return n < 2 ? 0 : random_next() % n; }

float closer_angle(float a, float b, float c) { return angle_distance(a, b) < angle_distance(a, c) ? b : c; }

vec3 reflect_velocity_on_plane(vec3& velocity, const vec3& normal) {
  const vec3 before = velocity;
  const float d = velocity.x * normal.x + velocity.y * normal.y + velocity.z * normal.z;
  const float k = d < 0.0f ? -d : 0.0f;
  velocity = velocity + normal * k;
  if (k > 0.0f) velocity = velocity * (1.0f - 0.4f * k);
  return (velocity - before) * -1.0f;
}

bool box_contains_point(const vec3& min, const vec3& max, const vec3& p) {
  return min.x <= p.x && p.x <= max.x && min.y <= p.y && p.y <= max.y && min.z <= p.z && p.z <= max.z;
}

}  // namespace hm
