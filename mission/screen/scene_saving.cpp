#include "mission/screen/scene_saving.h"

#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "platform/fs.h"
#include "render/scene/scene_objects.h"

namespace hm {

bool save_scene_objects(const std::string& path, const scene_objects& objects, int source) {
  const std::string temporary = path + ".tmp";
  bool written = false;
  {
    binary_writer out;
    if (out.open(temporary) == 0) {
      write_scene_objects(out, objects, source);
      const bool write_failed = out.failed != 0;
      written = out.close() == 0 && !write_failed;
    }
  }
  if (written && platform::rename_file(temporary, path)) return true;
  platform::remove_file(temporary);
  log_line(("Unable to save scene objects to " + path + "\n").c_str());
  ruv_warning("Unable to save the scene to %s. The scene file was not changed.", path.c_str());
  return false;
}

}  // namespace hm
