#pragma once
// Shared helpers of the module-data tests: readers over text held in memory,
// the log written since a point, captured warning boxes, a scoped working
// folder, temporary folders, and the resources the sample module names.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/stream.h"

namespace hm::test {

// The name memory readers carry in error messages.
inline constexpr const char* memory_file_name = "test.txt";

// A text reader over the given text, named memory_file_name.
class memory_reader : public text_reader {
 public:
  explicit memory_reader(std::string_view text) { open_memory(memory_file_name, text.data(), text.size()); }
};

// What was written to the engine log since construction.
class log_capture {
 public:
  log_capture();
  std::string text() const;
  // Lines (without their line feeds) that begin with prefix.
  std::vector<std::string> lines_starting_with(std::string_view prefix) const;

 private:
  std::size_t start_;
};

// Collects the texts of message boxes ("RUV WARNING") while alive.
class warning_capture {
 public:
  warning_capture();
  ~warning_capture();
  const std::vector<std::string>& texts() const;
};

// A fresh temporary folder, removed with its contents on destruction.
class temp_folder {
 public:
  temp_folder();
  ~temp_folder();
  const std::filesystem::path& path() const { return path_; }
  // Writes a file (creating its folders) under the folder.
  void write(const std::string& relative, std::string_view text) const;

 private:
  std::filesystem::path path_;
};

// Makes a folder the generated-data folder (looked up behind the data folder)
// while alive.
class scoped_generated_folder {
 public:
  explicit scoped_generated_folder(const std::filesystem::path& folder);
  ~scoped_generated_folder();
};

// Makes a folder the working folder while alive.
class scoped_working_folder {
 public:
  explicit scoped_working_folder(const std::filesystem::path& folder);
  ~scoped_working_folder();

 private:
  std::filesystem::path previous_;
};

// Registers, once per process, the resources the sample module and the Data
// folder name: the skeletons skel_human (5 bones) and skel_horse (3 bones),
// the animations anim_human and anim_horse, the materials "default" and the
// ground materials, the flora meshes and the body bo_tree_pine_a, the prop meshes barrel_a (box
// -0.35 -0.35 0 to 0.35 0.35 1) and chest_a and the body bo_barrel (no part). Further
// skeletons for tests: skel_small (2 bones).
void register_test_resources();

// The message of the fatal error fn raises, or "" when it returns normally.
template <class Fn>
std::string fatal_message(Fn&& fn);

}  // namespace hm::test

#include "engine/core/log.h"

namespace hm::test {

template <class Fn>
std::string fatal_message(Fn&& fn) {
  scoped_fatal_throw throws;
  try {
    fn();
  } catch (const fatal_error& e) {
    return e.what();
  }
  return "";
}

}  // namespace hm::test
