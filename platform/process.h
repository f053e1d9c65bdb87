#pragma once
// Starting programs of the host: the user's web browser on a page.
#include <string>

namespace hm::platform {

// Opens the address in the user's browser ("xdg-open") without waiting for
// it. False when the address is not a plain http(s) address or no program
// could be started.
bool open_web_page(const std::string& address);

}  // namespace hm::platform
