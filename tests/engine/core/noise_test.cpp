#include "engine/core/noise.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace hm {
namespace {

struct sample {
  float cell_size;
  vec3 p;
};

const sample samples[] = {
    {1.0f, vec3(0.3f, 0.7f, 0.1f)},          {4.0f, vec3(12.5f, -3.25f, 7.75f)},
    {0.5f, vec3(-10.1f, 20.2f, -30.3f)},     {25.0f, vec3(100.0f, 200.0f, 3.0f)},
    {2.0f, vec3(1000.5f, -2000.25f, 0.125f)},
};

void expect_golden(const vec3& v, const std::array<float, 3>& golden, int i) {
  EXPECT_FLOAT_EQ(v.x, golden[0]) << i;
  EXPECT_FLOAT_EQ(v.y, golden[1]) << i;
  EXPECT_FLOAT_EQ(v.z, golden[2]) << i;
}

TEST(noise_tables, permutation_and_gradients_are_the_frozen_ones) {
  std::array<int, 256> seen{};
  for (std::uint8_t v : noise_permutation) ++seen[v];
  EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](int n) { return n == 1; }));
  EXPECT_EQ(noise_permutation[0], 198);
  EXPECT_EQ(noise_permutation[1], 12);
  EXPECT_EQ(noise_permutation[128], 36);
  EXPECT_EQ(noise_permutation[255], 243);

  const float first[4][3] = {{-0.382332f, 0.045987f, 0.412422f},
                             {0.322819f, -0.523555f, 0.155692f},
                             {-0.599637f, 0.610314f, 0.204491f},
                             {-0.326772f, 0.183249f, 0.170122f}};
  for (int i = 0; i < 4; ++i) {
    for (int c = 0; c < 3; ++c) EXPECT_EQ(noise_gradients[i][c], first[i][c]);
  }
  double checksum = 0.0;
  for (int i = 0; i < 256; ++i) {
    const float* g = noise_gradients[i];
    const float length = std::sqrt(g[0] * g[0] + g[1] * g[1] + g[2] * g[2]);
    EXPECT_LT(length, 1.0f) << i;
    EXPECT_GT(length, 0.004f) << i;
    for (int c = 0; c < 3; ++c) checksum += g[c] * (i + 1) * (c + 1);
  }
  // Terrain built from stored terrain codes depends on every entry.
  EXPECT_NEAR(checksum, -5665.15822, 1e-4);
}

TEST(vector_noise, golden_values) {
  const std::array<float, 3> golden[] = {
      {-0.112869956f, 0.0859265625f, -0.0440800861f},  {-0.0603329614f, -0.112922378f, 0.0242159367f},
      {0.00891101081f, 0.0358151197f, -0.0862043202f}, {-0.0101831108f, -0.00279026292f, 0.00275354297f},
      {0.0473126546f, -0.00558103062f, -0.0841315985f},
  };
  for (int i = 0; i < 5; ++i) expect_golden(vector_noise(samples[i].cell_size, samples[i].p), golden[i], i);
}

TEST(vector_noise, zero_on_the_lattice_and_for_cell_size_zero_and_continuous_across_cells) {
  for (const vec3& p : {vec3(-1, -1, -1), vec3(2, 5, -4), vec3(-1, 0, 99)}) {
    const vec3 v = vector_noise(1.0f, p);
    EXPECT_EQ(v.x, 0.0f);
    EXPECT_EQ(v.y, 0.0f);
    EXPECT_EQ(v.z, 0.0f);
  }
  EXPECT_EQ(vector_noise(3.0f, vec3(5, 8, -1)).length(), 0.0f);  // (6, 9, 0) / 3
  EXPECT_EQ(vector_noise(0.0f, vec3(0.3f, 0.2f, 0.1f)).length(), 0.0f);
  // Either side of a cell face the values meet.
  const vec3 below = vector_noise(1.0f, vec3(2.9999f, 0.37f, 0.61f));
  const vec3 above = vector_noise(1.0f, vec3(3.0001f, 0.37f, 0.61f));
  EXPECT_LT((below - above).length(), 1e-3f);
  // Far outside any world, or not a number: no noise instead of undefined arithmetic.
  EXPECT_EQ(vector_noise(1.0f, vec3(1e30f, 0, 0)).length(), 0.0f);
  EXPECT_EQ(vector_noise(1.0f, vec3(NAN, 0, 0)).length(), 0.0f);
}

TEST(fractal_vector_noise, golden_values_plain_and_shaped) {
  const std::array<float, 3> plain[] = {
      {-0.0566104762f, 0.0446189977f, -0.0319002941f}, {-0.0184901021f, -0.0612856857f, 0.0630579665f},
      {0.0392937921f, 0.00198334153f, -0.0524398647f}, {-0.00677695964f, -0.0135969287f, -0.0459200665f},
      {0.0677843764f, -0.00113194156f, -0.0295495987f},
  };
  const std::array<float, 3> shaped[] = {
      {0.107200399f, -0.0169207286f, 0.0219627395f},  {0.132685378f, 0.116848022f, 0.00563968578f},
      {0.0461655967f, 0.0661298856f, 0.0389167592f},  {0.0720224902f, 0.12496911f, -0.0404781103f},
      {0.0125128655f, -0.0194448009f, 0.117046461f},
  };
  for (int i = 0; i < 5; ++i) {
    expect_golden(fractal_vector_noise(samples[i].cell_size, 0.5f, 3, false, samples[i].p), plain[i], i);
    expect_golden(fractal_vector_noise(samples[i].cell_size, 0.7f, 5, true, samples[i].p), shaped[i], i);
  }
}

TEST(fractal_vector_noise, one_octave_is_the_noise_itself_and_shaping_scales_by_the_sum_plus_or_minus_two) {
  for (const sample& s : samples) {
    const vec3 v = vector_noise(s.cell_size, s.p);
    const vec3 plain = fractal_vector_noise(s.cell_size, 0.5f, 0, false, s.p);
    EXPECT_EQ(plain.x, v.x);
    EXPECT_EQ(plain.z, v.z);
    float m = v.x + v.y + v.z;
    m = m >= 0.0f ? m + 2.0f : m - 2.0f;  // a sum of -0.5 scales by -2.5
    const vec3 shaped = fractal_vector_noise(s.cell_size, 0.5f, 0, true, s.p);
    EXPECT_FLOAT_EQ(shaped.x, v.x * m);
    EXPECT_FLOAT_EQ(shaped.y, v.y * m);
    // A negative octave count is taken as 0.
    EXPECT_EQ(fractal_vector_noise(s.cell_size, 0.5f, -3, false, s.p).y, v.y);
  }
  // Two octaves: the second layer at half the cell size and half the weight.
  const sample& s = samples[1];
  const vec3 two = fractal_vector_noise(s.cell_size, 0.5f, 1, false, s.p);
  const vec3 expected = (vector_noise(s.cell_size, s.p) + vector_noise(s.cell_size * 0.5f, s.p) * 0.5f);
  EXPECT_FLOAT_EQ(two.x, expected.x / 1.5f);
}

}  // namespace
}  // namespace hm
