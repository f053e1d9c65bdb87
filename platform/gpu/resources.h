#pragma once
// The device's resources and states: textures (with mip levels, render targets,
// depth textures), surfaces (depth-stencil surfaces and the top level of a render
// target), vertex and index buffers with their lock modes, vertex layouts, pixel
// programs, and the values of render, sampler and texture-stage states.
//
// Every object here is created by a device and released by destroying it; the
// device counts the objects it created that are still alive in
// outstanding_resources(). An object must be destroyed before its device.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace hm::platform::gpu {

enum class format : std::uint32_t;
enum class result;

// --- textures and surfaces ----------------------------------------------------------------

// Usage bits of a texture.
inline constexpr std::uint32_t usage_none = 0;
inline constexpr std::uint32_t usage_render_target = 1;
inline constexpr std::uint32_t usage_depth_stencil = 2;
inline constexpr std::uint32_t usage_autogen_mipmap = 4;

// Bytes per pixel of an uncompressed format, 0 for block-compressed or unknown ones.
std::uint32_t bytes_per_pixel(format f);
// True for the DXT formats (4 x 4 blocks of 8 or 16 bytes).
bool is_block_compressed(format f);
// True for the depth and depth-stencil formats.
bool is_depth_format(format f);
// Bytes one mip level of that size takes in the format (blocks round up).
std::size_t level_size(format f, std::uint32_t width, std::uint32_t height);

class surface {
 public:
  virtual ~surface() = default;
  virtual format get_format() const = 0;
  virtual std::uint32_t width() const = 0;
  virtual std::uint32_t height() const = 0;
};

class texture {
 public:
  virtual ~texture() = default;
  virtual format get_format() const = 0;
  virtual std::uint32_t width() const = 0;   // of level 0
  virtual std::uint32_t height() const = 0;  // of level 0
  virtual std::uint32_t level_count() const = 0;
  virtual std::uint32_t usage() const = 0;

  // Replaces a level's pixels: `data` holds the level as the format stores it
  // (rows from the top; 4 x 4 blocks for DXT), level_size() bytes.
  virtual result update_level(std::uint32_t level, const void* data, std::size_t size) = 0;
  // Reads a level as 0xAARRGGBB, rows from the top (tests, screenshots of targets).
  virtual result read_level(std::uint32_t level, std::vector<std::uint32_t>& argb) = 0;
  // Copies a level into system memory as the format stores it (rows from the
  // top, level_size() bytes; depth formats as 16-bit, 32-bit or float depth
  // values): how a render target's contents are read back. Not for the
  // block-compressed formats.
  virtual result read_level_data(std::uint32_t level, std::vector<std::uint8_t>& bytes) = 0;
  // Rebuilds levels 1 and up from level 0 (render targets with usage_autogen_mipmap).
  virtual void generate_mipmaps() = 0;
  // The surface of one level, to render into (render targets) or to describe it.
  // Null for a level out of range. The surface keeps no reference: it must not
  // outlive the texture.
  virtual std::unique_ptr<surface> get_surface_level(std::uint32_t level) = 0;
};

// --- buffers --------------------------------------------------------------------------------

// Lock modes: discard the whole buffer's contents (the caller rewrites it), or
// promise not to touch data the device may still be drawing from.
inline constexpr std::uint32_t lock_none = 0;
inline constexpr std::uint32_t lock_discard = 1;
inline constexpr std::uint32_t lock_no_overwrite = 2;
inline constexpr std::uint32_t lock_read_only = 4;

class buffer {
 public:
  virtual ~buffer() = default;
  virtual std::uint32_t size() const = 0;
  // Maps bytes [offset, offset + size) (size 0: to the end) for writing until
  // unlock. invalid_call for a range outside the buffer or a second lock.
  virtual result lock(std::uint32_t offset, std::uint32_t size, std::uint32_t flags, void*& data) = 0;
  virtual result unlock() = 0;
};
// Vertices in the layout the draw call sets.
class vertex_buffer : public buffer {};
// 16-bit indices.
class index_buffer : public buffer {};

// --- vertex layouts -----------------------------------------------------------------------

enum class vertex_element_type : std::uint8_t {
  float1,
  float2,
  float3,
  float4,
  color,   // 4 bytes B, G, R, A (0xAARRGGBB little-endian), normalised to 0..1
  ubyte4,  // 4 bytes as integers (bone indices)
  ubyte4n  // 4 bytes normalised to 0..1
};

enum class vertex_usage : std::uint8_t {
  position,
  normal,
  color,
  texcoord,
  blend_weight,
  blend_indices,
  tangent,
  binormal
};

struct vertex_element {
  std::uint16_t stream = 0;
  std::uint16_t offset = 0;
  vertex_element_type type = vertex_element_type::float3;
  vertex_usage usage = vertex_usage::position;
  std::uint8_t usage_index = 0;
};

class vertex_layout {
 public:
  virtual ~vertex_layout() = default;
  virtual const std::vector<vertex_element>& elements() const = 0;
};

// Attribute slots of the programs: every vertex input of every program is found
// at the slot of its usage. In our GLSL the inputs are declared for the programs
// under these names (see effect.h).
int attribute_slot(vertex_usage usage, int usage_index);

// --- pixel programs -------------------------------------------------------------------------

// A fragment program drawn with the fixed-function vertex path in place of the
// fixed-function texture stages.
class pixel_program {
 public:
  virtual ~pixel_program() = default;
};

// --- draws ----------------------------------------------------------------------------------

enum class primitive_type : std::uint8_t { point_list, line_list, line_strip, triangle_list, triangle_strip, triangle_fan };

// Vertices a draw of `count` primitives of the type uses.
std::uint32_t vertices_for(primitive_type type, std::uint32_t count);

// --- states ---------------------------------------------------------------------------------

enum class render_state : std::uint8_t {
  z_enable,
  z_write_enable,
  z_func,               // compare_func
  alpha_blend_enable,
  src_blend,            // blend
  dest_blend,           // blend
  alpha_test_enable,
  alpha_ref,            // 0..255
  alpha_func,           // compare_func
  cull_mode,            // cull
  fill_mode,            // fill
  color_write_enable,   // bits 1 red, 2 green, 4 blue, 8 alpha
  stencil_enable,
  stencil_func,         // compare_func
  stencil_ref,
  stencil_mask,
  stencil_write_mask,
  stencil_fail,         // stencil_op
  stencil_zfail,        // stencil_op
  stencil_pass,         // stencil_op
  depth_bias,           // the bits of a float
  slope_scale_depth_bias,  // the bits of a float
  scissor_test_enable,
  fog_enable,
  fog_color,            // 0xAARRGGBB
  fog_start,            // the bits of a float
  fog_end,              // the bits of a float
  lighting,
  ambient,              // 0xAARRGGBB
  texture_factor,       // 0xAARRGGBB
  // Fixed-function states the scene view keeps; the OpenGL backend draws
  // through effects and only stores them.
  normalize_normals,
  specular_enable,
  range_fog_enable,
  fog_vertex_mode,      // 0 none, 3 linear
  clip_plane_enable,    // bits of the user clip planes
  multisample_antialias,
  ambient_material_source,   // 0 material, 1 vertex colour
  specular_material_source,  // 0 material, 1 vertex colour
  count
};

enum class blend : std::uint32_t {
  zero = 1,
  one,
  src_color,
  inv_src_color,
  src_alpha,
  inv_src_alpha,
  dest_alpha,
  inv_dest_alpha,
  dest_color,
  inv_dest_color,
};

enum class compare_func : std::uint32_t { never = 1, less, equal, less_equal, greater, not_equal, greater_equal, always };
enum class cull : std::uint32_t { none = 1, clockwise, counter_clockwise };
enum class fill : std::uint32_t { point = 1, wireframe, solid };
enum class stencil_op : std::uint32_t { keep = 1, zero, replace, incr_sat, decr_sat, invert, incr, decr };

// The value of a state as the word the device keeps.
template <class E>
constexpr std::uint32_t state_value(E e) {
  return static_cast<std::uint32_t>(e);
}

enum class sampler_state : std::uint8_t {
  address_u,     // texture_address
  address_v,     // texture_address
  mag_filter,    // texture_filter
  min_filter,    // texture_filter
  mip_filter,    // texture_filter (none: no mip levels used)
  max_anisotropy,
  border_color,  // 0xAARRGGBB
  count
};

enum class texture_address : std::uint32_t { wrap = 1, mirror, clamp, border };
enum class texture_filter : std::uint32_t { none = 0, point, linear, anisotropic };

enum class texture_stage_state : std::uint8_t {
  color_op,   // texture_op
  color_arg1, // texture_arg
  color_arg2, // texture_arg
  alpha_op,   // texture_op
  alpha_arg1, // texture_arg
  alpha_arg2, // texture_arg
  texcoord_index,  // the vertex's coordinate set in the low bits, or one of texcoord_*
  texture_transform_flags,  // 0 off, else the count of coordinates the texture transform makes
  count
};

enum class texture_op : std::uint32_t {
  disable = 1,
  select_arg1,
  select_arg2,
  modulate,
  modulate2x,
  modulate4x,
  add,
  add_signed,
  subtract,
  blend_texture_alpha,
};

enum class texture_arg : std::uint32_t { diffuse = 0, current = 1, texture = 2, factor = 3 };

// Generated texture coordinates (texcoord_index values besides the coordinate
// set numbers): from the camera-space normal, position or reflection vector, or
// a sphere map. The OpenGL backend computes them in its programs.
inline constexpr std::uint32_t texcoord_camera_space_normal = 0x10000;
inline constexpr std::uint32_t texcoord_camera_space_position = 0x20000;
inline constexpr std::uint32_t texcoord_camera_space_reflection = 0x30000;
inline constexpr std::uint32_t texcoord_sphere_map = 0x40000;

// Number of texture stages and samplers the device has.
inline constexpr std::uint32_t max_texture_stages = 8;

// Fixed-function transforms (matrices of 16 floats, row vectors: a point p
// becomes p x M, rows as stored).
enum class transform_kind : std::uint8_t { world, view, projection, texture0, texture1, texture2, count };

// A fixed-function light (colours as four floats r, g, b, a).
enum class light_kind : std::uint32_t { point = 1, spot, directional };
struct light_desc {
  light_kind kind = light_kind::point;
  float diffuse[4] = {0, 0, 0, 0};
  float specular[4] = {0, 0, 0, 0};
  float ambient[4] = {0, 0, 0, 0};
  float position[3] = {0, 0, 0};
  float direction[3] = {0, 0, 1};
  float range = 0.0f;
  float attenuation[3] = {1, 0, 0};
  bool operator==(const light_desc&) const = default;
};
// Fixed-function lights a device has.
inline constexpr std::uint32_t max_lights = 64;

// The fixed-function material.
struct material_desc {
  float diffuse[4] = {1, 1, 1, 1};
  float ambient[4] = {1, 1, 1, 1};
  float specular[4] = {0, 0, 0, 0};
  float emissive[4] = {0, 0, 0, 0};
  float power = 0.0f;
  bool operator==(const material_desc&) const = default;
};

// The fixed-function lights, material, clip planes and pixel constants a
// device keeps (both backends hold one).
struct fixed_function_store {
  light_desc lights[max_lights];
  bool enabled[max_lights] = {};
  material_desc material;
  float clip_planes[6][4] = {};
  float pixel_constants[8][4] = {};

  result set_light(std::uint32_t index, const light_desc& light);
  result light_enable(std::uint32_t index, bool on);
  bool light_enabled(std::uint32_t index) const { return index < max_lights && enabled[index]; }
  result set_clip_plane(std::uint32_t index, const float plane[4]);
  result set_pixel_constant(std::uint32_t index, const float value[4]);
};

// The states a device starts with (and a reset restores).
std::uint32_t default_render_state(render_state s);
std::uint32_t default_sampler_state(sampler_state s);
std::uint32_t default_texture_stage_state(std::uint32_t stage, texture_stage_state s);

}  // namespace hm::platform::gpu
