#pragma once
// The texture font's device half on our graphics device: the glyph texture
// (A4R4G4B4, one level), a dynamic vertex buffer for one batch of glyph quads,
// the vertex layout of the 28-byte pre-transformed vertices, and the saved
// device state that a text draw puts back.
//
// Pre-transformed vertices carry screen pixels. The device has no such vertex
// kind, so the text is drawn through the fixed-function path with identity
// world and view transforms and a projection that maps the viewport's pixels
// onto clip space.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/text/texture_font.h"
#include "platform/gpu/device.h"

namespace hm {

class gpu_texture_font_device final : public texture_font_device {
 public:
  explicit gpu_texture_font_device(platform::gpu::device* device = nullptr) : device_(device) {}
  ~gpu_texture_font_device() override;
  gpu_texture_font_device(const gpu_texture_font_device&) = delete;
  gpu_texture_font_device& operator=(const gpu_texture_font_device&) = delete;

  // Takes a device; the objects made on the previous one must be released first.
  void set_device(platform::gpu::device* device) { device_ = device; }
  platform::gpu::device* device() const { return device_; }

  std::uint32_t max_texture_width() const override;
  hresult create_glyph_texture(int width, int height, const std::vector<std::uint16_t>& texels) override;
  void release_glyph_texture() override;
  hresult restore_draw_objects() override;
  void release_draw_objects() override;
  int viewport_width() const override;
  int viewport_height() const override;
  void begin_text(bool linear_filtering) override;
  void draw_triangles(const font_vertex* vertices, int count) override;
  void end_text() override;

  platform::gpu::texture* glyph_texture() const { return texture_.get(); }
  platform::gpu::vertex_buffer* vertex_buffer() const { return buffer_.get(); }

  // Vertices the buffer holds: one batch of the font's, a quad over the flush mark.
  static constexpr int buffer_vertices = texture_font::flush_vertices + 6;

  // The clip-space projection (rows as the device stores them) of a viewport's
  // pixels: pixel centres on whole numbers, y down.
  static std::array<float, 16> screen_projection(const platform::gpu::viewport& vp);

 private:
  struct saved_state {
    std::vector<std::uint32_t> render;
    std::vector<std::uint32_t> sampler;
    std::vector<std::uint32_t> stage0;
    std::vector<std::uint32_t> stage1;
  };

  platform::gpu::device* device_ = nullptr;
  std::unique_ptr<platform::gpu::texture> texture_;
  std::unique_ptr<platform::gpu::vertex_buffer> buffer_;
  std::unique_ptr<platform::gpu::vertex_layout> layout_;
  saved_state saved_;
  bool drawing_ = false;
};

}  // namespace hm
