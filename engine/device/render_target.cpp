#include "engine/device/render_target.h"

#include <memory>

#include "engine/settings/game_options.h"
#include "engine/core/log.h"
#include "engine/settings/ruv_config.h"
#include "engine/resource/texture_record.h"
#include "platform/gpu/device.h"

namespace hm {

namespace gpu = platform::gpu;

namespace {

// Wider targets than this stop the game when they fail.
constexpr std::int32_t small_target_width = 1024;

// A failed wide target: the next start asks for less, and the game ends now.
[[noreturn]] void give_up_on_wide_target(const char* what, const texture& t) {
  if (g_ruv_config.shadowmap_quality > 0) {
    --g_ruv_config.shadowmap_quality;
    save_ruv_config(g_ruv_config);
    ruv_error("Unable to create %s width=%d height=%d. Shadowmap quality will be reduced next time you start the game.",
              what, t.width, t.height);
  }
  g_game_options.environment_shadows = 0;
  save_options(g_game_options);
  ruv_error("Unable to create %s width=%d height=%d. Environment shadows will be turned off next time you start the game.",
            what, t.width, t.height);
}

bool is_depth_texture_format(gpu::format f) {
  return f == gpu::format::d24s8 || f == gpu::format::d24x8 || f == gpu::format::d16;
}

}  // namespace

gpu::format paired_depth_format(gpu::format f) {
  switch (f) {
    case gpu::format::d16: return gpu::format::d24s8;
    case gpu::format::d24s8: return gpu::format::d16;
    case gpu::format::r32f: return gpu::format::r16f;
    case gpu::format::r16f: return gpu::format::r32f;
    default: return gpu::format::unknown;
  }
}

int create_render_target_surfaces(texture& t, gpu::device& device) {
  if (t.surface_word) return 0;
  t.format = t.requested_format;
  const auto w = static_cast<std::uint32_t>(t.width), h = static_cast<std::uint32_t>(t.height);
  if (t.kind == texture::kind_depth_target) {
    std::unique_ptr<gpu::surface> depth;
    const auto requested = static_cast<gpu::format>(t.requested_format);
    gpu::result r = device.create_depth_stencil_surface(w, h, requested, gpu::multisample_none, 0, true, depth);
    if (r != gpu::result::ok) {
      const gpu::format pair = paired_depth_format(requested);
      if (pair != gpu::format::unknown) {
        r = device.create_depth_stencil_surface(w, h, pair, gpu::multisample_none, 0, true, depth);
        if (r == gpu::result::ok) t.format = static_cast<std::int32_t>(pair);
      }
    }
    if (r != gpu::result::ok) {
      if (t.width <= small_target_width) return 0;
      give_up_on_wide_target("depth stencil surface", t);
    }
    t.depth_surface = depth.release();
  } else if (t.kind == texture::kind_render_target) {
    const auto f = static_cast<gpu::format>(t.requested_format);
    std::uint32_t levels = 1, usage = gpu::usage_render_target;
    if (is_depth_texture_format(f)) {
      usage = gpu::usage_depth_stencil;
    } else if (t.mipmapped) {
      levels = 0;
      usage |= gpu::usage_autogen_mipmap;
    }
    std::unique_ptr<gpu::texture> made;
    if (device.create_texture(w, h, levels, usage, f, made) != gpu::result::ok) {
      if (t.width <= small_target_width) {
        g_game_options.character_shadows = 0;
        save_options(g_game_options);
        return 0;
      }
      give_up_on_wide_target("render target texture", t);
    }
    // A target may be made again after a device reset: frame 0 is its texture.
    t.surface = made->get_surface_level(0).release();
    t.frames.assign(1, made.release());
    t.frame_count = 1;
  } else {
    return 0;
  }
  // Holding device objects makes the target loaded, so that the release on a
  // lost device finds it however it was made (pool or resource file).
  t.surface_word = 1;
  t.loaded = true;
  return 0;
}

}  // namespace hm
