#include "mission/ai/agent_reactions.h"

#include <cmath>

#include "mission/agent/agent_queries.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/records/rider_aim.h"

namespace hm {

namespace {

constexpr float rider_turn_snap = 0.8f;
constexpr float rider_turn_rate = 9.0f;

// Bone classes of the struck body part: 0 the head, 1 the arms and the rest,
// 2 the hips and spine, 3 the legs.
int body_class(int bone) {
  if (bone == agent_head_bone) return 0;
  if (bone >= 1 && bone <= 6) return 3;
  if (bone == 0 || bone == 7) return 2;
  return 1;
}

constexpr int light_reactions = 238;
constexpr int heavier_reactions = 254;
constexpr int heaviest_head_reactions = 270;
constexpr int heaviest_body_reactions = 274;
constexpr int heaviest_low_reactions = 277;
constexpr int heaviest_from_behind = 280;

}  // namespace

float signed_angle_2d(const vec3& a, const vec3& b) {
  float nx = 0.0f;
  float ny = 1.0f;
  const float length = std::sqrt(a.x * a.x + a.y * a.y);
  if (length > 0.0f) {
    nx = a.x / length;
    ny = a.y / length;
  }
  if (b.x == 0.0f && b.y == 0.0f) return 0.0f;
  // Adding 0 turns a cross product of -0 into +0, so that exactly opposite
  // directions give +pi and the result stays within (-pi, pi].
  const float cross = nx * b.y - ny * b.x + 0.0f;
  return std::atan2(cross, nx * b.x + ny * b.y);
}

void agent_update_rider_turn_angle(agent& a, float dt) {
  const float angle = signed_angle_2d(a.forward(), a.input.direction_vec3());
  // A rider turns only as far as its weapon's aiming window reaches.
  const int mode = a.wield_mode >= 0 && a.wield_mode < rider_aim_window_count ? a.wield_mode : 0;
  const float low = rider_aim_windows[mode][0];
  const float high = rider_aim_windows[mode][1];
  const float target = low <= angle && angle < high ? angle : closer_angle(angle, low, high);
  const float d = target - a.rider_turn_angle;
  if (std::fabs(d) < rider_turn_snap) {
    a.rider_turn_angle = target;
  } else {
    a.rider_turn_angle += d * dt * rider_turn_rate;
  }
}

int agent_choose_hit_reaction_action(const mission& m, const agent& a, int severity) {
  const blow& b = a.pending_blow;
  vec3 from;
  if (b.attacker >= 0) {
    if (const agent* attacker = m.agents.get(b.attacker); attacker != nullptr) from = attacker->position();
  }
  int side = 0;
  if (dot_product(from - a.position(), a.forward()) <= 0.0f) {
    side = 3;
  } else {
    const float w = dot_product(b.direction, a.body_frame.rot.s);
    if (w > 0.5f) {
      side = 1;
    } else if (-w > 0.5f) {
      side = 2;
    }
  }
  const int body = body_class(b.bone);
  switch (severity) {
    case 1:
      return heavier_reactions + side + 4 * body;
    case 2:
      if (body == 0) return heaviest_head_reactions + side;
      if (side == 3) return heaviest_from_behind;
      return (body == 1 ? heaviest_body_reactions : heaviest_low_reactions) + side;
    default:
      return light_reactions + side + 4 * body;
  }
}

}  // namespace hm
