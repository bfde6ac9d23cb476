// Starts game_standin.exe and waits on the event it sets once it is ready.
#include "game_standin/standin.h"

namespace standin {

std::string ProbeName(const std::string &installDir)
{
    std::string name = installDir + "Calvento.exe";
    for (size_t i = 0; i < name.size(); ++i) {
        unsigned char c = (unsigned char)name[i];
        if (IsDBCSLeadByteEx(932, c) && i + 1 < name.size()) {
            ++i;
        } else if (c >= 'A' && c <= 'Z') {
            name[i] = (char)(c + 32);
        } else if (c == '\\') {
            name[i] = ':';
        }
    }
    return name;
}

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
