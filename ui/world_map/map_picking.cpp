#include "ui/world_map/map_picking.h"

#include <algorithm>
#include <cmath>

#include "campaign/map/world_map.h"

namespace hm {

namespace {

// How far above the ground a point of the segment lies (a large value off the
// map); the face under it goes to face.
float above_ground(const world_map& map, const vec3& p, int& face) {
  face = map.find_face_at(p.x, p.y);
  if (face < 0) return 1.0e9f;
  return p.z - map.height_at(face, p.x, p.y);
}

}  // namespace

bool pick_map_ground(const world_map& map, const vec3& a, const vec3& b, vec3& point, int& face) {
  const vec3 d = b - a;
  const float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
  if (!(length > 0.0f)) return false;
  // Steps of a tenth of a unit find the crossing; halving then places it.
  const int steps = static_cast<int>(std::min(20000.0f, length * 10.0f)) + 1;
  float t0 = 0.0f;
  int f = -1;
  if (above_ground(map, a, f) <= 0.0f && f >= 0) {
    point = a;
    face = f;
    return true;
  }
  for (int i = 1; i <= steps; ++i) {
    const float t1 = static_cast<float>(i) / static_cast<float>(steps);
    if (above_ground(map, a + d * t1, f) > 0.0f) {
      t0 = t1;
      continue;
    }
    float lo = t0;
    float hi = t1;
    for (int k = 0; k < 24; ++k) {
      const float mid = 0.5f * (lo + hi);
      int g = -1;
      if (above_ground(map, a + d * mid, g) > 0.0f)
        lo = mid;
      else
        hi = mid;
    }
    point = a + d * hi;
    face = map.find_face_at(point.x, point.y);
    if (face < 0) face = f;
    return face >= 0;
  }
  return false;
}

std::int32_t pick_map_party(const std::vector<map_pick_candidate>& candidates, const vec3& a, const vec3& b,
                            float limit) {
  const vec3 d = b - a;
  const float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
  if (!(length > 0.0f)) return -1;
  const vec3 dir = d * (1.0f / length);
  std::int32_t best = -1;
  float best_distance = limit;
  for (const map_pick_candidate& c : candidates) {
    if (c.excluded) continue;
    // The icon's body stands half a unit above the party's position.
    const vec3 centre(c.position.x, c.position.y, c.position.z + 0.5f);
    const vec3 to = centre - a;
    const float along = std::clamp(to.x * dir.x + to.y * dir.y + to.z * dir.z, 0.0f, length);
    const vec3 off = to - dir * along;
    if (off.x * off.x + off.y * off.y + off.z * off.z > c.radius * c.radius) continue;
    const vec3 origin = c.position - a;
    float distance = std::sqrt(origin.x * origin.x + origin.y * origin.y + origin.z * origin.z) - 0.4f;
    if (c.is_player) distance += 0.35f;
    if (distance < best_distance) {
      best_distance = distance;
      best = c.id;
    }
  }
  return best;
}

int context_menu_item_at(int item_count, float rx, float ry, float width, float height) {
  if (item_count <= 0) return -1;
  if (rx < -0.01f || rx > width + 0.01f || ry < 0.0f || ry > height + 0.01f) return -1;
  int row = 0;
  while (static_cast<float>(row + 1) * 0.015f < ry) ++row;
  const int item = item_count - row - 1;
  return item >= 0 && item < item_count ? item : -1;
}

}  // namespace hm
