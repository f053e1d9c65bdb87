#include "campaign/support/fake_campaign.h"

#include "engine/core/random.h"
#include "engine/core/timer.h"
#include "module/base/module_settings.h"
#include "module/records/party_template.h"

namespace hm::test {

campaign_fixture::campaign_fixture() {
  random_seed(1234);
  reset_clocks();
  g_module_settings.set_defaults();
  g_party_templates.clear();
}

campaign_fixture::~campaign_fixture() {
  g_party_templates.clear();
  g_module_settings.set_defaults();
}

party& campaign_fixture::new_party() {
  const std::int32_t id = game.parties.take_free_party();
  party& p = *game.parties.get_party_by_id(id);
  p.reset();
  return p;
}

std::vector<std::array<int, 3>> campaign_fixture::stacks_of(const party& p) {
  std::vector<std::array<int, 3>> out;
  for (int i = 0; i < p.stack_count; ++i) {
    out.push_back({p.stacks[i].troop, p.stacks[i].count, p.stacks[i].is_prisoners() ? 1 : 0});
  }
  return out;
}

}  // namespace hm::test
