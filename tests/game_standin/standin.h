// Starts the game stand-in for a test and waits until it holds what it was told.
#pragma once

#include <string>

#include "bench/bench.h"

namespace standin {

// What the stand-in holds under the name; any combination.
enum : unsigned {
    MUTEX = 1u << 0,        // a mutex of that name
    WINDOW_CLASS = 1u << 1, // a top-level window of that class
    WINDOW_TITLE = 1u << 2, // a top-level window of that title and another class
    EVENT = 1u << 3,        // an event of that name, so no mutex can take it
};

// The name the running game holds its mutex and window class under, worked out
// apart from the updater: the path of Calvento.exe in `installDir` (ending in a
// backslash), ASCII capitals lowered and every single-byte backslash turned
// into a colon; the second byte of a two-byte character is never touched.
std::string ProbeName(const std::string &installDir);

// A running stand-in; it is killed, and all it holds goes, with the object.
class GameStandIn {
public:
    // Starts the stand-in; true once it holds everything `what` asks for.
    bool Start(const std::string &name, unsigned what);

private:
    bench::Child child;
};

} // namespace standin
