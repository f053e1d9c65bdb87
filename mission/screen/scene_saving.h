#pragma once
// Writing an edited scene back to its scene-object file. The file is written
// beside the old one and renamed over it only once every write and the close
// succeeded, so a full disk or a read-only folder never costs the designer
// the scene that was there.
#include <string>

namespace hm {

struct scene_objects;

// Writes the scene's objects (those of `source`) to `path`. False, with the
// old file left as it was, a log line and a warning to the player, when the
// file could not be written.
bool save_scene_objects(const std::string& path, const scene_objects& objects, int source);

}  // namespace hm
