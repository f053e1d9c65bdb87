#pragma once
// conversation.txt: the module's dialog lines, read into the conversation
// state machine (script/dialog/conversation.h).
#include "script/dialog/conversation.h"

namespace hm {

class text_reader;

// After the file's header: the line count, then each line; the old lines go
// first. A negative count is a broken file (fatal, naming the file).
void load_dialogs(conversation& c, text_reader& reader);
// One line: id, speaker word, input state, condition block, text (underscores
// become blanks), output state, consequence block. The blocks are named
// "dialog condition: <id>" and "dialog consequence: <id>".
void load_dialog_line(dialog_line& line, text_reader& reader);

// Opens the running module's conversation.txt ("Unable to open <path>" when
// it is missing), reads its header and its lines into g_conversation.
void load_conversation_file();

}  // namespace hm
