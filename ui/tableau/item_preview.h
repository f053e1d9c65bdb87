#pragma once
// Pictures of items made from their meshes: the status panel's ammunition
// and the windows' item slots show an item turned so that its length lies
// across the picture, centred, scaled to the slot and shaded from above.
#include <memory>

namespace hm {

class mesh;
struct item;

// Moves every vertex's point by d along the vertex's normal (a point shared
// by several vertices moves once for each), and every vertex-animation key's
// copy of it along the key's own normal; the box is recomputed.
void inflate_along_normals(mesh& m, float d);
// Darkens each vertex colour by how far its normal turns from the sky:
// red, green and blue times (normal z + 0.25) x 0.8.
void shade_mesh_by_normal(mesh& m);
// A new mesh of the item for a picture `size` wide; empty (with a warning)
// when the item's mesh is not found.
std::unique_ptr<mesh> create_item_preview_mesh(const item& it, float size);

}  // namespace hm
