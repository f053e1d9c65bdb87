#include "module/media/skin.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/audio/sound_manager.h"
#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/texture_record.h"
#include "module/base/module_text.h"

namespace hm {

skin_table g_skins;

namespace {

// A texture by the names get_texture tries, or null.
texture* find_texture(const ruv_string& name) {
  const std::string base(name.view());
  for (const char* suffix : {".dds", "", ".jpg", ".tga"}) {
    if (resource* r = g_resource_manager.find(texture_resource_type_id, ruv_string(base + suffix)))
      return static_cast<texture*>(r);
  }
  return nullptr;
}

// The material of that exact name, or null (a miss is no warning here: the
// mesh keeps its own material).
material* find_material(const ruv_string& name) {
  return static_cast<material*>(g_resource_manager.find(material_resource_type_id, name));
}

void set_material_if_found(mesh& m, const ruv_string& name) {
  if (material* mat = find_material(name)) m.set_material(mat);
}

// A face code carries an index in six bits: the lists past what it can name
// are dropped at load, with a line saying so.
template <class List>
void keep_codeable(List& list, int limit, const ruv_string& skin_id, const char* what) {
  if (static_cast<int>(list.size()) <= limit) return;
  log_line(std::string("WARNING: skin ").append(skin_id.view()).append(": ").append(what).append(" past ")
               .append(std::to_string(limit)).append(" cannot be carried by a face code\n"));
  list.resize(static_cast<std::size_t>(limit));
}

int wrap_index(int index, int count) {
  if (count <= 0) return -1;
  const int r = index % count;
  return r < 0 ? r + count : r;
}

mesh* read_mesh(text_reader& reader, ruv_string& name) {
  reader.read_string(name);
  return g_resource_manager.get_mesh<mesh>(name);
}

void read_face_texture(skin& s, skin_face_texture& t, text_reader& reader) {
  reader.read_string(t.name);
  t.face_texture = g_resource_manager.get_texture(t.name);
  // The lower levels of detail may share the face texture.
  t.lod_texture = find_texture(t.name.concat(ruv_string(".LOD")));
  if (!t.lod_texture) t.lod_texture = t.face_texture;
  reader.read_u32(t.color_word);
  const std::int32_t hair_count = read_record_count(reader, "hair textures", s.id.c_str());
  const std::int32_t color_count = read_record_count(reader, "colours", s.id.c_str());
  for (std::int32_t i = 0; i < hair_count; ++i) {
    ruv_string name;
    reader.read_string(name);
    for (std::size_t h = 0; h < s.hair_textures.size(); ++h) {
      if (s.hair_textures[h].equals(name)) {
        t.hair_textures.push_back(static_cast<std::int32_t>(h));
        break;
      }
    }
  }
  for (std::int32_t i = 0; i < color_count; ++i) {
    std::uint32_t argb = 0;
    reader.read_u32(argb);
    t.colors.push_back(argb_to_color(argb));
  }
}

void read_constraint(skin& s, face_constraint& c, text_reader& reader) {
  reader.read_float(c.value);
  reader.read_int(c.comparison);
  const std::int32_t pairs = read_record_count(reader, "constraint pairs", s.id.c_str());
  for (std::int32_t i = 0; i < pairs; ++i) {
    face_constraint_term t;
    reader.read_float(t.coefficient);
    reader.read_int(t.key);
    if (i >= face_morph_slots) continue;
    // A pair that names no slider would move memory outside the sliders, and
    // a zero weight would divide the shortfall by zero.
    if (t.key < 0 || t.key >= face_morph_slots || t.coefficient == 0.0f) {
      log_line(std::string("WARNING: skin ").append(s.id.view()).append(": face-key constraint pair with slider ")
                   .append(std::to_string(t.key)).append(" and weight ").append(std::to_string(t.coefficient))
                   .append(" is dropped\n"));
      continue;
    }
    c.terms.push_back(t);
  }
}

}  // namespace

skin_face build_skin_face(const skin& s, const face_state& state, bool use_texture_hair_list, bool pixel_shaders) {
  skin_face out;
  if (!s.head_mesh) return out;
  const int hair = state.hair < 0 ? -1 : wrap_index(state.hair, static_cast<int>(s.hair_meshes.size()));
  const int face_texture = wrap_index(state.face_texture, static_cast<int>(s.face_textures.size()));
  const int beard = state.beard >= 0 && state.beard < static_cast<int>(s.beards.size()) ? state.beard : -1;
  const skin_face_texture* texture = face_texture >= 0 ? &s.face_textures[static_cast<std::size_t>(face_texture)] : nullptr;
  if (texture && !texture->colors.empty()) out.hair_color = skin_hair_color(texture->colors, state.hair_color, pixel_shaders);
  // The hair material counts among the ones the face texture allows. A face
  // texture that names none (none of its names is a hair texture of the
  // skin) leaves the index as it is.
  int hair_material = state.hair_material;
  if (use_texture_hair_list && texture && !texture->hair_textures.empty()) {
    const std::vector<std::int32_t>& allowed = texture->hair_textures;
    hair_material = allowed[static_cast<std::size_t>(wrap_index(hair_material, static_cast<int>(allowed.size())))];
  }
  // The skin's last face key is its base shape, always at full weight.
  float weights[face_morph_slots];
  std::copy(std::begin(state.morph_weights), std::end(state.morph_weights), std::begin(weights));
  if (!s.face_keys.empty() && s.face_keys.size() <= static_cast<std::size_t>(face_morph_slots)) {
    weights[s.face_keys.size() - 1] = 1.0f;
  }

  const mesh* hair_mesh = hair >= 0 ? s.hair_meshes[static_cast<std::size_t>(hair)] : nullptr;
  const std::vector<std::int32_t>* hair_map =
      hair >= 0 && static_cast<std::size_t>(hair) < s.hair_point_maps.size() ? &s.hair_point_maps[static_cast<std::size_t>(hair)]
                                                                            : nullptr;
  built_face face = build_face_mesh(*s.head_mesh, s.face_keys, weights, state.age, hair_mesh, hair_map, out.hair_color);
  out.head = std::move(face.head);
  out.hair = std::move(face.hair);
  if (texture) set_material_if_found(*out.head, texture->name);

  const float age = std::clamp(state.age, 0.0f, 1.0f);
  const std::uint32_t alpha_word = (static_cast<std::uint32_t>(age * age * 255.0f) << 24) | 0xFFFFFFu;
  if (beard >= 0) {
    const skin_beard& b = s.beards[static_cast<std::size_t>(beard)];
    out.beard = b.beard_mesh->create_copy();
    apply_morph_keys_mapped(*out.beard, b.point_map, s.face_keys, weights);
    out.beard->color = out.hair_color;
    out.beard->color2 = alpha_word;
    if (!s.beard_textures.empty()) {
      const int last = static_cast<int>(s.beard_textures.size()) - 1;
      set_material_if_found(*out.beard, s.beard_textures[static_cast<std::size_t>(std::clamp(hair_material, 0, last))]);
    }
  }
  if (out.hair && !s.hair_textures.empty() && hair_material >= 0) {
    const int last = static_cast<int>(s.hair_textures.size()) - 1;
    set_material_if_found(*out.hair, s.hair_textures[static_cast<std::size_t>(std::min(hair_material, last))]);
  }
  return out;
}

ruv_string right_mesh_name(const ruv_string& left) {
  std::string name(left.view());
  if (name.empty()) return left;
  name.back() = name.back() == 'l' ? 'r' : 'R';
  return ruv_string(name);
}

void skin::read(text_reader& reader) {
  reader.read_string(id);
  reader.read_u32(flags);
  ruv_string name;
  body_mesh = read_mesh(reader, name);
  calf_left = read_mesh(reader, name);
  calf_right = g_resource_manager.get_mesh<mesh>(right_mesh_name(name));
  hand_left = read_mesh(reader, name);
  hand_right = g_resource_manager.get_mesh<mesh>(right_mesh_name(name));
  reader.read_string(head_mesh_name);
  head_mesh = g_resource_manager.find_mesh<mesh>(head_mesh_name);
  if (!head_mesh) ruv_error("Unable to find face mesh: %s", head_mesh_name.c_str());

  const std::int32_t key_count = read_record_count(reader, "face keys", id.c_str());
  read_records(reader, face_keys, key_count, [](morph_key& k, text_reader& r) {
    r.read_string(k.id);
    r.read_int(k.key_time);
    r.read_u32(k.word);
    r.read_float(k.min);
    r.read_float(k.max);
    read_spaced_string(r, k.name);
  });
  for (int k = 0; k < static_cast<int>(face_keys.size()); ++k) build_morph_deltas(k);

  const std::int32_t hair_count = read_record_count(reader, "hair meshes", id.c_str());
  hair_meshes.clear();
  hair_point_maps.clear();
  for (std::int32_t i = 0; i < hair_count; ++i) {
    reader.read_string(name);
    if (i >= max_skin_hair_meshes) {
      if (i == max_skin_hair_meshes)
        log_line(std::string("WARNING: skin ").append(id.view()).append(": hair meshes past ")
                     .append(std::to_string(max_skin_hair_meshes)).append(" cannot be carried by a face code\n"));
      continue;
    }
    mesh* hair = g_resource_manager.get_mesh<mesh>(name);
    hair_meshes.push_back(hair);
    hair_point_maps.push_back(build_point_map(*hair, *head_mesh));
  }

  const std::int32_t beard_count = read_record_count(reader, "beard meshes", id.c_str());
  read_records(reader, beards, beard_count, [this](skin_beard& b, text_reader& r) {
    r.read_string(b.name);
    b.beard_mesh = g_resource_manager.find_mesh<mesh>(b.name);
    if (!b.beard_mesh) ruv_error("Unable to find beard mesh: %s", b.name.c_str());
    b.point_map = build_point_map(*b.beard_mesh, *head_mesh);
  });
  keep_codeable(beards, max_skin_beards, id, "beard meshes");

  auto read_names = [&](std::vector<ruv_string>& names, const char* what) {
    read_records(reader, names, read_record_count(reader, what, id.c_str()),
                 [](ruv_string& n, text_reader& r) { r.read_string(n); });
  };
  read_names(hair_textures, "hair textures");
  keep_codeable(hair_textures, max_skin_hair_textures, id, "hair textures");
  read_names(beard_textures, "beard textures");

  const std::int32_t texture_count = read_record_count(reader, "face textures", id.c_str());
  read_records(reader, face_textures, texture_count,
               [this](skin_face_texture& t, text_reader& r) { read_face_texture(*this, t, r); });
  keep_codeable(face_textures, max_skin_face_textures, id, "face textures");

  const std::int32_t voice_count = read_record_count(reader, "voices", id.c_str());
  std::fill(std::begin(voices), std::end(voices), -1);
  for (std::int32_t i = 0; i < voice_count; ++i) {
    std::int32_t type = 0;
    reader.read_int(type);
    reader.read_string(name);
    if (type >= 0 && type < skin_voice_count) voices[type] = g_sound_manager.find_sound(name.view());
  }

  reader.read_string(name);
  body_skeleton = g_resource_manager.get_skeleton(name);
  reader.read_float(scale);
  reader.read_int(values[0]);
  reader.read_int(values[1]);

  const std::int32_t constraint_count = read_record_count(reader, "face-key constraints", id.c_str());
  read_records(reader, constraints, constraint_count,
               [this](face_constraint& c, text_reader& r) { read_constraint(*this, c, r); });
}

void skin::build_morph_deltas(int k) {
  if (k < 0 || k >= static_cast<int>(face_keys.size()) || !head_mesh) return;
  morph_key& key = face_keys[static_cast<std::size_t>(k)];
  build_morph_offsets(*head_mesh, key.key_time, key.offsets);
}

void skin::apply_face_key_constraints(int excluded, float (&sliders)[face_morph_slots]) const {
  apply_face_constraints(constraints, excluded, sliders);
}

void read_skins(skin_table& table, text_reader& reader) {
  load_record_table(reader, table.skins, "skins", [](skin& s, text_reader& r) { s.read(r); });
  table.selection[0] = table.selection[1] = -1;
  std::fill(std::begin(table.words), std::end(table.words), 0);
  std::fill(std::begin(table.sliders), std::end(table.sliders), 0.5f);
  table.extra[0] = 0.3f;
  table.extra[1] = 0.5f;
  // A module without skins has no constraints to meet.
  if (!table.skins.empty()) table.skins[0].apply_face_key_constraints(-1, table.sliders);
}

// --- face codes ---------------------------------------------------------------------------------

namespace {

constexpr float sixty_third = 0.015873017f;
constexpr float seventh = 0.14285715f;
constexpr int keys_per_word = 21;

int code_key_count(const skin& s) { return std::min(static_cast<int>(s.face_keys.size()), face_code_keys); }

}  // namespace

face_state decode_face_code(const face_code& code, const skin& s, int skin_index) {
  face_state f;
  f.skin = skin_index;
  const std::uint64_t w = code[0];
  f.hair = static_cast<int>(w & 63u) - 1;
  f.beard = static_cast<int>((w >> 6) & 63u) - 1;
  f.face_texture = static_cast<int>((w >> 12) & 63u);
  f.hair_material = static_cast<int>((w >> 18) & 63u);
  if (f.hair >= static_cast<int>(s.hair_meshes.size())) f.hair = -1;
  if (f.beard >= static_cast<int>(s.beards.size())) f.beard = -1;
  if (f.face_texture >= static_cast<int>(s.face_textures.size())) f.face_texture = 0;
  if (f.hair_material >= static_cast<int>(s.hair_textures.size())) f.hair_material = 0;
  f.hair_color = static_cast<float>((w >> 24) & 63u) * sixty_third;
  f.age = static_cast<float>((w >> 30) & 63u) * sixty_third;
  for (int i = 0; i < code_key_count(s); ++i) {
    const std::uint64_t word = code[static_cast<std::size_t>(1 + i / keys_per_word)];
    f.morph_weights[i] = static_cast<float>((word >> (3 * (i % keys_per_word))) & 7u) * seventh;
  }
  return f;
}

face_code encode_face_code(const face_state& face, const skin& s) {
  face_code code{};
  // Each field is cut to its width: a value wider than its bits would spill
  // into the next field and decode as another face. The indexes are kept in
  // range by the skin loader's limits and the face generator.
  const auto field = [](std::int64_t v, int width, int shift) {
    return (static_cast<std::uint64_t>(v) & ((1ull << width) - 1)) << shift;
  };
  // Fractions outside 0..1 (or not numbers) would wrap around their bits.
  const auto unit = [](float v) { return v >= 0.0f ? std::min(v, 1.0f) : 0.0f; };
  code[0] = field(face.hair + 1, face_code_field_bits, 0) | field(face.beard + 1, face_code_field_bits, 6) |
            field(face.face_texture, face_code_field_bits, 12) | field(face.hair_material, face_code_field_bits, 18) |
            field(static_cast<std::int64_t>(unit(face.hair_color) * 63.0f), face_code_field_bits, 24) |
            field(static_cast<std::int64_t>(unit(face.age) * 63.0f), face_code_field_bits, 30);
  for (int i = 0; i < code_key_count(s); ++i) {
    const float v = unit(face.morph_weights[i]) * 7.0f;
    const float whole = std::floor(v);
    const auto n = static_cast<std::int64_t>(whole) + (v - whole > 0.5f ? 1 : 0);
    code[static_cast<std::size_t>(1 + i / keys_per_word)] |= field(n, 3, 3 * (i % keys_per_word));
  }
  return code;
}

}  // namespace hm
