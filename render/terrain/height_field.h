#pragma once
// The terrain's height field: one sample per terrain vertex, kept in columns,
// for fast height queries and grid graph builds.
#include <cstdint>
#include <vector>

namespace hm {

struct height_sample {
  float height = 0.0f;
  // Bit 0: the cell starting here is split into two triangles; bit 1: the
  // terrain cell's diagonal word is set.
  std::uint32_t flags = 0;
  // The ground-manifold face of each triangle of the cell starting here (the
  // same face twice for a quad).
  std::int32_t face_0 = -1;
  std::int32_t face_1 = -1;
};

struct height_field {
  float bounds[4] = {};  // min x, min y, max x, max y
  std::int32_t sample_count_x = 0;
  std::int32_t sample_count_y = 0;
  float cell_size = 1.0f;
  std::vector<height_sample> samples;  // column x holds sample_count_y samples

  void resize(std::int32_t count_x, std::int32_t count_y) {
    sample_count_x = count_x < 0 ? 0 : count_x;
    sample_count_y = count_y < 0 ? 0 : count_y;
    samples.assign(static_cast<std::size_t>(sample_count_x) * static_cast<std::size_t>(sample_count_y), {});
  }
  height_sample& sample(std::int32_t x, std::int32_t y) {
    return samples[static_cast<std::size_t>(x) * static_cast<std::size_t>(sample_count_y) + static_cast<std::size_t>(y)];
  }
  const height_sample& sample(std::int32_t x, std::int32_t y) const {
    return samples[static_cast<std::size_t>(x) * static_cast<std::size_t>(sample_count_y) + static_cast<std::size_t>(y)];
  }
};

}  // namespace hm
