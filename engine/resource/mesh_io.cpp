// The mesh record of resource files, read and written field by field in the
// same order.
#include "engine/core/log.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_file.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/shader_record.h"
#include "engine/core/stream.h"

namespace hm {

namespace {

void read_xyz(stream& s, vec3& v) { s.read_float(v.x).read_float(v.y).read_float(v.z); }
void write_xyz(stream& s, const vec3& v) { s.write_float(v.x).write_float(v.y).write_float(v.z); }

// The fewest values each item of a list takes in the record.
constexpr int point_values = 3;
constexpr int bone_list_values = 2;
constexpr int bone_weight_values = 2;
constexpr int key_values = 3;
constexpr int vertex_values = 9;
constexpr int face_values = 3;

bool in_range(std::int32_t index, std::size_t count) {
  return index >= 0 && static_cast<std::size_t>(index) < count;
}

// Reads `count` items of `values` 4-byte values each. In the binary form the
// whole array's bytes are taken at once and each item is decoded from them;
// otherwise (the text form, or too few bytes left) item by item through the
// stream, which reports the end of the data where it lies. Items are built
// whole and appended, and check(item, index) runs after each one in order, so a
// bad index is reported for the same item either way.
template <class Item, class FromBytes, class FromStream, class Check>
void read_array(stream& s, std::vector<Item>& items, std::size_t count, std::size_t values, FromBytes from_bytes,
                FromStream from_stream, Check check) {
  items.clear();
  items.reserve(count);
  if (const char* bytes = s.try_take_raw(count * values * 4)) {
    for (std::size_t i = 0; i < count; ++i, bytes += values * 4) {
      items.push_back(from_bytes(bytes));
      check(items.back(), i);
    }
    return;
  }
  for (std::size_t i = 0; i < count; ++i) {
    items.push_back(from_stream(s));
    check(items.back(), i);
  }
}

vec3 xyz_from(const char* b) {
  return vec3(binary_value<float>(b), binary_value<float>(b + 4), binary_value<float>(b + 8));
}

vec3 xyz_from(stream& s) {
  vec3 v;
  read_xyz(s, v);
  return v;
}

void read_xyz_array(stream& s, std::vector<vec3>& items, std::size_t count) {
  read_array(
      s, items, count, 3, [](const char* b) { return xyz_from(b); }, [](stream& in) { return xyz_from(in); },
      [](const vec3&, std::size_t) {});
}

mesh_point point_from(vec3 position) {
  mesh_point p;
  p.position = position;
  p.current_position = position;
  return p;
}

mesh_vertex vertex_from(std::int32_t point, std::uint32_t color, vec3 normal, float u, float v, float u2, float v2) {
  mesh_vertex out;
  out.point = point;
  out.color = color;
  out.normal = normal;
  out.uv[0] = u;
  out.uv[1] = v;
  out.uv2[0] = u2;
  out.uv2[1] = v2;
  out.current_normal = normal;
  out.current_color = color;
  out.extra = 0;
  return out;
}

}  // namespace

void mesh::read(stream& s, resource_manager& manager) {
  s.read_string(name);
  s.read_u32(flags);
  s.read_string(material_name);
  set_material(manager.get_material(material_name));

  std::int32_t point_count = 0;
  s.read_int(point_count);
  check_record_count(s, point_count, point_values, "points", name);
  read_array(
      s, points, static_cast<std::size_t>(point_count), 3, [](const char* b) { return point_from(xyz_from(b)); },
      [](stream& in) { return point_from(xyz_from(in)); }, [](const mesh_point&, std::size_t) {});

  std::int32_t list_count = 0;
  s.read_int(list_count);
  check_record_count(s, list_count, bone_list_values, "bone-weight lists", name);
  bone_weights.resize(static_cast<std::size_t>(list_count));
  for (std::size_t l = 0; l < bone_weights.size(); ++l) {
    bone_weight_list& list = bone_weights[l];
    s.read_int(list.bone);
    // A negative bone would index the bone palette from below.
    if (list.bone < 0) ruv_error("Bad bone index %d in mesh %s", list.bone, name.c_str());
    std::int32_t n = 0;
    s.read_int(n);
    check_record_count(s, n, bone_weight_values, "bone weights", name);
    read_array(
        s, list.weights, static_cast<std::size_t>(n), 2,
        [](const char* b) {
          bone_weight w;
          w.point = binary_value<std::int32_t>(b);
          w.weight = binary_value<float>(b + 4);
          return w;
        },
        [](stream& in) {
          bone_weight w;
          in.read_int(w.point).read_float(w.weight);
          return w;
        },
        [&](const bone_weight& w, std::size_t) {
          if (!in_range(w.point, points.size())) {
            ruv_error("Bad point index %d in bone-weight list %d of mesh %s", w.point, static_cast<int>(l),
                      name.c_str());
          }
        });
  }

  std::int32_t key_count = 0;
  s.read_int(key_count);
  check_record_count(s, key_count, key_values, "vertex-animation keys", name);
  vertex_anim_times.resize(static_cast<std::size_t>(key_count));
  vertex_anim_keys.resize(static_cast<std::size_t>(key_count));
  for (std::size_t k = 0; k < vertex_anim_keys.size(); ++k) {
    vertex_anim_key& key = vertex_anim_keys[k];
    s.read_int(vertex_anim_times[k]);
    std::int32_t n = 0;
    s.read_int(n);
    check_record_count(s, n, point_values, "key positions", name);
    read_xyz_array(s, key.positions, static_cast<std::size_t>(n));
    // Vertex animation reads one position per point; a shorter key would be
    // read past its end.
    if (key.positions.size() < points.size()) {
      ruv_error("Vertex-animation key %d of mesh %s holds %d positions for %d points", static_cast<int>(k),
                name.c_str(), n, point_count);
    }
    s.read_int(n);
    check_record_count(s, n, point_values, "key normals", name);
    read_xyz_array(s, key.normals, static_cast<std::size_t>(n));
  }

  std::int32_t vertex_count = 0;
  s.read_int(vertex_count);
  check_record_count(s, vertex_count, vertex_values, "vertices", name);
  read_array(
      s, vertices, static_cast<std::size_t>(vertex_count), vertex_values,
      [](const char* b) {
        return vertex_from(binary_value<std::int32_t>(b), binary_value<std::uint32_t>(b + 4), xyz_from(b + 8),
                           binary_value<float>(b + 20), binary_value<float>(b + 24), binary_value<float>(b + 28),
                           binary_value<float>(b + 32));
      },
      [](stream& in) {
        std::int32_t point = 0;
        std::uint32_t color = 0;
        in.read_int(point).read_u32(color);
        const vec3 normal = xyz_from(in);
        float uv[4] = {};
        in.read_float(uv[0]).read_float(uv[1]).read_float(uv[2]).read_float(uv[3]);
        return vertex_from(point, color, normal, uv[0], uv[1], uv[2], uv[3]);
      },
      [&](const mesh_vertex& v, std::size_t i) {
        if (!in_range(v.point, points.size())) {
          ruv_error("Bad point index %d in vertex %d of mesh %s", v.point, static_cast<int>(i), name.c_str());
        }
      });
  for (std::size_t k = 0; k < vertex_anim_keys.size(); ++k) {
    if (vertex_anim_keys[k].normals.size() < vertices.size()) {
      ruv_error("Vertex-animation key %d of mesh %s holds %d normals for %d vertices", static_cast<int>(k),
                name.c_str(), static_cast<int>(vertex_anim_keys[k].normals.size()), vertex_count);
    }
  }

  std::int32_t face_count = 0;
  s.read_int(face_count);
  check_record_count(s, face_count, face_values, "faces", name);
  read_array(
      s, faces, static_cast<std::size_t>(face_count), face_values,
      [](const char* b) {
        mesh_face f;
        for (int c = 0; c < 3; ++c) f.vertex[c] = binary_value<std::int32_t>(b + 4 * c);
        return f;
      },
      [](stream& in) {
        mesh_face f;
        in.read_int(f.vertex[0]).read_int(f.vertex[1]).read_int(f.vertex[2]);
        return f;
      },
      [&](const mesh_face& f, std::size_t i) {
        for (std::int32_t v : f.vertex) {
          if (!in_range(v, vertices.size())) {
            ruv_error("Bad vertex index %d in face %d of mesh %s", v, static_cast<int>(i), name.c_str());
          }
        }
      });

  compute_tangent_frames();
  bone_count = highest_bone_count();
  if (bone_count > mesh_max_bones) ruv_error("Too many bones in mesh %s", name.c_str());
  // The material's shader may not be chosen yet while files load; its flags
  // are known from the shader of the material's record.
  const shader* sh = mat ? mat->shader_ptr : nullptr;
  if (!sh && mat) sh = static_cast<const shader*>(manager.find(shader_resource_type_id, mat->shader_name));
  const bool skinned_shader = sh && (sh->flags & shader::flag_skinned);
  if (!bone_weights.empty() || skinned_shader) build_vertex_skinning();
  compute_bounding_box();
  set_low_sort_switch(0);
  set_high_sort_switch(0);
}

void mesh::write(stream& s) const {
  s.write_string(name);
  s.write_u32(flags);
  // A name of one character or none stands for "use the material's own name".
  if (material_name.length() > 1 || !mat) {
    s.write_string(material_name);
  } else {
    s.write_string(mat->name);
  }
  const auto count = [](const auto& v) { return static_cast<std::int32_t>(v.size()); };

  const std::vector<mesh_point>& ps = get_points();
  s.write_int(count(ps));
  for (const mesh_point& p : ps) write_xyz(s, p.position);

  const std::vector<bone_weight_list>& lists = get_bone_weights();
  s.write_int(count(lists));
  for (const bone_weight_list& list : lists) {
    s.write_int(list.bone).write_int(count(list.weights));
    for (const bone_weight& w : list.weights) s.write_int(w.point).write_float(w.weight);
  }

  const std::vector<vertex_anim_key>& keys = get_vertex_anim_keys();
  const std::vector<std::int32_t>& times = get_vertex_anim_times();
  s.write_int(count(keys));
  for (std::size_t k = 0; k < keys.size(); ++k) {
    s.write_int(k < times.size() ? times[k] : 0);
    s.write_int(count(keys[k].positions));
    for (const vec3& p : keys[k].positions) write_xyz(s, p);
    s.write_int(count(keys[k].normals));
    for (const vec3& n : keys[k].normals) write_xyz(s, n);
  }

  const std::vector<mesh_vertex>& vs = get_vertices();
  s.write_int(count(vs));
  for (const mesh_vertex& v : vs) {
    s.write_int(v.point).write_u32(v.color);
    write_xyz(s, v.normal);
    s.write_float(v.uv[0]).write_float(v.uv[1]).write_float(v.uv2[0]).write_float(v.uv2[1]);
  }

  const std::vector<mesh_face>& fs = get_faces();
  s.write_int(count(fs));
  for (const mesh_face& f : fs) s.write_int(f.vertex[0]).write_int(f.vertex[1]).write_int(f.vertex[2]);
}

resource_section_kind mesh_section_kind() {
  // name, flags, material and the five counts.
  return {"mesh", mesh_resource_type_id, 8, [] { return std::unique_ptr<resource>(std::make_unique<mesh>()); },
          [](stream& s, resource& r, resource_manager& manager) {
            if (!manager.linearize_mesh_colors) install_mesh_hooks(manager);
            static_cast<mesh&>(r).read(s, manager);
          },
          [](stream& s, const resource& r) { static_cast<const mesh&>(r).write(s); }};
}

}  // namespace hm
