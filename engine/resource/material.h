#pragma once
// A material names the shader and up to five textures a mesh is drawn with, plus
// flags and specular values that the render passes hand to the effect.
#include <array>
#include <cstdint>

#include "engine/resource/resource.h"

namespace hm {

class resource_manager;
class shader;
class stream;
class texture;

class material : public resource {
 public:
  static constexpr int texture_slots = 5;

  int get_type_id() const override { return material_resource_type_id; }
  const char* get_type_name() const override { return "material"; }

  // Record: name, flags (u32), shader name, five texture names ("none" for an
  // empty slot, any other name is looked up with the manager's get_texture, whose
  // miss is fatal), specular power, then the specular colour r, g, b.
  void read(stream& s, resource_manager& manager);
  // Writes the record; each texture is written under its name cut at the first
  // '.', an empty slot as "none".
  void write(stream& s) const;

  std::int32_t id = 0;  // running id given at registration
  std::uint32_t flags = 0;
  ruv_string shader_name;
  // The shader chosen for this device; null until the device objects exist.
  shader* shader_ptr = nullptr;
  float specular_color[3] = {0.0f, 0.0f, 0.0f};
  std::uint32_t unset_word = 0;
  float specular_power = 0.0f;
  // Not owned; the first is the diffuse texture.
  std::array<texture*, texture_slots> textures{};
  // 0 or more marks a material whose first texture is made on demand.
  std::int32_t load_index = -1;
  std::int32_t load_word = -1;
  // Meshes holding the material add 1 and subtract 1 when they let go.
  std::int32_t use_count = 0;
  // Fills the first texture of an on-demand material.
  void (*load_function)(material&) = nullptr;
};

}  // namespace hm
