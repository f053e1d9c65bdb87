#include <algorithm>
#include <vector>

#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "script/operation.h"
#include "script/script_errors.h"
#include "script/script_host.h"

namespace hm {

void load_statement_block(statement_block& block, text_reader& reader) {
  block.operations.clear();
  block.operations.shrink_to_fit();
  block.jumps_resolved = false;

  std::int32_t count = 0;
  reader.read_int(count);
  if (count < 0) {
    ruv_error("Invalid operation count %d in a statement block of file: %s", count, reader.name.c_str());
  }
  // Room for the count as far as the bytes left could hold it, so a huge count
  // in a broken file ends at the reader's end-of-file error instead of one
  // giant allocation.
  block.operations.reserve(record_room(reader, count, sizeof(operation)));
  for (std::int32_t i = 0; i < count; ++i) {
    operation op;
    std::int32_t word = 0;
    reader.read_int(word);
    op.opcode_word = static_cast<std::uint32_t>(word);
    reader.read_int(op.param_count);
    if (op.param_count < 0 || op.param_count > max_operation_params) {
      ruv_error("Invalid parameter count %d (max: %d) in operation %d of a statement block of file: %s",
                op.param_count, max_operation_params, i, reader.name.c_str());
    }
    for (int p = 0; p < op.param_count; ++p) reader.read_i64(op.params[p]);
    block.operations.push_back(op);
  }
}

bool resolve_block_jumps(statement_block& block) {
  if (block.jumps_resolved) return false;
  const int count = block.count();
  operation* ops = block.operations.data();
  bool reported = false;
  // The open blocks: each opener's index and its opener or latest else_try.
  // Nesting has no fixed limit here; the executor bounds what it can run.
  std::vector<int> open;
  std::vector<int> last;
  auto report = [&](int i, const char* message) {
    g_interpreter.current_statement = i;
    report_script_error(message);
    reported = true;
  };
  for (int i = 0; i < count; ++i) {
    const std::uint32_t word = ops[i].opcode_word;
    if ((word & opcode_bits_mask) >= opcode::first_operation) continue;
    if (is_block_opener(word)) {
      open.push_back(i);
      last.push_back(i);
    } else if (word == opcode::else_try) {
      if (open.empty()) {
        report(i, "Warning: Unmatched else_try.");
        continue;
      }
      for (int k = last.back() + 1; k < i; ++k) {
        if (ops[k].jump_index < 0) ops[k].jump_index = i;
      }
      last.back() = i;
    } else if (word == opcode::try_end) {
      if (open.empty()) {
        if (current_script_host().engine->enable_edit_mode()) report(i, "Warning: Unmatched try_end");
        continue;
      }
      for (int k = open.back(); k < i; ++k) {
        if (ops[k].jump_index < 0) ops[k].jump_index = i;
      }
      open.pop_back();
      last.pop_back();
    }
  }
  for (int i = 0; i < count; ++i) {
    if (ops[i].jump_index < 0) ops[i].jump_index = count;
  }
  block.jumps_resolved = true;
  return reported;
}

}  // namespace hm
