#include "render/terrain/ground_paint.h"

namespace hm {

void ground_paint::clear() {
  for (ground_paint_layer& layer : layers) {
    layer.values.clear();
    layer.values.shrink_to_fit();
    layer.id = -1;
  }
  layer_count = 0;
}

}  // namespace hm
