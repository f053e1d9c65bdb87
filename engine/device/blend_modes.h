#pragma once
// The engine's blend and texture-generation mode numbers turned into device
// states, sent only when they change: materials, shader stages and the render
// passes call these for every mesh drawn. The render-state cache holds one.
//
// Blend modes: 0 opaque (blending off, factors untouched), 1 alpha blending
// (source alpha, inverse source alpha), 2 additive weighted by alpha (source
// alpha, one), any other value multiplicative (zero, source colour).
// Texture-generation modes per stage: 1 or less the vertex's coordinate set of
// that number, 16 a sphere map, 32 the camera-space normal, 48 the camera-space
// reflection vector, 64 the camera-space position; any other value sends
// nothing but is remembered all the same.
#include <array>
#include <cstdint>

namespace hm {

namespace platform::gpu {
class device;
}

class blend_texgen_cache {
 public:
  static constexpr std::uint32_t stages = 8;

  explicit blend_texgen_cache(platform::gpu::device* device = nullptr) : device_(device) {}
  void set_device(platform::gpu::device* device) { device_ = device; }

  void set_blend_mode(std::int32_t mode);
  void set_texgen_mode(std::uint32_t stage, std::int32_t mode);
  // The frame reset: blending off, coordinate set 0 on every stage, both caches 0.
  void reset();

  std::int32_t blend_mode() const { return blend_mode_; }
  std::int32_t texgen_mode(std::uint32_t stage) const { return stage < stages ? texgen_modes_[stage] : 0; }

 private:
  platform::gpu::device* device_;
  std::int32_t blend_mode_ = 0;
  std::array<std::int32_t, stages> texgen_modes_{};
};

}  // namespace hm
