#pragma once
// The sliders and drop-down lists of the option screens: each maker gives the
// widget its looks, size and text placement and adds it to the parent; the
// caller then sets the range, the items and the value.
#include "engine/core/ruv_string.h"

namespace hm {

class combobox;
class container;
class slider;

// A slider at (x, y), 0.25 s by 0.03 s, with "slider_hor" as its bar and
// "handle_hor" as its handle (both scaled by s when s is not 1); range 0..1.
slider* make_slider(container& parent, float x, float y, float s);

// A drop-down list placed 0.0176 right of x, with the "button_drop" looks at
// half height and its list's looks, sized by the module's "combobox_*" layout
// variables (a missing one reads 0), showing the name text until a value is set.
combobox* make_combobox(container& parent, const ruv_string& name, float x, float y);

}  // namespace hm
