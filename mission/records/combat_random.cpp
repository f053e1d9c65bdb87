#include "mission/combat/combat_random.h"

#include "mission/core/mission_services.h"

namespace hm {

int mission_combat_random::next() { return services_.random_next(); }

}  // namespace hm
