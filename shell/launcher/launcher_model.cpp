#include "shell/launcher/launcher_model.h"

#include <algorithm>

#include "module/loading/module_start.h"
#include "platform/net.h"
#include "platform/settings_store.h"

namespace hm {

std::vector<std::string> launcher_modules() {
  std::vector<std::string> names = list_modules();
  std::sort(names.begin(), names.end());
  if (names.size() > max_listed_modules) names.resize(max_listed_modules);
  return names;
}

int launcher_selection(const std::vector<std::string>& modules, const std::string& last_module) {
  if (modules.empty()) return -1;
  const auto it = std::find(modules.begin(), modules.end(), last_module);
  return it == modules.end() ? 0 : static_cast<int>(it - modules.begin());
}

std::string read_last_module() { return platform::read_setting("last_module").value_or(""); }

std::string read_version_address() { return platform::read_setting("version_check_address").value_or(""); }

bool write_last_module(const std::string& name) { return platform::write_setting("last_module", name); }

std::int32_t get_latest_version(const std::string& address, int timeout_ms) {
  if (address.empty()) return -1;
  platform::http_response answer;
  if (platform::http_request(address, "GET", "", answer, timeout_ms) != 0) return -1;
  if (answer.status != 200) return -1;
  return platform::leading_decimal(answer.body);
}

version_check_result judge_version(std::int32_t latest) {
  if (latest < 0) return version_check_result::unable_to_retrieve;
  return latest >= newer_version_threshold ? version_check_result::new_version : version_check_result::up_to_date;
}

}  // namespace hm
