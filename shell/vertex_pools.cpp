#include "shell/vertex_pools.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "module/base/ini_table.h"
#include "render/view/scene_view.h"

namespace hm {

namespace {

// A layout variable's vertex count; empty when the key is absent.
std::optional<std::int32_t> pool_variable(const ini_table& variables, const std::string& key) {
  if (find_ini_key(variables, key.c_str()) < 0) return std::nullopt;
  const double value = get_ini_float(variables, key.c_str());
  if (!std::isfinite(value) || value <= 0.0) return 0;
  return static_cast<std::int32_t>(std::min(value, 2147483647.0));
}

}  // namespace

std::int32_t default_vertex_pool_size(std::int32_t render_buffer_size) {
  // Held to a range where the product stays far inside 32 bits.
  const std::int64_t size = std::clamp(render_buffer_size, 1, 64);
  return static_cast<std::int32_t>(size * 262144 / 68);
}

void size_vertex_pools(scene_view& view, std::int32_t render_buffer_size, const ini_table& variables,
                       bool shader_path) {
  const std::int32_t fallback = default_vertex_pool_size(render_buffer_size);
  for (const bool dynamic : {false, true}) {
    const char* ending = dynamic ? "_dynamic" : "_static";
    auto count = [&](const char* kind) {
      return pool_variable(variables, std::string("buffer_size_") + kind + ending);
    };
    const std::optional<std::int32_t> ffp = count(shader_path ? "regular_ffp" : "dx7_regular_ffp");
    const std::optional<std::int32_t> normal_map = count("normal_map");
    const std::optional<std::int32_t> skinning = count("skinning");
    std::optional<std::int32_t> both;
    if (normal_map || skinning) both = std::max(normal_map.value_or(0), skinning.value_or(0));
    view.set_vertex_pool_capacity(0, dynamic, ffp.value_or(fallback));
    view.set_vertex_pool_capacity(1, dynamic, count("regular").value_or(fallback));
    view.set_vertex_pool_capacity(2, dynamic, normal_map.value_or(fallback));
    view.set_vertex_pool_capacity(3, dynamic, skinning.value_or(fallback));
    view.set_vertex_pool_capacity(4, dynamic, both.value_or(fallback));
  }
}

}  // namespace hm
