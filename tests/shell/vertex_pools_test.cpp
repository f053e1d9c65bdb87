// The vertex pools' sizes: render_buffer_size gives every pool its vertex
// count, and the module's layout variables size single pools.
#include "shell/vertex_pools.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "module/base/ini_table.h"
#include "render/view/scene_view.h"

using namespace hm;

namespace {

ini_table variables(const std::vector<std::pair<const char*, const char*>>& pairs) {
  ini_table t;
  for (const auto& [key, value] : pairs) t.pairs.push_back({ruv_string(key), ruv_string(value)});
  return t;
}

// Capacities of the pools, format by format: {static, dynamic}.
std::vector<std::pair<int, int>> capacities(const scene_view& view) {
  std::vector<std::pair<int, int>> out;
  for (int f = 0; f < vertex_format_count; ++f)
    out.emplace_back(view.pairs[f].buffers[0].capacity, view.pairs[f].buffers[1].capacity);
  return out;
}

TEST(VertexPools, RenderBufferSizeSizesEveryPool) {
  struct row {
    int render_buffer_size;
    int vertices;  // size x 262,144 / 68, kept to a multiple of 32
  };
  // 15: 3,932,160 / 68 = 57,825 -> 57,824. 1: 3,855 -> 3,840. Out of 1..64 is
  // held there: 64 gives 16,777,216 / 68 = 246,723 -> 246,720.
  for (const row r : {row{15, 57824}, row{1, 3840}, row{0, 3840}, row{-7, 3840}, row{64, 246720},
                      row{2000000000, 246720}}) {
    scene_view view;
    view.set_up_buffers(r.render_buffer_size);
    const int index_capacity = view.pairs[5].buffers[0].capacity;
    size_vertex_pools(view, r.render_buffer_size, ini_table{}, true);
    for (const auto& [fixed, dynamic] : capacities(view)) {
      EXPECT_EQ(fixed, r.vertices) << r.render_buffer_size;
      EXPECT_EQ(dynamic, r.vertices) << r.render_buffer_size;
    }
    // The index buffers keep their own sizes.
    EXPECT_EQ(view.pairs[5].buffers[0].capacity, index_capacity);
  }
}

TEST(VertexPools, LayoutVariablesSizeSinglePools) {
  const ini_table t = variables({{"buffer_size_regular_static", "1000"},
                                 {"buffer_size_regular_ffp_dynamic", "640"},
                                 {"buffer_size_dx7_regular_ffp_static", "320"},
                                 {"buffer_size_skinning_dynamic", "5000.9"},
                                 {"buffer_size_normal_map_static", "-5"},
                                 {"buffer_size_normal_map_dynamic", "96"}});
  const int d = 57824;
  {
    // The shader path: the dx7 key does not apply.
    scene_view view;
    size_vertex_pools(view, 15, t, true);
    const std::vector<std::pair<int, int>> expected = {
        {d, 640},     // regular_ffp
        {992, d},     // regular: 1000 -> 992
        {0, 96},      // normal_map: a negative count is none
        {d, 4992},    // skinning: 5000.9 -> 5000 -> 4992
        {0, 4992},    // normal-mapped skinning: the larger of the two
    };
    EXPECT_EQ(capacities(view), expected);
  }
  {
    // The fixed-function path sizes its pool from the dx7 keys only.
    scene_view view;
    size_vertex_pools(view, 15, t, false);
    EXPECT_EQ(view.pairs[0].buffers[0].capacity, 320);
    EXPECT_EQ(view.pairs[0].buffers[1].capacity, d);
  }
}

}  // namespace
