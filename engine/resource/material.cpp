#include "engine/resource/material.h"

#include "engine/resource/resource_manager.h"
#include "engine/core/stream.h"
#include "engine/resource/texture_record.h"

namespace hm {

void material::read(stream& s, resource_manager& manager) {
  s.read_string(name);
  s.read_u32(flags);
  s.read_string(shader_name);
  ruv_string texture_name;
  for (texture*& slot : textures) {
    s.read_string(texture_name);
    slot = texture_name.equals_cstr("none") ? nullptr : manager.get_texture(texture_name);
  }
  s.read_float(specular_power);
  s.read_float(specular_color[0]).read_float(specular_color[1]).read_float(specular_color[2]);
}

void material::write(stream& s) const {
  s.write_string(name);
  s.write_u32(flags);
  s.write_string(shader_name);
  for (const texture* slot : textures) {
    if (!slot) {
      s.write_cstr("none");
      continue;
    }
    int dot = slot->name.find_char('.');
    s.write_string(dot < 0 ? slot->name : slot->name.substr(0, dot));
  }
  s.write_float(specular_power);
  s.write_float(specular_color[0]).write_float(specular_color[1]).write_float(specular_color[2]);
}

}  // namespace hm
