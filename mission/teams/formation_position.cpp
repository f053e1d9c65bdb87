#include "mission/teams/formation_position.h"

#include "mission/records/mission.h"
#include "mission/records/mission_services.h"

namespace hm {

float formation_spacing(int formation, bool mounted) {
  float s = 1.0f;
  switch (formation) {
    case 1:
      s = 0.7f;
      break;
    case 2:
      s = 1.0f;
      break;
    case 3:
      s = 1.65f;
      break;
    case 4:
      s = 2.5f;
      break;
    default:
      break;
  }
  return mounted ? s * 1.6f : s;
}

vec3 get_formation_position(mission& m, const agent& a) {
  const team_group& g = m.team_of(a.team).groups[static_cast<std::size_t>(agent_mounted_state(a))];
  const bool mounted = a.mount >= 0;
  const float s = formation_spacing(g.formation, mounted);
  const vec3 d(g.facing.x, g.facing.y, 0.0f);
  const vec3 e(d.y, -d.x, 0.0f);
  vec3 p = g.follow_point + d * (a.ai.depth_offset * s);
  if (g.formation == 1 && (a.ai.formation_side & 1u) != 0) p -= d * s;
  p += e * (a.ai.formation_offset * s);
  p.x += 0.1f * s * a.ai.formation_scatter[0];
  p.y += 0.1f * s * a.ai.formation_scatter[1];
  float height = 0.0f;
  if (m.services().ground_height(m, p, height)) p.z = height;
  return p;
}

}  // namespace hm
