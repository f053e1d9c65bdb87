#include "render/entity/render_matrix.h"

#include <cmath>

#include "render/entity/camera.h"

namespace hm {

matrix4 frame_matrix(const frame& f) {
  matrix4 r;
  const vec3* rows[4] = {&f.rot.s, &f.rot.f, &f.rot.u, &f.origin};
  for (int i = 0; i < 4; ++i) {
    r.at(i, 0) = rows[i]->x;
    r.at(i, 1) = rows[i]->y;
    r.at(i, 2) = rows[i]->z;
    r.at(i, 3) = i == 3 ? 1.0f : 0.0f;
  }
  return r;
}

matrix4 multiply(const matrix4& a, const matrix4& b) {
  matrix4 r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += a.at(i, k) * b.at(k, j);
      r.at(i, j) = sum;
    }
  return r;
}

matrix4 transpose(const matrix4& a) {
  matrix4 r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) r.at(i, j) = a.at(j, i);
  return r;
}

matrix4 inverse(const matrix4& a) {
  // Gauss-Jordan with partial pivoting, in double precision.
  double w[4][8];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      w[i][j] = a.at(i, j);
      w[i][j + 4] = i == j ? 1.0 : 0.0;
    }
  for (int c = 0; c < 4; ++c) {
    int pivot = c;
    for (int r = c + 1; r < 4; ++r)
      if (std::fabs(w[r][c]) > std::fabs(w[pivot][c])) pivot = r;
    if (std::fabs(w[pivot][c]) < 1e-30) return matrix4{};
    if (pivot != c)
      for (int j = 0; j < 8; ++j) std::swap(w[c][j], w[pivot][j]);
    const double k = 1.0 / w[c][c];
    for (int j = 0; j < 8; ++j) w[c][j] *= k;
    for (int r = 0; r < 4; ++r) {
      if (r == c) continue;
      const double f = w[r][c];
      if (f == 0.0) continue;
      for (int j = 0; j < 8; ++j) w[r][j] -= f * w[c][j];
    }
  }
  matrix4 r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) r.at(i, j) = static_cast<float>(w[i][j + 4]);
  return r;
}

matrix4 view_matrix_of(const frame& f) {
  // The inverse of a frame with orthonormal axes: the axes as columns, the
  // origin projected onto them.
  matrix4 r;
  const vec3* axes[3] = {&f.rot.s, &f.rot.f, &f.rot.u};
  for (int c = 0; c < 3; ++c) {
    r.at(0, c) = axes[c]->x;
    r.at(1, c) = axes[c]->y;
    r.at(2, c) = axes[c]->z;
    r.at(3, c) = -dot_product(f.origin, *axes[c]);
  }
  return r;
}

matrix4 perspective_off_center_rh(float l, float r, float b, float t, float n, float f) {
  matrix4 m;
  m.m[0] = 2 * n / (r - l);
  m.m[5] = 2 * n / (t - b);
  m.at(2, 0) = (l + r) / (r - l);
  m.at(2, 1) = (t + b) / (t - b);
  m.at(2, 2) = f / (n - f);
  m.at(2, 3) = -1.0f;
  m.at(3, 2) = n * f / (n - f);
  m.at(3, 3) = 0.0f;
  return m;
}

matrix4 ortho_off_center_rh(float l, float r, float b, float t, float n, float f) {
  matrix4 m;
  m.m[0] = 2 / (r - l);
  m.m[5] = 2 / (t - b);
  m.at(2, 2) = 1 / (n - f);
  m.at(3, 0) = (l + r) / (l - r);
  m.at(3, 1) = (t + b) / (b - t);
  m.at(3, 2) = n / (n - f);
  return m;
}

matrix4 ortho_off_center_lh(float l, float r, float b, float t, float n, float f) {
  matrix4 m = ortho_off_center_rh(l, r, b, t, n, f);
  m.at(2, 2) = 1 / (f - n);
  return m;
}

vec3 transform_coord(const vec3& p, const matrix4& m) {
  float out[4];
  for (int j = 0; j < 4; ++j) out[j] = p.x * m.at(0, j) + p.y * m.at(1, j) + p.z * m.at(2, j) + m.at(3, j);
  const float w = out[3] != 0.0f ? out[3] : 1.0f;
  return vec3(out[0] / w, out[1] / w, out[2] / w);
}

void transform_plane(float out[4], const float plane[4], const matrix4& m) {
  float r[4];
  for (int j = 0; j < 4; ++j)
    r[j] = plane[0] * m.at(0, j) + plane[1] * m.at(1, j) + plane[2] * m.at(2, j) + plane[3] * m.at(3, j);
  for (int j = 0; j < 4; ++j) out[j] = r[j];
}

matrix4 camera_projection(const camera& c) {
  if (c.perspective)
    return perspective_off_center_rh(c.view_left, c.view_right, c.view_bottom, c.view_top, c.near, c.far);
  if (c.flip_winding) return ortho_off_center_lh(c.view_left, c.view_right, c.view_bottom, c.view_top, c.near, c.far);
  return ortho_off_center_rh(c.view_left, c.view_right, c.view_bottom, c.view_top, c.near, c.far);
}

}  // namespace hm
