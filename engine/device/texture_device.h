#pragma once
// The device half of the texture resource: which mip levels a texture leaves
// out for the "texture_detail" setting, the files its frames come from, and
// loading and releasing its device textures.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/core/ruv_string.h"

namespace hm {

namespace platform::gpu {
class device;
class texture;
}

class texture;

// The texture's hash: the noise permutation byte at (id + 0x4AE3) & 0xFF, & 15.
int texture_detail_hash(std::int32_t id);

// Top mip levels to leave out: with a detail of 25 or more, 1 when
// (100 - detail) x 0.013333334 > hash x 0.0625, else 0; below 25, 2 when
// (25 - detail) x 0.04 > hash x 0.0625, else 1; always 0 with the
// no-detail-reduction flag. Detail 100 reduces nothing, 25 every texture by one
// level, 0 every texture by two.
std::uint32_t texture_detail_skip(std::int32_t id, std::uint32_t flags, std::int32_t texture_detail);

// The file of a frame: "Textures\<name>_<i>.dds" with frame groups, else
// "Textures\<name>"; with try_module_folder, the same name under the module
// folder ("<module folder>Textures\...") when that file exists.
std::string texture_frame_file_name(const texture& t, int frame, bool try_module_folder,
                                    const ruv_string& module_folder);

// How texture files are read: the whole file, or nothing when it cannot be
// opened (the platform's reader; tests count or replace it).
using texture_file_reader = std::function<std::optional<std::string>(const std::string& engine_path)>;
texture_file_reader default_texture_file_reader();

struct texture_load_context {
  platform::gpu::device* device = nullptr;
  bool pixel_shaders_in_use = false;
  std::int32_t texture_detail = 100;
  texture_file_reader read_file;
};

// Loads a texture: nothing (and no file touched) when it needs pixel shaders
// and they are off, or when it is loaded; a render target only becomes loaded;
// a file texture loads every frame with its detail skip. A file that cannot be
// read or made into a texture is fatal: "Unable to open texture file %s".
// Returns 0.
int load_texture(texture& t, bool try_module_folder, const ruv_string& module_folder, const texture_load_context& ctx);

// The device texture of a frame, or null.
platform::gpu::texture* texture_frame(const texture& t, int frame);

}  // namespace hm
