#include "engine/settings/key_bindings.h"

#include <cstdio>
#include <cstring>

#include "engine/core/stream.h"
#include "engine/core/user_files.h"

namespace hm {

key_bindings g_key_bindings;

namespace {

constexpr const char* kFileName = "controls.dat";

// The default first key of each control.
constexpr std::int32_t kDefaultFirstKeys[key_bindings::control_count] = {
    17,  31,  30,  32,  33, 57, 224, 225, 238, 239,  // W S A D F Space, mouse 224 225 238 239
    43,  15,  42,  41,  19, 46, 23,  25,  16,  38,   // \ Tab LShift ` R C I P Q L
    14,  59,  60,  61,  62, 63, 64,  65,  66,  67,   // Backspace F1..F9
    87,  2,   3,   4,   5,  6,  88,                  // F11 1..5 F12
};

constexpr int kFileSize = 4 + key_bindings::control_count * 2 * 4;

std::int32_t checked_key(std::int32_t code) { return code >= 0 && code <= 255 ? code : key_bindings::no_key; }

}  // namespace

void key_bindings::set_default_controls() {
  for (int control = 0; control < control_count; ++control) {
    keys[control][0] = kDefaultFirstKeys[control];
    keys[control][1] = no_key;
  }
}

bool key_bindings::read_controls(stream& in) {
  std::int32_t count = 0;
  if (in.unread().size() >= static_cast<std::size_t>(kFileSize)) in.read_int(count);
  if (count != control_count) {
    set_default_controls();
    return false;
  }
  for (auto& pair : keys) {
    for (std::int32_t& code : pair) {
      in.read_int(code);
      code = checked_key(code);
    }
  }
  return true;
}

void key_bindings::write_controls(stream& out) const {
  out.write_int(control_count);
  for (const auto& pair : keys) {
    for (std::int32_t code : pair) out.write_int(code);
  }
}

void key_bindings::backup_controls() { std::memcpy(backup, keys, sizeof keys); }

void key_bindings::restore_controls() { std::memcpy(keys, backup, sizeof keys); }

void key_bindings::assign_key(int control, std::int32_t code) {
  if (control < 0 || control >= control_count || code < 0 || code > 255) return;
  for (auto& pair : keys) {
    for (std::int32_t& slot : pair) {
      if (slot == code) slot = no_key;
    }
  }
  keys[control][0] = code;
}

bool key_bindings::any_first_key_missing() const {
  for (const auto& pair : keys) {
    if (pair[0] == no_key) return true;
  }
  return false;
}

bool load_controls(key_bindings& bindings) {
  binary_reader in;
  if (!in.open(get_user_file_path(kFileName))) {
    bindings.set_default_controls();
    return false;
  }
  return bindings.read_controls(in);
}

bool save_controls(const key_bindings& bindings) {
  binary_stream out;
  bindings.write_controls(out);
  const std::string_view bytes = out.contents();
  return replace_user_file(kFileName, "wb", [&](std::FILE* file) {
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  });
}

}  // namespace hm
