#pragma once
// The shared vertex and index buffer pools of the scene view: for each of the
// five vertex formats a static and a dynamic vertex buffer, then a static and a
// dynamic 16-bit index buffer. Every render each mesh to draw is queued into
// the buffer its device-buffer records name; filling writes the queued meshes
// through one staging area into the locked device buffers and records in each
// mesh where its data starts. Static buffers keep their data across frames and
// are appended to or rebuilt; dynamic buffers are rewritten every render. A
// buffer that is too small grows, marks the device objects stale and asks the
// caller to restart the fill.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/core/ruv_string.h"
#include "platform/gpu/device.h"

namespace hm {

class mesh;

// Vertex format word bits, in the order the vertex writer emits them.
inline constexpr std::uint32_t vertex_position_transformed = 0x2000000;  // the drawn position
inline constexpr std::uint32_t vertex_position_own = 0x1000000;          // the stored position (skinned)
inline constexpr std::uint32_t vertex_normal = 0x1;
inline constexpr std::uint32_t vertex_colour = 0x2;
inline constexpr std::uint32_t vertex_colour2 = 0x40;
inline constexpr std::uint32_t vertex_texcoord = 0x10;
inline constexpr std::uint32_t vertex_texcoord2 = 0x20;
inline constexpr std::uint32_t vertex_tangent_frame = 0x100;
inline constexpr std::uint32_t vertex_skinning_data = 0x1000;

struct vertex_format_info {
  const char* name;
  std::int32_t stride;
  std::uint32_t format_word;
};

inline constexpr int vertex_format_count = 5;
// "vdt_regular_ffp", "vdt_regular", "vdt_normal_map", "vdt_skinning",
// "vdt_normal_map_skinning": the formats of the mesh shader classes 0 to 4.
extern const vertex_format_info vertex_formats[vertex_format_count];

// Bytes a vertex of the format word takes.
std::int32_t vertex_format_stride(std::uint32_t format_word);
// The device vertex layout of a format word (stream 0, the writer's order).
std::vector<platform::gpu::vertex_element> vertex_format_elements(std::uint32_t format_word);

// Vertices of the mesh for kind 0, three times its faces for kind 1 (the
// arrays of the first mesh along the source chain that owns them).
std::int32_t mesh_element_count(const mesh& m, int kind);
// Writes every vertex of the mesh in the format's layout; `shader_flags` are the
// flags of the material's shader (the second colour replaces the first when
// their low five bits are 0x18).
void write_mesh_vertices(const mesh& m, std::uint8_t* destination, std::uint32_t format_word,
                         std::uint32_t shader_flags);
// Writes three 16-bit indices per face.
void write_mesh_indices(const mesh& m, std::uint8_t* destination);

// Bytes of the staging area every fill goes through.
inline constexpr std::size_t staging_size = 4292608;
// What a fill answers when a buffer grew and the fill must start again.
inline constexpr int restart_fill = -791613;
// The name every buffer starts with; the vertex buffers then take their format's.
inline constexpr const char* unknown_buffer_pair_name = "unknown buffer pair";

struct render_buffer {
  std::int32_t kind = -1;  // 0 vertex buffer, 1 index buffer
  std::int32_t stride = 0;
  std::unique_ptr<platform::gpu::vertex_buffer> vertex_buffer;
  std::uint32_t format = 0;
  std::int32_t used = 0;  // elements of a static buffer holding valid data
  std::int32_t generation = 1;
  ruv_string name{unknown_buffer_pair_name};
  std::int32_t capacity = 0;
  std::int32_t created_size = 0;
  std::int32_t dynamic = 0;
  std::vector<mesh*> queue;
  std::unique_ptr<platform::gpu::index_buffer> index_buffer;
  platform::gpu::vertex_layout* vertex_declaration = nullptr;
};

// What filling needs besides the buffer: the device, where to raise the
// device-objects-stale flag, and how to wait between lock tries.
struct buffer_fill_context {
  platform::gpu::device* device = nullptr;
  bool* device_objects_stale = nullptr;
  std::function<void(unsigned milliseconds)> sleep;
};

struct render_buffer_pair {
  render_buffer buffers[2];  // static, then dynamic

  // Both buffers back to their construction values, the first static, the second dynamic.
  void init();
  // Each buffer whose device buffer is smaller than its capacity is released and
  // made again at its capacity.
  void restore(platform::gpu::device& device);
};

// Creates the buffer's device buffer at its capacity (none for capacity 0);
// created_size = capacity and generation + 1 either way. A creation failure is
// fatal: "Unable to restore vertex buffer." or "Unable to restore index buffer.".
void restore_vertex_buffers(render_buffer& b, platform::gpu::device& device);
// Releases the device buffer (device loss): generation + 1, created_size 0.
void release_vertex_buffers(render_buffer& b);

// The capacity a buffer grows to for a need: need + need / 4, the quarter at
// least 32 (the logged value), then lowered to a multiple of 32 (the stored one).
std::int32_t grown_capacity_logged(std::int32_t need);
std::int32_t grown_capacity(std::int32_t need);

// Fills one buffer from its queue; 0, or restart_fill after a growth.
int fill_vertex_buffers(render_buffer& b, std::vector<std::uint8_t>& staging, std::int32_t frame_counter,
                        const buffer_fill_context& context);

// Lock tries before a failure is fatal: the 91st failed try ends the game.
inline constexpr int lock_tries = 91;

}  // namespace hm
