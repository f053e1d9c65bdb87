#include "module/records/conversation_loader.h"

#include "engine/core/stream.h"
#include "module/base/module_paths.h"
#include "module/base/module_text.h"

namespace hm {

void load_dialog_line(dialog_line& line, text_reader& reader) {
  reader.read_string(line.id);
  reader.read_u32(line.speaker_word);
  reader.read_int(line.input_state);
  load_statement_block(line.condition, reader);
  line.condition.name = format_name("dialog condition: %s", line.id.c_str());
  read_spaced_string(reader, line.text);
  reader.read_int(line.output_state);
  load_statement_block(line.consequence, reader);
  line.consequence.name = format_name("dialog consequence: %s", line.id.c_str());
}

void load_dialogs(conversation& c, text_reader& reader) {
  // The running conversation points into the old lines by index.
  c.current_line = -1;
  c.player_options.clear();
  c.partner_candidates.clear();
  c.option_count = 0;
  load_record_table(reader, c.lines, "dialog lines", load_dialog_line);
}

void load_conversation_file() {
  text_reader reader;
  open_text_file(reader, module_file_path("conversation.txt"));
  read_module_header(reader);
  load_dialogs(g_conversation, reader);
}

}  // namespace hm
