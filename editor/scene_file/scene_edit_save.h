#pragma once
// Writing an edited scene back to its ".sco" file. Only what the edit
// changed differs from the file as it was: an instance whose values equal
// its record keeps that record as read, a deleted instance's record goes, a
// new instance gets a record at the end, and the AI-mesh and ground-paint
// sections are replaced only when the editor holds new ones. The file is
// written beside the old one and renamed over it, so a failed save keeps the
// old file.
#include <string>

namespace hm {

class mission;
struct ground_paint;
struct scene_objects;

// The editor's in-memory edit data put into the scene's buffers: the ground
// paint (when given) as the file's ground-paint section and the AI mesh (when
// given) as its AI-mesh section; a null leaves that buffer as it is.
void store_scene_edit_buffers(scene_objects& stored, const ground_paint* paint, const std::string* ai_mesh_section);

// The mission's instances merged into the records read from the file (see
// above). Each instance's scene_record is set to its record's new index.
void merge_scene_instances(mission& m, scene_objects& stored);

// The whole save: the file at `path` read (a missing file starts an empty
// scene), the instances merged, the buffers stored, the file written
// safely. False, with the old file untouched, when it could not be read or
// written.
bool save_scene_edit(mission& m, const std::string& path, const char* scene_id, const ground_paint* paint,
                     const std::string* ai_mesh_section);

}  // namespace hm
