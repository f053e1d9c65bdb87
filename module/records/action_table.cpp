#include "module/records/action_table.h"

#include "engine/resource/resource_manager.h"
#include "engine/core/stream.h"
#include "module/base/module_paths.h"
#include "module/base/module_text.h"

namespace hm {

action_table g_action_table;

namespace {

void read_action_sequence(text_reader& reader, action_sequence& sequence) {
  reader.read_float(sequence.duration);
  reader.read_string(sequence.animation_name);
  sequence.animation = g_resource_manager.get_skeleton_anim(sequence.animation_name);
  reader.read_int(sequence.first_frame);
  reader.read_int(sequence.last_frame);
  reader.read_u32(sequence.flags);
  reader.read_u32(sequence.flags2);
  reader.read_float(sequence.root_motion.x);
  reader.read_float(sequence.root_motion.y);
  reader.read_float(sequence.root_motion.z);
  reader.read_float(sequence.phase);
}

void read_action(text_reader& reader, action_record& action) {
  reader.read_string(action.name);
  reader.read_u32(action.flags);
  const std::uint32_t top = action.flags >> 24;
  action.pitch_frames = top != 0 ? static_cast<std::int32_t>(top) : 100;
  const std::int32_t count = read_record_count(reader, "sequences", action.name.c_str());
  read_records(reader, action.sequences, count,
               [](action_sequence& sequence, text_reader& r) { read_action_sequence(r, sequence); });
}

}  // namespace

void read_action_table(text_reader& reader, action_table& table) {
  load_record_table(reader, table.actions, "actions",
                    [](action_record& action, text_reader& r) { read_action(r, action); });
}

void load_actions() {
  text_reader reader;
  open_text_file(reader, module_file_path("actions.txt"));
  read_action_table(reader, g_action_table);
}

}  // namespace hm
