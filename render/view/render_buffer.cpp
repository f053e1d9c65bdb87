#include "render/view/render_buffer.h"

#include <cstring>
#include <string>

#include "engine/core/log.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/shader_record.h"

namespace hm {

namespace gpu = platform::gpu;

const vertex_format_info vertex_formats[vertex_format_count] = {
    {"vdt_regular_ffp", 36, 0x2000013},
    {"vdt_regular", 40, 0x2000053},
    {"vdt_normal_map", 64, 0x2000153},
    {"vdt_skinning", 68, 0x1001013},
    {"vdt_normal_map_skinning", 92, 0x1001113},
};

std::int32_t vertex_format_stride(std::uint32_t f) {
  std::int32_t stride = 0;
  if (f & (vertex_position_transformed | vertex_position_own)) stride += 12;
  if (f & vertex_normal) stride += 12;
  if (f & vertex_colour) stride += 4;
  if (f & vertex_colour2) stride += 4;
  if (f & vertex_texcoord) stride += 8;
  if (f & vertex_texcoord2) stride += 8;
  if (f & vertex_tangent_frame) stride += 24;
  if (f & vertex_skinning_data) stride += 32;
  return stride;
}

std::vector<gpu::vertex_element> vertex_format_elements(std::uint32_t f) {
  using t = gpu::vertex_element_type;
  using u = gpu::vertex_usage;
  std::vector<gpu::vertex_element> out;
  std::uint16_t at = 0;
  auto add = [&](t type, u usage, std::uint8_t index, std::uint16_t bytes) {
    out.push_back({0, at, type, usage, index});
    at = static_cast<std::uint16_t>(at + bytes);
  };
  if (f & (vertex_position_transformed | vertex_position_own)) add(t::float3, u::position, 0, 12);
  if (f & vertex_normal) add(t::float3, u::normal, 0, 12);
  if (f & vertex_colour) add(t::color, u::color, 0, 4);
  if (f & vertex_colour2) add(t::color, u::color, 1, 4);
  if (f & vertex_texcoord) add(t::float2, u::texcoord, 0, 8);
  if (f & vertex_texcoord2) add(t::float2, u::texcoord, 1, 8);
  if (f & vertex_tangent_frame) {
    add(t::float3, u::tangent, 0, 12);
    add(t::float3, u::binormal, 0, 12);
  }
  if (f & vertex_skinning_data) {
    add(t::float4, u::blend_weight, 0, 16);
    add(t::float4, u::blend_indices, 0, 16);
  }
  return out;
}

std::int32_t mesh_element_count(const mesh& m, int kind) {
  if (kind == 0) return static_cast<std::int32_t>(m.get_vertices().size());
  return static_cast<std::int32_t>(m.get_faces().size() * 3);
}

namespace {

template <class T>
void put(std::uint8_t*& out, const T& value) {
  std::memcpy(out, &value, sizeof(T));
  out += sizeof(T);
}

void put_vec3(std::uint8_t*& out, const vec3& v) {
  put(out, v.x);
  put(out, v.y);
  put(out, v.z);
}

}  // namespace

void write_mesh_vertices(const mesh& m, std::uint8_t* out, std::uint32_t f, std::uint32_t shader_flags) {
  const auto& points = m.get_points();
  const auto& vertices = m.get_vertices();
  const auto& skinning = m.get_vertex_skinning();
  const bool second_colour_first = (shader_flags & 0x1Fu) == 0x18u;
  for (std::size_t i = 0; i < vertices.size(); ++i) {
    const mesh_vertex& v = vertices[i];
    // A vertex whose point is out of range (a broken mesh) is drawn at the origin.
    const bool has_point = v.point >= 0 && static_cast<std::size_t>(v.point) < points.size();
    const mesh_point no_point{};
    const mesh_point& p = has_point ? points[static_cast<std::size_t>(v.point)] : no_point;
    if (f & vertex_position_transformed)
      put_vec3(out, p.current_position);
    else if (f & vertex_position_own)
      put_vec3(out, p.position);
    if (f & vertex_normal) put_vec3(out, v.current_normal);
    if (f & vertex_colour) put(out, second_colour_first ? v.extra : v.current_color);
    if (f & vertex_colour2) put(out, v.extra);
    if (f & vertex_texcoord) {
      put(out, v.uv[0]);
      put(out, 1.0f - v.uv[1]);
    }
    if (f & vertex_texcoord2) {
      put(out, v.uv2[0]);
      put(out, 1.0f - v.uv2[1]);
    }
    if (f & vertex_tangent_frame) {
      put_vec3(out, v.tangent);
      put_vec3(out, v.binormal);
    }
    if (f & vertex_skinning_data) {
      const vertex_skinning none{{1.0f, 0.0f, 0.0f, 0.0f}, {0, 0, 0, 0}, {0.0f, 0.0f, 0.0f, 0.0f}};
      const vertex_skinning& s = i < skinning.size() ? skinning[i] : none;
      for (float w : s.weight) put(out, w);
      for (float b : s.bone_f) put(out, b);
    }
  }
}

void write_mesh_indices(const mesh& m, std::uint8_t* out) {
  for (const mesh_face& face : m.get_faces())
    for (std::int32_t index : face.vertex) put(out, static_cast<std::uint16_t>(index));
}

// --- pairs and device buffers -----------------------------------------------------------------

void render_buffer_pair::init() {
  for (int i = 0; i < 2; ++i) {
    render_buffer& b = buffers[i];
    b.name = ruv_string(unknown_buffer_pair_name);
    b.kind = -1;
    b.generation = 1;
    b.capacity = 0;
    b.created_size = 0;
    b.used = 0;
    b.queue.clear();
    b.dynamic = i;
  }
}

void release_vertex_buffers(render_buffer& b) {
  if (b.kind == 1)
    b.index_buffer.reset();
  else if (b.capacity != 0)
    b.vertex_buffer.reset();
  ++b.generation;
  b.created_size = 0;
}

void render_buffer_pair::restore(gpu::device& device) {
  for (render_buffer& b : buffers) {
    if (b.created_size >= b.capacity) continue;
    if (b.created_size != 0) release_vertex_buffers(b);
    b.created_size = 0;
    restore_vertex_buffers(b, device);
  }
}

void restore_vertex_buffers(render_buffer& b, gpu::device& device) {
  if (b.capacity != 0) {
    if (b.kind == 1) {
      b.index_buffer.reset();
      if (device.create_index_buffer(static_cast<std::uint32_t>(b.capacity) * 2u, true, b.index_buffer) !=
          gpu::result::ok)
        ruv_error("Unable to restore index buffer.");
    } else {
      b.vertex_buffer.reset();
      const auto bytes = static_cast<std::uint32_t>(b.stride) * static_cast<std::uint32_t>(b.capacity);
      if (device.create_vertex_buffer(bytes, true, b.vertex_buffer) != gpu::result::ok)
        ruv_error("Unable to restore vertex buffer.");
    }
  }
  b.created_size = b.capacity;
  ++b.generation;
}

// --- filling --------------------------------------------------------------------------------------

std::int32_t grown_capacity_logged(std::int32_t need) {
  std::int32_t quarter = need / 4;
  if (quarter <= 32) quarter = 32;
  return need + quarter;
}

std::int32_t grown_capacity(std::int32_t need) { return grown_capacity_logged(need) / 32 * 32; }

namespace {

const mesh_buffer_record& record_of(const mesh& m, int kind) { return m.buffers[kind == 1 ? 1 : 0]; }
mesh_buffer_record& record_of(mesh& m, int kind) { return m.buffers[kind == 1 ? 1 : 0]; }

std::uint32_t shader_flags_of(const mesh& m) {
  return m.mat && m.mat->shader_ptr ? m.mat->shader_ptr->flags : 0u;
}

void grow(render_buffer& b, std::int32_t need, const buffer_fill_context& context) {
  std::string line;
  if (b.kind == 1)
    line = b.dynamic ? "Out of dynamic index buffer memory. Needed = " : "Out of Static index buffer memory. Needed = ";
  else
    line = std::string(b.name.c_str()) + (b.dynamic ? ":Out of dynamic vertex buffer memory. Needed = "
                                                    : ":Out of Static vertex buffer memory. Needed = ");
  log_line(line + std::to_string(need) + "Available:" + std::to_string(b.capacity) + "\n");
  log_line("Expanding Buffer Capacity to " + std::to_string(grown_capacity_logged(need)) + "\n");
  b.capacity = grown_capacity(need);
  if (context.device_objects_stale) *context.device_objects_stale = true;
}

// Locks with the retry rule: a failed try waits 10 ms; the last allowed failure is fatal.
void* lock_with_retries(gpu::buffer& buffer, std::uint32_t offset, std::uint32_t size, std::uint32_t flags,
                        const buffer_fill_context& context) {
  for (int failures = 0;;) {
    void* data = nullptr;
    if (buffer.lock(offset, size, flags, data) == gpu::result::ok && data) return data;
    if (++failures >= lock_tries) ruv_error("unable to lock vertex buffer");
    if (context.sleep) context.sleep(10);
  }
}

void* lock_once(gpu::buffer& buffer, std::uint32_t offset, std::uint32_t size, std::uint32_t flags,
                const char* failure) {
  void* data = nullptr;
  if (buffer.lock(offset, size, flags, data) != gpu::result::ok || !data) ruv_error("%s", failure);
  return data;
}

gpu::buffer* device_buffer(render_buffer& b) {
  if (b.kind == 1) return b.index_buffer.get();
  return b.vertex_buffer.get();
}

// Writes the meshes through the staging area into the locked memory. A mesh
// larger than the staging area goes straight into the locked memory, after
// what waits in the staging area.
class staged_writer {
 public:
  staged_writer(render_buffer& b, std::vector<std::uint8_t>& staging, std::uint8_t* destination)
      : b_(b), staging_(staging), out_(destination), stride_(static_cast<std::size_t>(b.stride)) {
    if (staging_.size() < staging_size) staging_.resize(staging_size);
  }

  void write(const mesh& m, std::int32_t n) {
    const std::size_t bytes = static_cast<std::size_t>(n) * stride_;
    if ((pending_ + static_cast<std::size_t>(n)) * stride_ >= staging_size) flush();
    if (bytes >= staging_size) {
      write_mesh(m, out_);
      out_ += bytes;
      return;
    }
    write_mesh(m, staging_.data() + pending_ * stride_);
    pending_ += static_cast<std::size_t>(n);
  }

  void flush() {
    if (pending_ == 0) return;
    std::memcpy(out_, staging_.data(), pending_ * stride_);
    out_ += pending_ * stride_;
    pending_ = 0;
  }

 private:
  void write_mesh(const mesh& m, std::uint8_t* at) {
    if (b_.kind == 1)
      write_mesh_indices(m, at);
    else
      write_mesh_vertices(m, at, b_.format, shader_flags_of(m));
  }

  render_buffer& b_;
  std::vector<std::uint8_t>& staging_;
  std::uint8_t* out_;
  std::size_t stride_;
  std::size_t pending_ = 0;
};

bool must_write(const mesh& m, const render_buffer& b) {
  const mesh_buffer_record& r = record_of(m, b.kind);
  return r.buffer_generation != b.generation || r.changed || r.switch_written != r.second_word;
}

}  // namespace

int fill_vertex_buffers(render_buffer& b, std::vector<std::uint8_t>& staging, std::int32_t frame_counter,
                        const buffer_fill_context& context) {
  const int kind = b.kind == 1 ? 1 : 0;
  if (kind == 1) b.stride = 2;

  for (mesh* m : b.queue) {
    mesh_buffer_record& r = record_of(*m, kind);
    if (r.frame_stamp != frame_counter) {
      r.frame_stamp = frame_counter;
      r.dirty_history[r.history_index & 1] = r.changed;
      r.history_index = 1 - (r.history_index & 1);
    }
  }

  const std::uint32_t stride = static_cast<std::uint32_t>(b.stride);
  if (b.dynamic) {
    std::int32_t need = 0;
    for (mesh* m : b.queue) need += mesh_element_count(*m, kind);
    if (b.capacity < need) {
      grow(b, need, context);
      return restart_fill;
    }
    if (kind == 0 && b.capacity == 0) return 0;
    gpu::buffer* buffer = device_buffer(b);
    if (!buffer) ruv_error(kind == 1 ? "unable to lock index buffer" : "unable to lock vertex buffer");
    void* data = kind == 1 ? lock_once(*buffer, 0, 0, gpu::lock_discard, "unable to lock index buffer")
                           : lock_with_retries(*buffer, 0, 0, gpu::lock_discard, context);
    staged_writer writer(b, staging, static_cast<std::uint8_t*>(data));
    std::int32_t offset = 0;
    for (mesh* m : b.queue) {
      const std::int32_t n = mesh_element_count(*m, kind);
      mesh_buffer_record& r = record_of(*m, kind);
      writer.write(*m, n);
      r.start = offset;
      r.switch_written = r.second_word;
      offset += n;
    }
    writer.flush();
    buffer->unlock();
    return 0;
  }

  std::int32_t need = 0;
  for (mesh* m : b.queue)
    if (must_write(*m, b)) need += mesh_element_count(*m, kind);
  if (need == 0) return 0;

  if (b.used + need < b.capacity) {
    gpu::buffer* buffer = device_buffer(b);
    if (!buffer) ruv_error(kind == 1 ? "unable to lock index buffer" : "unable to lock vertex buffer");
    void* data = lock_with_retries(*buffer, static_cast<std::uint32_t>(b.used) * stride,
                                   static_cast<std::uint32_t>(need) * stride, gpu::lock_no_overwrite, context);
    staged_writer writer(b, staging, static_cast<std::uint8_t*>(data));
    std::int32_t offset = 0;
    for (mesh* m : b.queue) {
      if (!must_write(*m, b)) continue;
      const std::int32_t n = mesh_element_count(*m, kind);
      mesh_buffer_record& r = record_of(*m, kind);
      writer.write(*m, n);
      r.start = b.used + offset;
      r.buffer_generation = b.generation;
      r.switch_written = r.second_word;
      r.changed = 0;
      offset += n;
    }
    writer.flush();
    buffer->unlock();
    b.used += need;
    return 0;
  }

  ++b.generation;
  std::int32_t total = 0;
  for (mesh* m : b.queue) total += mesh_element_count(*m, kind);
  if (b.capacity < total) {
    grow(b, total, context);
    return restart_fill;
  }
  gpu::buffer* buffer = device_buffer(b);
  const char* failure = kind == 1 ? "unable to lock index buffer" : "unable to lock vertex buffer";
  if (!buffer) ruv_error("%s", failure);
  void* data = lock_once(*buffer, 0, 0, gpu::lock_discard, failure);
  staged_writer writer(b, staging, static_cast<std::uint8_t*>(data));
  std::int32_t offset = 0;
  for (mesh* m : b.queue) {
    const std::int32_t n = mesh_element_count(*m, kind);
    mesh_buffer_record& r = record_of(*m, kind);
    writer.write(*m, n);
    r.start = offset;
    r.buffer_generation = b.generation;
    r.switch_written = r.second_word;
    r.changed = 0;
    offset += n;
  }
  writer.flush();
  buffer->unlock();
  b.used = total;
  return 0;
}

}  // namespace hm
