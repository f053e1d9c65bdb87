#include "render/entity/render_view.h"

#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/texture_record.h"

namespace hm {

namespace {
view_renderer* g_view_renderer = nullptr;
}

view_renderer* get_view_renderer() { return g_view_renderer; }
void set_view_renderer(view_renderer* renderer) { g_view_renderer = renderer; }

render_view::render_view() { clear_meshes(); }

render_view::~render_view() { destroy(); }

void render_view::clear_meshes() {
  target = nullptr;
  depth_target = nullptr;
  queued = 0;
  for (auto& m : meshes) {
    if (m) m->clear_geometry();
  }
}

void render_view::destroy() {
  if (render_target) {
    render_target->in_use = 0;
    render_target = nullptr;
  }
  sub_view.reset();
  batches_.clear();
  meshes.clear();
  particle_meshes_.clear();
  render_list.clear();
  lights.clear();
}

void render_view::enqueue(bool at_end) {
  (void)at_end;  // the renderer reads the flags itself
  if (g_view_renderer) {
    g_view_renderer->queue_object(*this);
  } else {
    queued = 1;
  }
}

mesh& render_view::batch_mesh(material& m) {
  mesh*& slot = batches_[&m];
  if (!slot) {
    meshes.push_back(make_batch_mesh(m));
    slot = meshes.back().get();
  }
  return *slot;
}

mesh& render_view::particle_mesh(material& m) {
  if (g_view_renderer) return g_view_renderer->particle_mesh(m);
  auto& slot = particle_meshes_[&m];
  if (!slot) {
    slot = std::make_unique<mesh>();
    slot->set_material(&m);
  }
  return *slot;
}

}  // namespace hm
