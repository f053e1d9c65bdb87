#pragma once
// Names of the troop groups that hear an order, in the current language:
// "infantry and cavalry", "everyone" and the like.
#include <string>

namespace hm {

struct team;

// The name of group 0 (infantry), 1 (archers) or 2 (cavalry); any other
// number names everyone.
void make_troop_class_list_text(int group, std::string& out);

// The team's selected groups joined in order: the last two by the language's
// "and" text, earlier ones by its comma text; all three selected is
// "everyone". With no group selected, `out` is left as it was.
void make_order_classes_text(const team& t, std::string& out);

}  // namespace hm
