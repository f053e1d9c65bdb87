// The buffer pools: growth, static append and rebuild, dynamic rewrites, the
// vertex layouts, device restores and meshes larger than the staging area.
#include <cstring>

#include <gtest/gtest.h>

#include "engine/core/log.h"
#include "engine/resource/mesh.h"
#include "render/view/render_buffer.h"
#include "render/support/recording_device.h"

namespace hm {
namespace {

namespace gpu = platform::gpu;

// A mesh of n triangles, each on its own three vertices.
std::unique_ptr<mesh> triangles(int n) {
  auto m = std::make_unique<mesh>();
  for (int i = 0; i < n * 3; ++i) {
    const std::int32_t p = m->add_point(vec3(static_cast<float>(i), 0.0f, 0.0f));
    m->add_vertex(p, 0.0f, 0.0f, 0xFFFFFFFFu, vec3(0.0f, 0.0f, 1.0f));
  }
  for (int i = 0; i < n; ++i) m->add_face(i * 3, i * 3 + 1, i * 3 + 2);
  return m;
}

struct RenderBufferPool : ::testing::Test {
  test::recording_gpu gpu;
  bool stale = false;
  std::vector<std::uint8_t> staging;
  buffer_fill_context context{gpu.device.get(), &stale, [](unsigned) {}};

  render_buffer vertex_buffer(int dynamic, int capacity) {
    render_buffer b;
    b.kind = 0;
    b.stride = 36;
    b.format = 0x2000013;
    b.dynamic = dynamic;
    b.capacity = capacity;
    restore_vertex_buffers(b, *gpu.device);
    return b;
  }
};

TEST(RenderBufferGrowth, CapacityTable) {
  struct row {
    int need, logged, stored;
  };
  for (const row& r : {row{100, 132, 128}, row{1000, 1250, 1248}, row{10, 42, 32}, row{128, 160, 160}}) {
    EXPECT_EQ(grown_capacity_logged(r.need), r.logged) << r.need;
    EXPECT_EQ(grown_capacity(r.need), r.stored) << r.need;
  }
}

TEST(RenderBufferFormats, StridesMatchTheTableAndTheLayouts) {
  for (const vertex_format_info& f : vertex_formats) {
    EXPECT_EQ(vertex_format_stride(f.format_word), f.stride) << f.name;
    const auto elements = vertex_format_elements(f.format_word);
    ASSERT_FALSE(elements.empty());
    EXPECT_EQ(elements[0].usage, gpu::vertex_usage::position);
  }
}

TEST(RenderBufferFormats, OneTriangleIsWrittenByteExactly) {
  mesh m;
  const std::int32_t p = m.add_point(vec3(1.0f, 2.0f, 3.0f));
  m.add_vertex(p, 0.25f, 0.75f, 0xFF102030u, vec3(0.0f, 1.0f, 0.0f), 0xAABBCCDDu);
  m.add_face(0, 0, 0);
  std::vector<std::uint8_t> out(40);
  write_mesh_vertices(m, out.data(), 0x2000053, 0);
  float f[10];
  std::memcpy(f, out.data(), 40);
  EXPECT_FLOAT_EQ(f[0], 1.0f);
  EXPECT_FLOAT_EQ(f[2], 3.0f);
  EXPECT_FLOAT_EQ(f[4], 1.0f);  // normal y
  std::uint32_t colours[2];
  std::memcpy(colours, out.data() + 24, 8);
  EXPECT_EQ(colours[0], 0xFF102030u);
  EXPECT_EQ(colours[1], 0xAABBCCDDu);
  EXPECT_FLOAT_EQ(f[8], 0.25f);
  EXPECT_FLOAT_EQ(f[9], 0.25f);  // 1 - v
  // Shader flags with 0x18 in their low five bits draw the second colour first.
  write_mesh_vertices(m, out.data(), 0x2000053, 0x38);
  std::memcpy(colours, out.data() + 24, 4);
  EXPECT_EQ(colours[0], 0xAABBCCDDu);

  std::uint16_t indices[3];
  m.faces[0].vertex[1] = 7;
  write_mesh_indices(m, reinterpret_cast<std::uint8_t*>(indices));
  EXPECT_EQ(indices[1], 7);
}

TEST_F(RenderBufferPool, StaticBufferAppendsBelowCapacityAndRebuildsAtIt) {
  auto a = triangles(10);  // 30 vertices
  auto b = triangles(10);
  render_buffer buf = vertex_buffer(0, 64);
  buf.queue = {a.get()};
  ASSERT_EQ(fill_vertex_buffers(buf, staging, 1, context), 0);
  EXPECT_EQ(buf.used, 30);
  EXPECT_EQ(a->buffers[0].start, 0);
  const int generation = buf.generation;

  // 30 + 30 < 64: appended after the first mesh, which is not written again.
  buf.queue = {a.get(), b.get()};
  ASSERT_EQ(fill_vertex_buffers(buf, staging, 2, context), 0);
  EXPECT_EQ(buf.used, 60);
  EXPECT_EQ(b->buffers[0].start, 30);
  EXPECT_EQ(buf.generation, generation);

  // used + need == capacity exactly: rebuilt, not appended.
  auto c = triangles(1);  // 3 vertices: 60 + 3 < 64 would append; make it 4
  c->add_point(vec3());
  c->add_vertex(3, 0, 0, 0xFFFFFFFFu, vec3());
  buf.queue = {a.get(), b.get(), c.get()};
  ASSERT_EQ(fill_vertex_buffers(buf, staging, 3, context), 0);
  EXPECT_EQ(buf.generation, generation + 1);
  EXPECT_EQ(buf.used, 64);
  EXPECT_EQ(c->buffers[0].start, 60);
  EXPECT_FALSE(stale);
}

TEST_F(RenderBufferPool, ChangedSwitchRewritesAMeshThatIsNotDirty) {
  auto a = triangles(2);
  render_buffer buf = vertex_buffer(0, 256);
  buf.queue = {a.get()};
  ASSERT_EQ(fill_vertex_buffers(buf, staging, 1, context), 0);
  const int locks = gpu.log->buffer_locks;
  ASSERT_EQ(fill_vertex_buffers(buf, staging, 2, context), 0);
  EXPECT_EQ(gpu.log->buffer_locks, locks) << "nothing to write";
  a->buffers[0].switch_written = 1;  // written under another switch
  ASSERT_EQ(fill_vertex_buffers(buf, staging, 3, context), 0);
  EXPECT_EQ(gpu.log->buffer_locks, locks + 1);
  EXPECT_EQ(buf.used, 12);
}

TEST_F(RenderBufferPool, OverflowGrowsLogsAndAsksForARestart) {
  auto a = triangles(34);  // 102 vertices
  render_buffer buf = vertex_buffer(1, 0);
  buf.name = ruv_string("vdt_regular_ffp");
  buf.queue = {a.get()};
  EXPECT_EQ(fill_vertex_buffers(buf, staging, 1, context), restart_fill);
  EXPECT_EQ(buf.capacity, 128);  // 102 + 32 = 134, stored as 128
  EXPECT_TRUE(stale);
  restore_vertex_buffers(buf, *gpu.device);
  EXPECT_EQ(fill_vertex_buffers(buf, staging, 1, context), 0);
  EXPECT_EQ(a->buffers[0].start, 0);
}

TEST_F(RenderBufferPool, EmptyDynamicBufferOfCapacityZeroIsNeitherLockedNorGrown) {
  render_buffer buf = vertex_buffer(1, 0);
  EXPECT_EQ(fill_vertex_buffers(buf, staging, 1, context), 0);
  EXPECT_EQ(gpu.log->buffer_locks, 0);
  EXPECT_EQ(buf.capacity, 0);
  EXPECT_FALSE(stale);
}

TEST_F(RenderBufferPool, RestoreInvalidatesEveryStaticMesh) {
  auto a = triangles(2);
  render_buffer buf = vertex_buffer(0, 256);
  buf.queue = {a.get()};
  ASSERT_EQ(fill_vertex_buffers(buf, staging, 1, context), 0);
  release_vertex_buffers(buf);  // device lost
  restore_vertex_buffers(buf, *gpu.device);
  const int locks = gpu.log->buffer_locks;
  ASSERT_EQ(fill_vertex_buffers(buf, staging, 2, context), 0);
  EXPECT_EQ(gpu.log->buffer_locks, locks + 1) << "written again after the restore";
  EXPECT_EQ(a->buffers[0].buffer_generation, buf.generation);
}

TEST_F(RenderBufferPool, LockFailuresAreRetriedThenFatal) {
  auto a = triangles(2);
  render_buffer buf = vertex_buffer(1, 256);
  buf.queue = {a.get()};
  int sleeps = 0;
  context.sleep = [&](unsigned ms) {
    EXPECT_EQ(ms, 10u);
    ++sleeps;
  };
  gpu.log->failing_locks = lock_tries - 1;
  ASSERT_EQ(fill_vertex_buffers(buf, staging, 1, context), 0);
  EXPECT_EQ(sleeps, lock_tries - 1);

  gpu.log->failing_locks = lock_tries;
  scoped_fatal_throw guard;
  EXPECT_THROW(fill_vertex_buffers(buf, staging, 2, context), fatal_error);
}

TEST_F(RenderBufferPool, MeshLargerThanTheStagingAreaGoesStraightIntoTheBuffer) {
  const int triangles_needed = static_cast<int>(staging_size / 36 / 3) + 10;
  auto big = triangles(triangles_needed);
  auto small = triangles(1);
  const auto vertices = static_cast<int>(big->vertices.size()) + 3;
  render_buffer buf = vertex_buffer(1, vertices + 32);
  buf.queue = {small.get(), big.get()};
  ASSERT_EQ(fill_vertex_buffers(buf, staging, 1, context), 0);
  EXPECT_EQ(big->buffers[0].start, 3);
  // The last vertex of the big mesh landed where it belongs.
  void* data = nullptr;
  ASSERT_EQ(buf.vertex_buffer->lock(0, 0, gpu::lock_read_only, data), gpu::result::ok);
  float x = 0.0f;
  std::memcpy(&x, static_cast<std::uint8_t*>(data) + static_cast<std::size_t>(vertices - 1) * 36, 4);
  buf.vertex_buffer->unlock();
  EXPECT_FLOAT_EQ(x, static_cast<float>(big->vertices.size() - 1));
}

}  // namespace
}  // namespace hm
