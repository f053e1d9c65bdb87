#include "mission/agent/particle_bursts.h"

#include <cmath>

#include "engine/resource/particle_system.h"
#include "engine/settings/game_options.h"
#include "mission/records/mission.h"
#include "module/loading/scene_services.h"
#include "module/records/particle_system.h"
#include "render/scene/scene_attachments.h"
#include "render/scene/scene_world.h"

namespace hm {

void burst_particles(mission& m, int system, const frame& where, int count, float rate_factor) {
  if (!m.scene || g_game_options.particle_systems == 0 || count < 1) return;
  if (system < 0 || system >= g_particle_systems.count()) return;
  const module_particle_systems table(g_particle_systems);
  particle_system_instance* p = m.scene->take_particle_system_instance();
  init_particle_system_instance(table, *p, system, vec3());
  p->set_frame(where, p->emit_box, p->emit_velocity, p->emit_spread);
  p->emission_rate *= rate_factor;
  p->restart(count);
}

void burst_particles_at(mission& m, int system, const vec3& at, int count) {
  frame f = frame::identity();
  f.origin = at;
  burst_particles(m, system, f, count);
}

frame frame_facing(const vec3& at, const vec3& forward) {
  frame f = frame::identity();
  f.origin = at;
  const float length = forward.length();
  if (!(length > 1e-6f)) return f;
  f.rot.f = forward * (1.0f / length);
  vec3 side = cross_product(f.rot.f, vec3(0.0f, 0.0f, 1.0f));
  // Straight up or down: any side will do.
  if (side.length() < 1e-4f) side = vec3(1.0f, 0.0f, 0.0f);
  f.rot.s = side * (1.0f / side.length());
  f.rot.u = cross_product(f.rot.s, f.rot.f);
  return f;
}

}  // namespace hm
