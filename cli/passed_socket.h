#pragma once

#include <functional>

// What a server of the tool made of a listening socket the service manager
// passed (socket activation).
enum class EPassedSocket
{
    None,   // none was passed: the server opens its own port
    Served, // the server serves it
    Failed, // one was meant for the tool but cannot be served: it ends
};

// Hands a passed socket to serve, saying on standard error ("blipnote-cli
// COMMAND: ...") what was odd about it or why it cannot be served.
EPassedSocket ServePassedSocket(const char* pszCommand, const std::function<bool(int)>& serve);
