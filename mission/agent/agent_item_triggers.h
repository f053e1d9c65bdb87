#pragma once
// An item's own triggers run on the agent that holds it: module code reaches
// the item through the mission's event agent and slot.
namespace hm {

class mission;

// Runs an item kind's triggers of an event (-50 its mesh made on an agent,
// -51 a ranged release) with the agent and the equipment slot as the event's
// object: what the triggers add goes onto that item on the agent.
void run_agent_item_triggers(mission& m, int agent, int slot, int item_kind, int event_code);

}  // namespace hm
