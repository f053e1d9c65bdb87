#pragma once
// A recording render view and a small fixture mesh shared by the mesh,
// mesh-operation and particle tests.
#include <map>
#include <memory>
#include <vector>

#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/mesh_render_view.h"

namespace hm::test {

class recording_view : public mesh_render_view {
 public:
  std::uint32_t mask = 0xFFFFu;
  std::uint32_t flags = 0;
  bool queued = false;
  std::vector<bool> enqueued_at_end;
  std::vector<mesh*> meshes;
  std::vector<mesh_light*> lights;
  std::map<material*, std::unique_ptr<mesh>> batches;
  std::map<material*, std::unique_ptr<mesh>> particle_meshes;
  frame camera = frame::identity();

  std::uint32_t visibility_mask() const override { return mask; }
  std::uint32_t view_flags() const override { return flags; }
  bool is_queued() const override { return queued; }
  void enqueue(bool at_end) override {
    queued = true;
    enqueued_at_end.push_back(at_end);
  }
  void add_mesh(mesh& m) override { meshes.push_back(&m); }
  void add_light(mesh_light& light) override { lights.push_back(&light); }
  mesh& batch_mesh(material& m) override {
    auto& slot = batches[&m];
    if (!slot) slot = make_batch_mesh(m);
    return *slot;
  }
  mesh& particle_mesh(material& m) override {
    auto& slot = particle_meshes[&m];
    if (!slot) {
      slot = std::make_unique<mesh>();
      slot->set_material(&m);
    }
    return *slot;
  }
  frame camera_frame() const override { return camera; }
};

// A quad of side 2 in the x-y plane (points (0,0,0) (2,0,0) (2,2,0) (0,2,0)),
// normals +z, texture coordinates growing with x and y, faces (0,1,2) (0,2,3).
inline void build_quad(mesh& q) {
  q.add_point(vec3(0, 0, 0));
  q.add_point(vec3(2, 0, 0));
  q.add_point(vec3(2, 2, 0));
  q.add_point(vec3(0, 2, 0));
  const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (int i = 0; i < 4; ++i) q.add_vertex(i, uv[i][0], uv[i][1], 0xFF804020u, vec3(0, 0, 1));
  q.add_face(0, 1, 2);
  q.add_face(0, 2, 3);
  q.compute_bounding_box();
}

}  // namespace hm::test
