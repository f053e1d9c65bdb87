#include "campaign/map/map_terrain.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/core/log.h"
#include "engine/core/noise.h"
#include "engine/core/random.h"

namespace hm {

namespace {

constexpr std::uint32_t bit(int layer) { return 1u << layer; }
constexpr std::uint32_t river_or_bridge = bit(8) | bit(7);

vec3 vertex_position(const map_vertex& v) { return vec3(v.x, v.y, v.z); }

// The vertex normals: the mean of the normals of the faces using a vertex.
std::vector<vec3> vertex_normals(const world_map& map) {
  std::vector<vec3> normals(map.vertices.size());
  for (const map_face& f : map.faces)
    for (int i = 0; i < f.vertex_count; ++i) normals[static_cast<std::size_t>(f.vertices[i])] += f.normal;
  for (vec3& n : normals) {
    if (n.length_squared() < 1e-12f) n = vec3(0.0f, 0.0f, 1.0f);
    n.normalize();
  }
  return normals;
}

void turn_uv(float& u, float& v, float angle) {
  const float c = std::cos(angle);
  const float s = std::sin(angle);
  const float nu = u * c - v * s;
  v = u * s + v * c;
  u = nu;
}

}  // namespace

const char* get_map_terrain_material_name(int kind) {
  switch (kind) {
    case 0: return "map_ocean";
    case 1: return "map_mountain";
    case 2: return "map_steppe";
    case 3: return "map_plain";
    case 4: return "map_snow";
    case 5: return "map_desert";
    case 7: return "map_bridge";
    case 8: return "map_river";
    case 9: return "map_mountain_forest";
    case 21: return "map_shore";
    case 22: return "map_foam";
    case 23: return "map_reverse_foam";
    default: return "default";
  }
}

int map_layer_kind(int layer) { return layer < 10 ? layer : layer + 11; }

int map_base_layer(int kind) {
  if (kind == 8) return 8;
  if (kind == 9) return 9;
  if (kind == 15) return 0;
  return kind & 7;
}

int clamp_tree_count(int count) { return std::clamp(count, 0, map_tree_set_limit); }

std::vector<float> map_coast_distances(const world_map& map, const std::vector<std::uint32_t>& bits) {
  constexpr std::uint32_t coast_land = bit(1) | bit(2) | bit(3) | bit(4) | bit(5) | bit(9);
  std::vector<float> d(map.vertices.size(), 1000.0f);
  for (std::size_t v = 0; v < d.size(); ++v)
    if ((bits[v] & bit(0)) && (bits[v] & coast_land)) d[v] = 0.0f;
  for (int pass = 0; pass < 10; ++pass) {
    for (const map_edge& e : map.edges) {
      const auto a = static_cast<std::size_t>(e.vertices[0]);
      const auto b = static_cast<std::size_t>(e.vertices[1]);
      const float len = (vertex_position(map.vertices[a]) - vertex_position(map.vertices[b])).length();
      d[b] = std::min(d[b], d[a] + len);
      d[a] = std::min(d[a], d[b] + len);
    }
  }
  return d;
}

int map_block_of(const map_terrain& t, float p, int axis) {
  const int n = axis == 0 ? t.blocks_x : t.blocks_y;
  const int b = static_cast<int>(std::floor((p - t.block_min[axis]) / t.block_size[axis]));
  // The map's largest coordinate lies on the last block's upper bound: it
  // belongs to the last block, not to a block past the grid.
  return std::clamp(b, 0, n - 1);
}

bool face_in_map_layer(int layer, int k, const std::uint32_t bits[3], const float coast[3]) {
  const std::uint32_t any = bits[0] | bits[1] | bits[2];
  switch (layer) {
    case 0: return k == 0 || k == 15;
    case 8: return k == 8 || k == 7 || (k == 0 && (any & river_or_bridge));
    case 9: return k != 0 && k != 8 && (any & bit(9));
    case 7: return false;
    case 10:
      return k > 0 && k != 1 && k != 7 && k != 8 && k != 15 &&
             (coast[0] < 1.51f || coast[1] < 1.51f || coast[2] < 1.51f);
    case 11:
    case 12: return k == 0 && (coast[0] < 0.01f || coast[1] < 0.01f || coast[2] < 0.01f);
    default: return k != 0 && k != 7 && k != 8 && (any & bit(layer));
  }
}

map_terrain build_map_terrain(const world_map& map, const map_terrain_settings& s) {
  map_terrain t;
  const std::size_t nv = map.vertices.size();
  t.vertex_bits.assign(nv, 0);
  for (const map_face& f : map.faces)
    for (int i = 0; i < f.vertex_count; ++i) t.vertex_bits[static_cast<std::size_t>(f.vertices[i])] |= bit(map_base_layer(f.terrain));
  t.coast_distance = map_coast_distances(map, t.vertex_bits);
  const std::vector<vec3> normals = vertex_normals(map);
  t.vertex_light.resize(nv);
  for (std::size_t v = 0; v < nv; ++v) {
    float l = std::max(dot_product(normals[v], s.sun_direction), 0.0f);
    if (s.pixel_shaders) l *= l;
    t.vertex_light[v] = l;
  }

  // The block grid.
  float lo[2];
  float hi[2];
  map.extent(lo[0], lo[1], hi[0], hi[1]);
  int counts[2];
  for (int a = 0; a < 2; ++a) {
    const float extent = hi[a] - lo[a];
    const float size = (extent + 5.0f) * 0.125f;
    counts[a] = std::max(1, static_cast<int>(std::ceil(extent / size)));
    if (counts[a] > map_max_blocks) ruv_error(a == 0 ? "Map size too big in x axis!" : "Map size too big in y axis!");
    t.block_min[a] = lo[a];
    t.block_size[a] = size;
  }
  t.blocks_x = counts[0];
  t.blocks_y = counts[1];
  t.blocks.resize(static_cast<std::size_t>(t.blocks_x * t.blocks_y));
  std::vector<std::vector<std::int32_t>> faces_of_block(t.blocks.size());
  for (int f = 0; f < map.face_count(); ++f) {
    const map_vertex& v = map.vertices[static_cast<std::size_t>(map.faces[static_cast<std::size_t>(f)].vertices[0])];
    const int bx = map_block_of(t, v.x, 0);
    const int by = map_block_of(t, v.y, 1);
    faces_of_block[static_cast<std::size_t>(bx * t.blocks_y + by)].push_back(f);
  }

  const float sea = s.sea_direction * std::numbers::pi_v<float> / 180.0f;
  const float river = s.river_direction * std::numbers::pi_v<float> / 180.0f;
  std::vector<std::int32_t> slot(nv, -1);
  for (int bx = 0; bx < t.blocks_x; ++bx) {
    for (int by = 0; by < t.blocks_y; ++by) {
      map_terrain_block& block = t.blocks[static_cast<std::size_t>(bx * t.blocks_y + by)];
      block.x = bx;
      block.y = by;
      block.centre = vec3(t.block_min[0] + (static_cast<float>(bx) + 0.5f) * t.block_size[0],
                          t.block_min[1] + (static_cast<float>(by) + 0.5f) * t.block_size[1], 0.0f);
      const std::vector<std::int32_t>& faces = faces_of_block[static_cast<std::size_t>(bx * t.blocks_y + by)];
      for (int layer = 0; layer < map_terrain_layers; ++layer) {
        map_layer_mesh& mesh = block.layers[static_cast<std::size_t>(layer)];
        std::vector<std::int32_t> used;
        for (const std::int32_t f : faces) {
          const map_face& face = map.faces[static_cast<std::size_t>(f)];
          std::uint32_t bits[3];
          float coast[3];
          for (int i = 0; i < 3; ++i) {
            bits[i] = t.vertex_bits[static_cast<std::size_t>(face.vertices[i])];
            coast[i] = t.coast_distance[static_cast<std::size_t>(face.vertices[i])];
          }
          if (layer == 0) {
            // One tree on every forest face of the block.
            const int set = face.terrain == 10 ? 2 : face.terrain == 11 ? 0 : face.terrain == 12 ? 1 : face.terrain == 13 ? 3 : -1;
            if (set >= 0) {
              map_tree tree;
              tree.set = set;
              const int count = s.tree_counts[static_cast<std::size_t>(set)];
              tree.index = count > 1 ? random_next() % count : 0;
              tree.yaw = static_cast<float>(random_next() % 15817) * 0.00039724255f;
              float w[3];
              float sum = 0.0f;
              for (float& x : w) {
                x = static_cast<float>(random_next() % 15817) * 6.322312e-5f + 0.2f;
                sum += x;
              }
              vec3 p;
              for (int i = 0; i < 3; ++i)
                p += vertex_position(map.vertices[static_cast<std::size_t>(face.vertices[i])]) * (w[i] / sum);
              tree.position = p - block.centre;
              block.trees.push_back(tree);
            }
          }
          if (!face_in_map_layer(layer, face.terrain, bits, coast)) continue;
          for (int i = 0; i < 3; ++i) {
            const auto v = static_cast<std::size_t>(face.vertices[i]);
            if (slot[v] < 0) {
              slot[v] = static_cast<std::int32_t>(mesh.vertices.size());
              used.push_back(static_cast<std::int32_t>(v));
              mesh.vertices.push_back({});
              map_layer_vertex& out = mesh.vertices.back();
              const map_vertex& mv = map.vertices[v];
              out.map_vertex = static_cast<std::int32_t>(v);
              out.position = vertex_position(mv) - block.centre;
              float u = 0.1f * mv.x;
              float w = 0.1f * mv.y;
              const vec3 at = vertex_position(mv);
              if (layer == 0) {
                u = 10.0f * std::atan2(mv.y, mv.x);
                w = 0.1f * std::sqrt(mv.x * mv.x + mv.y * mv.y);
              } else if (layer == 2) {
                u *= 0.6f;
                w *= 0.6f;
              } else if (layer == 8 || layer == 11 || layer == 12) {
                const float angle = layer == 8 ? river : sea;
                const float weight = layer == 8 ? 0.5f : layer == 11 ? 0.7f : 0.3f;
                const float scale = layer == 8 ? 0.4f : layer == 11 ? 2.3f : 5.3f;
                turn_uv(u, w, angle);
                const vec3 n = fractal_vector_noise(6.0f, 0.7f, 3, false, at);
                u = (u + weight * n.x) * scale;
                w = (w + weight * n.y) * scale;
              }
              out.uv[0] = u;
              out.uv[1] = w;
              // The colour.
              const float l = t.vertex_light[v];
              const float fl = std::min(1.3f * l + 0.1f, 1.0f);
              const float na = fractal_vector_noise(9.0f, 0.6f, 4, false, vec3(mv.x, mv.y, 6810.0f)).x;
              const float nb = fractal_vector_noise(7.0f, 0.6f, 4, false, vec3(mv.x, mv.y, 2917.0f)).x;
              const float nc = fractal_vector_noise(4.0f, 0.6f, 4, false, vec3(mv.x, mv.y, -917.0f)).x;
              color c{(0.86f + 0.5f * na) * fl, (0.89f + 2.1f * nb) * fl, (0.87f + 0.6f * nc) * fl, 1.0f};
              if (!s.pixel_shaders) {
                c.r *= s.ambient_colour.x + 1.1f * l * s.sun_colour.x;
                c.g *= s.ambient_colour.y + 1.1f * l * s.sun_colour.y;
                c.b *= s.ambient_colour.z + 1.1f * l * s.sun_colour.z;
              }
              const std::uint32_t vb = t.vertex_bits[v];
              const float d = t.coast_distance[v];
              const bool wet = (vb & river_or_bridge) != 0;
              if (layer == 0) {
                const float k = s.pixel_shaders ? (6.0f - std::min(std::sqrt(d), 5.0f)) / 6.0f
                                                : (8.0f - std::min(std::sqrt(d), 5.0f)) / 8.0f;
                c.r *= k;
                c.g *= k;
                c.b *= k;
              } else if (layer == 8) {
                c.r *= 0.7f;
                c.g *= 0.7f;
                c.b *= 0.7f;
                c.a = wet ? 1.0f : 0.0f;
              } else if (layer == 10) {
                if (d > 0.01f) {
                  c.r *= 0.85f;
                  c.g *= 0.85f;
                  c.b *= 0.85f;
                }
                c.a = std::max(1.0f - d * 0.6667f, 0.0f);
              } else if (layer == 11 || layer == 12) {
                c.a = d <= 0.01f && !wet ? 1.0f : 0.0f;
              } else {
                if (!(vb & bit(layer))) c.a = 0.0f;
                if (layer == 4) {
                  c.r = c.g = c.b = 0.9f;
                } else if (wet) {
                  c.r *= 0.65f;
                  c.g *= 0.85f;
                  c.b *= 0.7f;
                }
              }
              if (!s.pixel_shaders) {
                c.r = std::sqrt(std::max(c.r, 0.0f));
                c.g = std::sqrt(std::max(c.g, 0.0f));
                c.b = std::sqrt(std::max(c.b, 0.0f));
              }
              c.r = std::clamp(c.r, 0.0f, 1.0f);
              c.g = std::clamp(c.g, 0.0f, 1.0f);
              c.b = std::clamp(c.b, 0.0f, 1.0f);
              out.colour = color_to_argb(c);
            }
            mesh.triangles.push_back(slot[v]);
          }
          mesh.faces.push_back(f);
        }
        for (const std::int32_t v : used) slot[static_cast<std::size_t>(v)] = -1;
      }
    }
  }
  return t;
}

}  // namespace hm
