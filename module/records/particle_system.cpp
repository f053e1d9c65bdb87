#include "module/records/particle_system.h"

#include "engine/core/stream.h"
#include "module/base/module_text.h"

namespace hm {

particle_system_table g_particle_systems;

namespace {

void read_keys(text_reader& reader, particle_key (&keys)[2]) {
  for (particle_key& key : keys) {
    reader.read_float(key.time);
    reader.read_float(key.value);
  }
}

void read_particle_system(particle_system_record& record, text_reader& reader) {
  reader.read_string(record.id);
  reader.read_int(record.flags);
  reader.read_string(record.mesh_name);
  reader.read_float(record.emission_rate);
  reader.read_float(record.life);
  reader.read_float(record.damping);
  reader.read_float(record.gravity_strength);
  reader.read_float(record.turbulence_size);
  reader.read_float(record.turbulence_strength);
  read_keys(reader, record.alpha);
  read_keys(reader, record.red);
  read_keys(reader, record.green);
  read_keys(reader, record.blue);
  read_keys(reader, record.scale);
  reader.read_float(record.emit_box.x);
  reader.read_float(record.emit_box.y);
  reader.read_float(record.emit_box.z);
  reader.read_float(record.emit_velocity.x);
  reader.read_float(record.emit_velocity.y);
  reader.read_float(record.emit_velocity.z);
  reader.read_float(record.emit_spread);
  reader.read_float(record.rotation_speed);
  reader.read_float(record.rotation_damping);
}

}  // namespace

void load_particle_systems(particle_system_table& table, text_reader& reader) {
  load_record_table(reader, table.records, "particle systems", read_particle_system);
  map_particle_system_codes(table);
}

void map_particle_system_codes(particle_system_table& table) {
  map_engine_codes(
      particle_system_code_names, particle_system_code_count, table.count(),
      [&](int i) -> const ruv_string& { return table.records[static_cast<std::size_t>(i)].id; }, table.codes,
      "WARNING: UNABLE TO MAP Particle System CODE: ");
}

}  // namespace hm
