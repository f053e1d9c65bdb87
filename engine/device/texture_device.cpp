#include "engine/device/texture_device.h"

#include <memory>

#include "engine/core/log.h"
#include "engine/core/noise.h"
#include "engine/resource/texture_record.h"
#include "platform/fs.h"
#include "platform/gpu/device.h"
#include "platform/gpu/image_file.h"

namespace hm {

namespace gpu = platform::gpu;

static_assert(texture::default_target_format == static_cast<std::int32_t>(gpu::format::a8r8g8b8));

int texture_detail_hash(std::int32_t id) {
  return noise_permutation[static_cast<std::uint32_t>(id + 0x4AE3) & 0xFFu] & 15;
}

std::uint32_t texture_detail_skip(std::int32_t id, std::uint32_t flags, std::int32_t texture_detail) {
  if (flags & texture::flag_no_detail_reduction) return 0;
  const float share = static_cast<float>(texture_detail_hash(id)) * 0.0625f;
  if (texture_detail >= 25) return static_cast<float>(100 - texture_detail) * 0.013333334f > share ? 1 : 0;
  return static_cast<float>(25 - texture_detail) * 0.04f > share ? 2 : 1;
}

std::string texture_frame_file_name(const texture& t, int frame, bool try_module_folder,
                                    const ruv_string& module_folder) {
  std::string relative = "Textures\\";
  relative += t.name.c_str();
  if ((t.flags >> 24) & 15u) relative += "_" + std::to_string(frame) + ".dds";
  if (try_module_folder) {
    std::string in_module = std::string(module_folder.c_str()) + relative;
    if (platform::file_exists(in_module)) return in_module;
  }
  return relative;
}

texture_file_reader default_texture_file_reader() {
  return [](const std::string& path) { return platform::read_whole_file(path, false); };
}

gpu::texture* texture_frame(const texture& t, int frame) {
  if (frame < 0 || static_cast<std::size_t>(frame) >= t.frames.size()) return nullptr;
  return static_cast<gpu::texture*>(t.frames[static_cast<std::size_t>(frame)]);
}

int load_texture(texture& t, bool try_module_folder, const ruv_string& module_folder, const texture_load_context& ctx) {
  // A texture that needs pixel shaders waits, untouched, for a device that has them.
  if ((t.flags & texture::flag_needs_pixel_shaders) && !ctx.pixel_shaders_in_use) return 0;
  if (t.loaded) return 0;
  if (t.kind != texture::kind_file) {
    t.loaded = true;
    return 0;
  }
  const std::uint32_t skip = texture_detail_skip(t.id, t.flags, ctx.texture_detail);
  // A texture loaded before and released keeps no stale frames.
  release_texture_device_objects(t);
  t.frame_count = t.frames_wanted();
  t.frames.assign(static_cast<std::size_t>(t.frame_count), nullptr);
  const texture_file_reader& read = ctx.read_file ? ctx.read_file : default_texture_file_reader();
  for (int i = 0; i < t.frame_count; ++i) {
    const std::string file = texture_frame_file_name(t, i, try_module_folder, module_folder);
    const std::optional<std::string> bytes = read(file);
    gpu::image img;
    std::string why;
    std::unique_ptr<gpu::texture> made;
    if (!bytes || !ctx.device ||
        !gpu::read_image_file(file, reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size(), img, why) ||
        gpu::create_texture_from_image(*ctx.device, img, skip, made) != gpu::result::ok) {
      // Frames made so far go with the texture's other device objects.
      release_texture_device_objects(t);
      ruv_error("Unable to open texture file %s", file.c_str());
    }
    t.frames[static_cast<std::size_t>(i)] = made.release();
  }
  t.loaded = true;
  return 0;
}

}  // namespace hm
