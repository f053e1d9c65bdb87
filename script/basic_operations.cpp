// The families of operations that nearly every block uses: the comparisons and
// arithmetic, and the game-state conditions.
#include "script/interpreter.h"
#include "script/ops_registration.h"

namespace hm {

void register_basic_operations() {
  register_arithmetic_operations();
  register_condition_operations();
}

}  // namespace hm
