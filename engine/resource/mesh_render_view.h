#pragma once
// What meshes and particle systems need of a render view while they queue
// themselves for drawing. The renderer's view implements it; tests use a small
// recording fake. Meshes never see the renderer's own types.
#include <cstdint>

#include "engine/core/math.h"

namespace hm {

class material;
class mesh;
struct mesh_light;

class mesh_render_view {
 public:
  virtual ~mesh_render_view() = default;

  // A mesh is drawn in this view only when its visibility mask shares a bit
  // with this one.
  virtual std::uint32_t visibility_mask() const = 0;
  // The view's flags; 0x1000 queues the view at the end of the renderer's
  // object queue instead of at its front.
  virtual std::uint32_t view_flags() const = 0;

  // Whether the view already sits in the renderer's object queue.
  virtual bool is_queued() const = 0;
  // Puts the view into the renderer's object queue (at its end or its front)
  // and marks it queued.
  virtual void enqueue(bool at_end) = 0;
  // Appends a mesh to the view's list of meshes to draw.
  virtual void add_mesh(mesh& m) = 0;
  // Appends a light to the view's light list.
  virtual void add_light(mesh_light& light) = 0;

  // The view's batch mesh for a material, created on first use with
  // make_batch_mesh (engine/mesh.h) and kept by the view.
  virtual mesh& batch_mesh(material& m) = 0;
  // The renderer's shared particle mesh for a material, created on demand; the
  // particles of every emitter with that material go into it.
  virtual mesh& particle_mesh(material& m) = 0;

  // The camera's frame: its origin is the eye, and it looks along the negative
  // third axis (u).
  virtual frame camera_frame() const = 0;
};

}  // namespace hm
