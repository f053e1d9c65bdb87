#pragma once
// 4 x 4 matrices as the device and the effect take them: row vectors (a point
// p becomes p x M), rows as stored. A frame is the matrix whose rows are its
// three axes and its origin, with the fourth column (0, 0, 0, 1).
#include "engine/core/math.h"

namespace hm {

class camera;

struct matrix4 {
  float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

  float& at(int row, int column) { return m[row * 4 + column]; }
  float at(int row, int column) const { return m[row * 4 + column]; }
  bool operator==(const matrix4&) const = default;
};

matrix4 frame_matrix(const frame& f);
// a then b: p x (a x b).
matrix4 multiply(const matrix4& a, const matrix4& b);
matrix4 transpose(const matrix4& a);
// The inverse; the identity for a singular matrix.
matrix4 inverse(const matrix4& a);
// The view matrix of a camera frame: the frame's inverse.
matrix4 view_matrix_of(const frame& camera_frame);

// Depth maps to 0 at the near distance and 1 at the far one.
matrix4 perspective_off_center_rh(float left, float right, float bottom, float top, float near_distance,
                                  float far_distance);
matrix4 ortho_off_center_rh(float left, float right, float bottom, float top, float near_distance,
                            float far_distance);
matrix4 ortho_off_center_lh(float left, float right, float bottom, float top, float near_distance,
                            float far_distance);

// The projection of a camera: perspective off-centre right-handed from its view
// window; an orthographic camera takes the left-handed form when its winding
// flips, else the right-handed one.
matrix4 camera_projection(const camera& c);

// A point (x, y, z, 1) through the matrix, divided by w.
vec3 transform_coord(const vec3& p, const matrix4& m);
// A plane (a, b, c, d) through a matrix that is the inverse transpose of the
// points' transform.
void transform_plane(float out[4], const float plane[4], const matrix4& inverse_transpose);

}  // namespace hm
