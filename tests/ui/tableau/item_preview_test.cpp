// Item pictures: the mesh turned by the item's type, centred and scaled to
// the picture, shaded from above; inflating along the normals.
#include "ui/tableau/item_preview.h"

#include <gtest/gtest.h>

#include <memory>

#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "module/records/item_kind.h"

namespace hm {
namespace {

// A thin stick one unit long along y, from y 2 to 3, lit from straight
// above (normals up) in grey.
std::unique_ptr<mesh> stick(const char* name) {
  auto m = std::make_unique<mesh>();
  m->name = ruv_string(name);
  const vec3 corners[4] = {vec3(0.0f, 2.0f, 0.0f), vec3(0.01f, 2.0f, 0.0f), vec3(0.01f, 3.0f, 0.0f),
                           vec3(0.0f, 3.0f, 0.0f)};
  for (const vec3& c : corners) m->add_vertex(m->add_point(c), 0.0f, 0.0f, 0xFF808080u, vec3(0.0f, 0.0f, 1.0f));
  m->add_face(0, 1, 2);
  m->add_face(0, 2, 3);
  m->compute_bounding_box();
  return m;
}

class ItemPreview : public ::testing::Test {
 protected:
  void SetUp() override {
    g_item_kinds.assign(3, item_kind());
    const char* ids[3] = {"lance", "dagger", "ghost"};
    const int lengths[3] = {112, 30, 0};
    for (int k = 0; k < 3; ++k) {
      item_kind& kind = g_item_kinds[static_cast<std::size_t>(k)];
      kind.id = ruv_string(ids[k]);
      kind.flags = 2;
      kind.weapon_length = lengths[k];
      kind.mesh_variants[0].mesh_name = ruv_string(k == 2 ? "no_such_mesh" : "stick");
      kind.mesh_count = 1;
    }
    // Registered once for the whole run: the manager refuses a second one.
    if (!g_resource_manager.find(mesh_resource_type_id, ruv_string("stick")))
      g_resource_manager.adopt_resource(stick("stick"));
  }
  void TearDown() override { g_item_kinds.clear(); }
  static float width(const mesh& m) { return std::max(m.bbox.max.x - m.bbox.min.x, m.bbox.max.y - m.bbox.min.y); }
};

TEST_F(ItemPreview, MeleeWeaponsAreScaledByTheirLength) {
  item lance{0, 0};
  item dagger{1, 0};
  auto a = create_item_preview_mesh(lance, 0.1f);
  auto b = create_item_preview_mesh(dagger, 0.1f);
  ASSERT_FALSE(a->get_points().empty());
  a->compute_bounding_box();
  b->compute_bounding_box();
  // A lance at the full factor 1.0, a dagger at 0.5 (30 x 0.00625 + 0.3 is
  // below the floor).
  EXPECT_NEAR(width(*a), 0.095f, 1e-4f);
  EXPECT_NEAR(width(*b), 0.0475f, 1e-4f);
  // Centred on the picture.
  EXPECT_NEAR(a->bbox.min.x + a->bbox.max.x, 0.0f, 1e-5f);
  EXPECT_NEAR(a->bbox.min.y + a->bbox.max.y, 0.0f, 1e-5f);
  // Lit from straight above: grey times (1 + 0.25) x 0.8 = grey.
  EXPECT_EQ(a->get_vertices()[0].color, 0xFF808080u);
}

TEST_F(ItemPreview, AMissingMeshGivesAnEmptyPicture) {
  item ghost{2, 0};
  auto m = create_item_preview_mesh(ghost, 0.1f);
  ASSERT_NE(m, nullptr);
  EXPECT_TRUE(m->get_points().empty());
}

TEST(MeshShading, FacesTurnedFromTheSkyDarken) {
  mesh m;
  m.add_vertex(m.add_point(vec3()), 0.0f, 0.0f, 0xFF6464C8u, vec3(0.0f, 0.0f, 0.0f));
  m.add_vertex(m.add_point(vec3()), 0.0f, 0.0f, 0xFF6464C8u, vec3(0.0f, 0.0f, -1.0f));
  shade_mesh_by_normal(m);
  // Level: times 0.2 (100 -> 20, 200 -> 40); facing down: black, alpha kept.
  EXPECT_EQ(m.get_vertices()[0].color, 0xFF141428u);
  EXPECT_EQ(m.get_vertices()[1].color, 0xFF000000u);
}

TEST(MeshInflation, PointsMoveAlongTheirVertexNormals) {
  mesh m;
  m.add_vertex(m.add_point(vec3(1.0f, 0.0f, 0.0f)), 0.0f, 0.0f, 0xFFFFFFFFu, vec3(1.0f, 0.0f, 0.0f));
  m.add_vertex(m.add_point(vec3(0.0f, 0.0f, 1.0f)), 0.0f, 0.0f, 0xFFFFFFFFu, vec3(0.0f, 0.0f, 1.0f));
  vertex_anim_key key;
  key.positions = {vec3(2.0f, 0.0f, 0.0f), vec3(0.0f, 0.0f, 2.0f)};
  key.normals = {vec3(0.0f, 1.0f, 0.0f), vec3(0.0f, 0.0f, 1.0f)};
  m.add_vertex_anim_key(0, key);
  inflate_along_normals(m, 0.5f);
  EXPECT_FLOAT_EQ(m.get_points()[0].position.x, 1.5f);
  EXPECT_FLOAT_EQ(m.get_points()[1].position.z, 1.5f);
  EXPECT_FLOAT_EQ(m.get_vertex_anim_keys()[0].positions[0].y, 0.5f);
  EXPECT_FLOAT_EQ(m.get_vertex_anim_keys()[0].positions[1].z, 2.5f);
  EXPECT_FLOAT_EQ(m.bbox.max.z, 1.5f);
}

}  // namespace
}  // namespace hm
