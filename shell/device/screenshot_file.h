#pragma once
// Where the screenshot key's pictures go: "Hoofmarch Screenshots" in the
// user's documents folder, a folder per module in it, and files numbered
// hoofmarch1.png, hoofmarch2.png... that never replace an earlier picture.
#include <cstdint>
#include <filesystem>
#include <string>

namespace hm {

// <documents>/Hoofmarch Screenshots/<module>/, created with its parents when
// missing; empty when it cannot be made.
std::filesystem::path screenshot_folder(const std::filesystem::path& documents, const std::string& module_name);

// The next file of the folder: the counter (kept for the run, 0 at start) is
// raised, and raised again while "hoofmarch<counter>.png" exists. Empty once
// the counter has no number left.
std::filesystem::path next_screenshot_file(const std::filesystem::path& folder, std::int32_t& counter);

}  // namespace hm
