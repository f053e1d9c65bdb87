#include "shell/device/screenshot_file.h"

#include <limits>
#include <system_error>

#include "platform/fs.h"

namespace hm {

std::filesystem::path screenshot_folder(const std::filesystem::path& documents, const std::string& module_name) {
  const std::filesystem::path folder = documents / "Hoofmarch Screenshots" / module_name;
  if (!platform::create_folders(folder)) return {};
  return folder;
}

std::filesystem::path next_screenshot_file(const std::filesystem::path& folder, std::int32_t& counter) {
  std::error_code ec;
  while (counter < std::numeric_limits<std::int32_t>::max()) {
    ++counter;
    std::filesystem::path file = folder / ("hoofmarch" + std::to_string(counter) + ".png");
    const bool taken = std::filesystem::exists(file, ec);
    // A folder that cannot be looked into takes no picture either.
    if (ec) return {};
    if (!taken) return file;
  }
  return {};
}

}  // namespace hm
