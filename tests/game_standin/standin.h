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

// A running stand-in; it is killed, and all it holds goes, with the object.
class GameStandIn {
public:
    // Starts the stand-in; true once it holds everything `what` asks for.
    bool Start(const std::string &name, unsigned what);

private:
    bench::Child child;
};

} // namespace standin
