// Starts game_standin.exe and waits on the event it sets once it is ready.
#include "game_standin/standin.h"

namespace standin {

bool GameStandIn::Start(const std::string &name, unsigned what)
{
    static int counter;
    std::string readyName =
        "calvento_standin_ready_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter);
    HANDLE ready = CreateEventA(NULL, TRUE, FALSE, readyName.c_str());
    if (ready == NULL) {
        return false;
    }
    std::string letters = "-";
    letters += (what & MUTEX) ? "m" : "";
    letters += (what & WINDOW_CLASS) ? "c" : "";
    letters += (what & WINDOW_TITLE) ? "t" : "";
    letters += (what & EVENT) ? "e" : "";
    bool started = child.Start(bench::TestBinary("game_standin.exe"), ".", readyName + " " + letters + " \"" + name + "\"") &&
                   WaitForSingleObject(ready, 10000) == WAIT_OBJECT_0;
    CloseHandle(ready);
    return started;
}

} // namespace standin
