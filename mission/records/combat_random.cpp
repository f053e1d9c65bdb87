#include "mission/records/combat_random.h"

#include "mission/records/mission_services.h"

namespace hm {

int mission_combat_random::next() { return services_.random_next(); }

}  // namespace hm
