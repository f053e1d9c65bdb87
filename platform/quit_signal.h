#pragma once
// A request to stop from outside the program (SIGTERM or SIGINT, as a
// terminal's Ctrl+C or a process manager sends it), turned into a flag the
// game's frame reads, so that a run without a window ends through its normal
// clean-up (options saved, the physics worker stopped, the mission freed)
// rather than being cut off where it stands.
namespace hm::platform {

// Installs the handlers; later signals only set the flag.
void install_quit_signal_handlers();
// Whether a quit signal arrived since the handlers were installed.
bool quit_signal_received();
// Clears the flag (tests).
void clear_quit_signal();

}  // namespace hm::platform
