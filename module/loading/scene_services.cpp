#include "module/loading/scene_services.h"

#include "module/data/data_files.h"
#include "module/records/particle_system.h"

namespace hm {

namespace {

void to_keys(float (&out)[4], const particle_key (&keys)[2]) {
  out[0] = keys[0].time;
  out[1] = keys[0].value;
  out[2] = keys[1].time;
  out[3] = keys[1].value;
}

// Engine particle codes (code_mapping.cpp's order).
constexpr int code_hoof_dust = 4;
constexpr int code_hoof_dust_mud = 6;
constexpr int code_water_splash_1 = 7;

}  // namespace

module_particle_systems::module_particle_systems(const particle_system_table& table) {
  settings_.reserve(table.records.size());
  for (const particle_system_record& r : table.records) {
    particle_system_settings s;
    s.flags = static_cast<std::uint32_t>(r.flags);
    s.mesh_name = r.mesh_name;
    s.emission_rate = r.emission_rate;
    s.life = r.life;
    s.damping = r.damping;
    s.gravity_strength = r.gravity_strength;
    s.turbulence_size = r.turbulence_size;
    s.turbulence_strength = r.turbulence_strength;
    to_keys(s.alpha_keys, r.alpha);
    to_keys(s.red_keys, r.red);
    to_keys(s.green_keys, r.green);
    to_keys(s.blue_keys, r.blue);
    to_keys(s.scale_keys, r.scale);
    s.emit_box = r.emit_box;
    s.emit_velocity = r.emit_velocity;
    s.emit_spread = r.emit_spread;
    s.rotation_speed = r.rotation_speed;
    s.rotation_damping = r.rotation_damping;
    settings_.push_back(s);
  }
}

skybox_lighting to_skybox_lighting(const skybox& sky) {
  skybox_lighting out;
  out.flags = sky.flags;
  out.latitude = sky.latitude;
  out.sun_colour = sky.sun_color;
  out.ambient_colour = color{sky.ambient_color[0], sky.ambient_color[1], sky.ambient_color[2], sky.ambient_color[3]};
  out.fog_colour = sky.fog_color;
  return out;
}

void set_horse_particle_slots(const particle_system_table& table, horse_particle_setup& setup) {
  setup.trail[0] = table.codes[code_hoof_dust];
  setup.trail[1] = table.codes[code_hoof_dust_mud];
  for (int i = 0; i < 3; ++i) setup.water[i] = table.codes[code_water_splash_1 + i];
}

}  // namespace hm
