#include "mission/weapons/blood_stains.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/resource/mesh.h"
#include "engine/settings/ruv_config.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"

namespace hm {
namespace {

std::vector<int> g_draws;
std::size_t g_next = 0;
int scripted_draw() { return g_next < g_draws.size() ? g_draws[g_next++] : 0; }

// One vertex a point, all white with half alpha.
std::unique_ptr<mesh> mesh_with_points(const std::vector<vec3>& at) {
  auto m = std::make_unique<mesh>();
  for (std::size_t i = 0; i < at.size(); ++i) {
    mesh_point p;
    p.position = p.current_position = at[i];
    m->points.push_back(p);
    mesh_vertex v;
    v.point = static_cast<std::int32_t>(i);
    v.color = 0x80FFFFFFu;
    m->vertices.push_back(v);
  }
  return m;
}

class BloodStains : public ::testing::Test {
 protected:
  void SetUp() override {
    g_draws.clear();
    g_next = 0;
  }
};

TEST_F(BloodStains, SizeGrowsWithTheAmountUpToItsCaps) {
  const struct {
    float amount, radius, strength;
  } rows[] = {{5.0f, 0.3f, 0.35f}, {20.0f, 0.7f, 1.0f}, {-3.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}};
  for (const auto& r : rows) {
    const blood_stain_size s = blood_stain_for_amount(r.amount);
    EXPECT_NEAR(s.radius, r.radius, 1e-6f) << r.amount;
    EXPECT_NEAR(s.strength, r.strength, 1e-6f) << r.amount;
  }
}

TEST_F(BloodStains, VerticesInReachBlendTowardsBlood) {
  // Radius 0.3 and strength 0.35 (amount 5), the stain at the origin: a vertex
  // at the point, one exactly at the radius, one whose first draw misses
  // (0.948 >= 0.6) and one so near the rim that its weight is below 0.02.
  std::unique_ptr<mesh> m = mesh_with_points(
      {{0.0f, 0.0f, 0.0f}, {0.3f, 0.0f, 0.0f}, {0.0f, 0.1f, 0.0f}, {0.0f, 0.0f, 0.29f}});
  // Vertex 0: draws 0, 0 -> w = 0.4 x 1.5 x 0.35 = 0.21. Vertex 2: 15000.
  // Vertex 3: draws 0, 0 -> w = 0.4 x (1/30) x 1.5 x 0.35 = 0.007.
  g_draws = {0, 0, 15000, 0, 0};
  EXPECT_TRUE(add_blood_stain_to_mesh(*m, frame::identity(), vec3(), 0.3f, 0.35f, blood_color, scripted_draw));
  // Red 0.79 + 0.21 x 0.4 = 0.874 -> 223; green and blue 0.79 + 0.0021 ->
  // 202; the alpha byte kept.
  EXPECT_EQ(m->vertices[0].color, 0x80DFCACAu);
  EXPECT_EQ(m->vertices[1].color, 0x80FFFFFFu);
  EXPECT_EQ(m->vertices[2].color, 0x80FFFFFFu);
  EXPECT_EQ(m->vertices[3].color, 0x80FFFFFFu);
  EXPECT_EQ(g_next, 5u);
  EXPECT_EQ(m->buffers[0].changed, 1);
}

TEST_F(BloodStains, TheMeshFrameAndSharedGeometry) {
  std::unique_ptr<mesh> source = mesh_with_points({{0.0f, 0.0f, 0.0f}});
  std::unique_ptr<mesh> near = source->create_copy();
  std::unique_ptr<mesh> far = source->create_copy();
  ASSERT_FALSE(near->owns_geometry);
  frame placed = frame::identity();
  placed.origin = vec3(10.0f, 0.0f, 0.0f);
  // Placed 10 away, nothing is in reach of a stain at the origin.
  EXPECT_FALSE(add_blood_stain_to_mesh(*far, placed, vec3(), 0.7f, 1.0f, blood_color, scripted_draw));
  EXPECT_FALSE(far->owns_geometry);
  EXPECT_TRUE(add_blood_stain_to_mesh(*near, placed, vec3(10.0f, 0.0f, 0.0f), 0.7f, 1.0f, blood_color,
                                      scripted_draw));
  EXPECT_TRUE(near->owns_geometry);
  EXPECT_NE(near->get_vertices()[0].color, 0x80FFFFFFu);
  // The source keeps its colours.
  EXPECT_EQ(source->vertices[0].color, 0x80FFFFFFu);
}

TEST_F(BloodStains, NearPointWithBloodOffOrAgentsWithoutBodies) {
  mission m;
  agent& a = m.allocate_agent();
  a.state = agent_state_alive;
  const std::int32_t saved = g_ruv_config.enable_blood;
  g_ruv_config.enable_blood = 0;
  add_blood_near_point(m, vec3(), 20.0f, scripted_draw);
  g_ruv_config.enable_blood = 1;
  // An agent without an entity has nothing to stain.
  add_blood_near_point(m, vec3(), 20.0f, scripted_draw);
  g_ruv_config.enable_blood = saved;
  EXPECT_EQ(g_next, 0u);
}

}  // namespace
}  // namespace hm
