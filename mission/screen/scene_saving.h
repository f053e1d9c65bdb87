#pragma once
// Writing an edited scene back to its scene-object file. The file is written
// beside the old one and renamed over it only once every write and the close
// succeeded, so a full disk or a read-only folder never costs the designer
// the scene that was there.
#include <string>

namespace hm {

class mission;
struct scene_objects;

// Writes the scene's objects (those of `source`) to `path`. False, with the
// old file left as it was, a log line and a warning to the player, when the
// file could not be written.
bool save_scene_objects(const std::string& path, const scene_objects& objects, int source);

// Brings the scene's stored object records up to date with the mission's
// module scene props: a prop read from the file updates its record (kind,
// name, where it stands and its size), a prop placed during the mission gets
// a new record of `source` and remembers it.
void sync_scene_prop_records(mission& m, scene_objects& stored, int source);

// The whole save of an edited scene: the file as it is on disk (its entry
// points, items, plants, passages, navigation graph and ground paint), the
// mission's props synced into it, written back safely. False when the file
// could not be read or written (the old one is then kept).
bool save_edited_scene(mission& m, const std::string& path, const char* scene_id);

}  // namespace hm
