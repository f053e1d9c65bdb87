#include "module/base/module_text.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "engine/core/log.h"
#include "engine/core/stream.h"

namespace hm {

std::int32_t read_module_header(text_reader& reader) {
  ruv_string word;
  reader.read_string(word);
  reader.read_string(word);
  std::int32_t version = 0;
  reader.read_int(version);
  return version;
}

std::int32_t read_record_count(text_reader& reader, const char* what, const char* owner) {
  std::int32_t count = 0;
  reader.read_int(count);
  if (count < 0) {
    ruv_error("Bad count %d of %s in %s of file %s", count, what, owner ? owner : "a record", reader.name.c_str());
  }
  return count;
}

void read_spaced_string(text_reader& reader, ruv_string& text) {
  reader.read_string(text);
  text.underscores_to_spaces();
}

ruv_string format_name(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text;
  if (length > 0) {
    text.resize(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(text.data(), text.size(), format, again);
    text.resize(static_cast<std::size_t>(length));
  }
  va_end(again);
  return ruv_string(text);
}

}  // namespace hm
