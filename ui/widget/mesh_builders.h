#pragma once
// Meshes made for widgets from module data, and the pick ray of a 3D view
// widget: a module mesh record placed as a copy of its resource mesh, a quad
// that shows a tableau material, every vertex's alpha set at once.
#include <memory>

#include "render/entity/camera.h"
#include "ui/widget/widget.h"

namespace hm {

class material;
class mesh;
struct module_mesh_table;
struct tableau_material;

// The render order a module mesh with flag bit 0 is raised by.
inline constexpr std::int32_t module_mesh_order_raise = 8192;

// A new copy (sharing the geometry) of record index's resource mesh, with the
// record's rotation (degrees about x, then y, then z), scale and translation
// applied. Null for an index outside the table or a resource mesh that does
// not exist.
std::unique_ptr<mesh> instantiate_module_mesh(const module_mesh_table& table, int index);

// A new mesh with one quad at the tableau record's corner and size, texture
// coordinates 0..1, white, showing the instance material (null: none).
std::unique_ptr<mesh> make_tableau_quad_mesh(const tableau_material& record, material* instance);

// Every vertex's alpha becomes alpha (0..1); the geometry is made the mesh's own.
void set_vertex_alpha(mesh& m, float alpha);

// A widget that shows a 3D view through a camera and picks in it.
class mesh_view_widget : public widget {
 public:
  // The ray under the mouse: a point on the near plane and one on the far
  // plane (orthographic: the far point lies straight ahead of the near one).
  void get_mouse_ray(vec3& near_point, vec3& far_point) const;

  hm::camera view_camera;
};

}  // namespace hm
