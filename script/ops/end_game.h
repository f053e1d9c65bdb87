#pragma once
// Ending the game from module code. The operation only records the request:
// destroying the game object frees the very trigger or menu block that asked
// for it, so the game ends once no block is running, when the frame (or a tool
// that runs blocks) calls carry_out_end_game_request.
namespace hm {

void request_end_game();
bool end_game_requested();
// When a request is pending: every window entry back to its start, the game
// destroyed, window 4 (the start window) set; the request is then cleared.
// Returns true when it ended the game.
bool carry_out_end_game_request();

}  // namespace hm
