#pragma once
// A scene's ".sco" file made from a readable list of what stands in it, for
// modules whose scenes are generated from a terrain code. The list has one
// entry a line ('#' starts a comment):
//   terrain <code>              the terrain the objects stand on
//   navigation_grid <step>      a grid navigation graph over that terrain,
//                               one face every <step> terrain samples
//   prop <spr_id> <x> <y> <heading> [<lift>]
//   entry <number> <x> <y> <heading>
// Positions are in scene metres; every object is set onto the generated
// ground (a prop <lift> above it); the heading is in degrees, 0 facing north
// (+y), 90 facing east.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "render/scene/scene_objects.h"
#include "render/terrain/ai_mesh.h"
#include "render/terrain/height_field.h"
#include "render/terrain/terrain_generator.h"
#include "terrain_kinds_file.h"

namespace hm::tools {

namespace scene_list_detail {

inline constexpr float degrees_to_radians = 3.14159265f / 180.0f;

struct list_fault {
  int line = 0;
  std::string text;
};

// The terrain's height at (x, y), blended from the four samples around it;
// false off the sampled ground.
inline bool field_height(const height_field& field, float x, float y, float& out) {
  if (field.cell_size <= 0.0f) return false;
  const float fx = x / field.cell_size;
  const float fy = y / field.cell_size;
  const int ix = static_cast<int>(std::floor(fx));
  const int iy = static_cast<int>(std::floor(fy));
  if (ix < 0 || iy < 0 || ix + 1 >= field.sample_count_x || iy + 1 >= field.sample_count_y) return false;
  const float tx = fx - static_cast<float>(ix);
  const float ty = fy - static_cast<float>(iy);
  const float low = field.sample(ix, iy).height * (1.0f - tx) + field.sample(ix + 1, iy).height * tx;
  const float high = field.sample(ix, iy + 1).height * (1.0f - tx) + field.sample(ix + 1, iy + 1).height * tx;
  out = low * (1.0f - ty) + high * ty;
  return true;
}

// An upright frame at (x, y) on the terrain, `lift` above it, facing the
// heading; on_ground false when (x, y) lies outside the navigation graph.
inline frame placed_frame(const ai_mesh& graph, const height_field& field, float x, float y, float heading_degrees,
                          float lift, bool& on_ground) {
  frame f = frame::identity();
  const float a = heading_degrees * degrees_to_radians;
  f.rot.f = vec3(std::sin(a), std::cos(a), 0.0f);
  f.rot.s = vec3(std::cos(a), -std::sin(a), 0.0f);
  f.rot.u = vec3(0.0f, 0.0f, 1.0f);
  float height = 0.0f;
  on_ground = graph.find_face(vec3(x, y, 1000.0f)) >= 0 && field_height(field, x, y, height);
  f.origin = vec3(x, y, height + lift);
  return f;
}

// "x a .. b, y c .. d": the ground the graph covers.
inline std::string extent_text(const ai_mesh& graph) {
  vec3 low(1e30f, 1e30f, 0.0f), high(-1e30f, -1e30f, 0.0f);
  for (const ai_mesh_vertex& v : graph.vertices) {
    low.x = std::min(low.x, v.position.x);
    low.y = std::min(low.y, v.position.y);
    high.x = std::max(high.x, v.position.x);
    high.y = std::max(high.y, v.position.y);
  }
  char text[128];
  std::snprintf(text, sizeof text, "the ground covers x %.1f .. %.1f, y %.1f .. %.1f", low.x, high.x, low.y, high.y);
  return text;
}

}  // namespace scene_list_detail

// Makes <out_path> from the list at <list_path>, the flora and ground kinds
// read from <data_folder>/Data/. "" on success (with what was made in
// `summary`), else the reason, naming the list's line.
inline std::string make_scene_object_file(const std::string& list_path, const std::string& out_path,
                                          const std::string& data_folder, std::string& summary) {
  using namespace scene_list_detail;
  std::ifstream in(list_path);
  if (!in) return "cannot read " + list_path;
  terrain_generator& gen = g_terrain_generator;
  gen.module_data = terrain_module_data{};
  if (!read_kinds(data_folder, gen.module_data)) return "no flora and ground kinds in " + data_folder + "/Data";
  scene_objects objects;
  ai_mesh graph;
  bool have_graph = false;
  list_fault fault;
  std::string line;
  int number = 0;
  while (fault.text.empty() && std::getline(in, line)) {
    ++number;
    if (const std::size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream words(line);
    std::string word;
    if (!(words >> word)) continue;
    if (word == "terrain") {
      std::string code;
      if (!(words >> code)) {
        fault = {number, "terrain needs a code"};
        break;
      }
      gen.code.parse(code.c_str());
      gen.generate_terrain();
    } else if (word == "navigation_grid") {
      int step = 0;
      if (!(words >> step) || step <= 0 || gen.vertex_count_x() <= 1) {
        fault = {number, "navigation_grid needs a positive step after the terrain"};
        break;
      }
      build_grid_ai_mesh(graph, gen.heights, step);

      graph.link_edges_to_faces();
      graph.update_faces();
      have_graph = !graph.faces.empty();
      if (!have_graph) fault = {number, "the terrain is too small for a navigation grid"};
    } else if (word == "prop" || word == "entry") {
      stored_scene_object p;
      std::string name;
      float x = 0.0f, y = 0.0f, heading = 0.0f, lift = 0.0f;
      if (!(words >> name >> x >> y >> heading)) {
        fault = {number, word + " needs a name or number, x, y and a heading"};
        break;
      }
      if (word == "prop") words >> lift;
      if (!have_graph) {
        fault = {number, "objects come after the navigation grid, which gives them their ground"};
        break;
      }
      bool on_ground = false;
      p.placement = placed_frame(graph, gen.heights, x, y, heading, lift, on_ground);
      p.initial_frame = p.placement;
      if (!on_ground) {
        fault = {number, word + " at " + std::to_string(x) + ", " + std::to_string(y) + " is off the terrain (" +
                             extent_text(graph) + ")"};
        break;
      }
      if (word == "prop") {
        p.object_class = 0;
        p.kind_id = 0;
        p.name = ruv_string(name.c_str());
      } else {
        p.object_class = 1;
        p.name = ruv_string("");
        try {
          p.variation_id = std::stoi(name);
        } catch (const std::exception&) {
          fault = {number, "\"" + name + "\" is not an entry number"};
          break;
        }
      }
      objects.prop_instances.push_back(p);
    } else {
      fault = {number, "unknown entry \"" + word + "\""};
    }
  }
  if (!fault.text.empty()) return list_path + ":" + std::to_string(fault.line) + ": " + fault.text;
  if (!have_graph) return list_path + ": no navigation_grid";
  binary_writer graph_bytes;
  graph.write(graph_bytes);
  objects.ai_mesh_data = std::string(graph_bytes.contents());
  binary_writer out;
  if (out.open(out_path) != 0) return "cannot write " + out_path;
  write_scene_objects(out, objects, 0);
  if (out.close() != 0) {
    // A cut file would be read as the scene's next time; without it the
    // build makes it again.
    std::remove(out_path.c_str());
    return "cannot write " + out_path;
  }
  summary = std::to_string(objects.prop_instances.size()) + " objects, navigation graph of " +
            std::to_string(graph.faces.size()) + " faces";
  return "";
}

}  // namespace hm::tools
