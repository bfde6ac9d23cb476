// The demo's player: writes the registry value, starts Updater.exe from the
// package folder, prints each box, has the shell photograph it, then answers it.
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "bench/bench.h"
#include "game_standin/standin.h"

namespace {

struct Options {
    std::string updater; // Updater.exe inside the package folder
    std::string package; // the package folder, the updater's current directory
    std::string out;     // where the screenshots and index.md go
    std::string install; // the install folder without its trailing backslash; empty: no key
    std::string answers = "YY";
    bool game = false; // start the game stand-in first
};

const char kUsage[] = "usage: demo_player.exe --updater EXE --package DIR --out DIR\n"
                      "                       (--install DIR | --no-key) [--answers YN...] [--game]\n";

bool ParseOptions(int argc, char **argv, Options *options)
{
    bool noKey = false;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        if (name == "--no-key") {
            noKey = true;
            continue;
        }
        if (name == "--game") {
            options->game = true;
            continue;
        }
        if (i + 1 >= argc) {
            return false;
        }
        std::string value = argv[++i];
        if (name == "--updater") {
            options->updater = value;
        } else if (name == "--package") {
            options->package = value;
        } else if (name == "--out") {
            options->out = value;
        } else if (name == "--install") {
            options->install = value;
        } else if (name == "--answers") {
            options->answers = value;
        } else {
            return false;
        }
    }
    bool keyChoiceMade = noKey != !options->install.empty();
    bool gameNeedsInstall = !options->game || !options->install.empty();
    return !options->updater.empty() && !options->package.empty() && !options->out.empty() && keyChoiceMade &&
           gameNeedsInstall;
}

void Print(const std::string &utf8)
{
    fwrite(utf8.data(), 1, utf8.size(), stdout);
    fflush(stdout);
}

// The box's lines in UTF-8; "\r\n" and a lone "\n" both end a line.
std::string Lines(const std::string &cp932, const char *indent)
{
    std::string text = bench::ToUtf8(cp932);
    std::string out = indent;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        out += text[i];
        if (text[i] == '\n') {
            out += indent;
        }
    }
    return out + "\n";
}

std::string ButtonNames(const bench::Box &box)
{
    return box.buttons == "YES|NO" ? "Yes / No" : box.buttons == "OK" ? "OK" : box.buttons;
}

// Asks the shell for a screenshot of `area` and waits until it has taken it:
// the request file box-NN.shot ("WxH+X+Y") appears by rename, so the shell
// never reads half of it, and the shell removes it once box-NN.png is written.
bool TakeScreenshot(const Options &options, const std::string &stem, RECT area)
{
    std::string temp = options.out + "\\" + stem + ".tmp";
    std::string request = options.out + "\\" + stem + ".shot";
    char geometry[64];
    snprintf(geometry, sizeof geometry, "%ldx%ld+%ld+%ld", area.right - area.left, area.bottom - area.top, area.left,
             area.top);
    std::string failure = bench::WriteNewFile(temp, geometry);
    if (!failure.empty()) {
        Print(failure);
        return false;
    }
    if (!MoveFileExA(temp.c_str(), request.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return false;
    }
    DWORD start = GetTickCount();
    while (bench::PathExists(request) && GetTickCount() - start < 20000) {
        Sleep(20);
    }
    return !bench::PathExists(request) && bench::PathExists(options.out + "\\" + stem + ".png");
}

// The box's frame with a margin, kept on the screen.
RECT ShotArea(HWND box)
{
    RECT area;
    GetWindowRect(box, &area);
    const LONG margin = 12;
    area.left = area.left > margin ? area.left - margin : 0;
    area.top = area.top > margin ? area.top - margin : 0;
    LONG width = GetSystemMetrics(SM_CXSCREEN);
    LONG height = GetSystemMetrics(SM_CYSCREEN);
    area.right = area.right + margin < width ? area.right + margin : width;
    area.bottom = area.bottom + margin < height ? area.bottom + margin : height;
    return area;
}

void AppendIndex(const Options &options, int number, const std::string &stem, const bench::Box &box,
                 const char *answer, bool shot)
{
    FILE *index = fopen((options.out + "\\index.md").c_str(), "ab");
    if (index == NULL) {
        return;
    }
    std::string caption = bench::ToUtf8(box.caption);
    std::string entry = "## " + std::to_string(number) + ". " + caption + "\n\n";
    entry += shot ? "![Box " + std::to_string(number) + ": " + caption + "](" + stem + ".png)\n\n"
                  : "(no screenshot)\n\n";
    std::string icon = box.icon != box_icon::NONE ? std::string(", with the ") + bench::IconName(box.icon) : "";
    entry += "Buttons: " + ButtonNames(box) + icon +
             ". Answered: " + answer + ".\n\n```text\n" + Lines(box.text, "") + "```\n\n";
    fwrite(entry.data(), 1, entry.size(), index);
    fclose(index);
}

} // namespace

int main(int argc, char **argv)
{
    _setmode(_fileno(stdout), _O_BINARY);
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        fputs(kUsage, stderr);
        return 2;
    }

    // Which icon each box shows is seen from inside the updater, by a hook.
    std::string failure = bench::WatchBoxIcons(bench::IconHookHostPath());
    if (!failure.empty()) {
        Print("No icon hook, so no icons told: " + failure);
    }
    if (options.install.empty()) {
        failure = bench::RemoveInstallKey();
        if (!failure.empty()) {
            Print(failure);
            return 1;
        }
        Print("Registry: HKCU\\Software\\brenmoral\\Calvento removed.\n");
    } else {
        std::string installDir = options.install + "\\";
        failure = bench::SetInstallDir(installDir);
        if (!failure.empty()) {
            Print(failure);
            return 1;
        }
        Print("Registry: HKCU\\Software\\brenmoral\\Calvento \"Dir\" = " + bench::ToUtf8(installDir) + "\n");
    }

    standin::GameStandIn game;
    if (options.game) {
        std::string name = standin::ProbeName(options.install + "\\");
        if (!game.Start(name, standin::MUTEX | standin::WINDOW_CLASS)) {
            Print("The game stand-in did not start.\n");
            return 1;
        }
        Print("Game stand-in running: mutex and window class \"" + bench::ToUtf8(name) + "\".\n");
    }

    bench::Child updater;
    if (!updater.Start(options.updater, options.package)) {
        Print("CreateProcess failed for " + bench::ToUtf8(options.updater) + "\n");
        return 1;
    }
    Print("Started " + bench::ToUtf8(options.updater) + "\n\n");

    size_t nextAnswer = 0;
    int number = 0;
    HWND window;
    while ((window = updater.WaitBox(60000)) != NULL) {
        ++number;
        bench::Box box = bench::ReadBox(window);
        char stem[16];
        snprintf(stem, sizeof stem, "box-%02d", number);
        Print("Box " + std::to_string(number) + ": " + bench::ToUtf8(box.caption) + "    [" + ButtonNames(box) +
              (box.icon != box_icon::NONE ? std::string(", ") + bench::IconName(box.icon) : "") + "]\n" +
              Lines(box.text, "  | "));

        // Drawn active, as a player sees it: on a screen without a window
        // manager Wine leaves the caption of the foreground box inactive.
        SendMessageA(window, WM_NCACTIVATE, TRUE, 0);
        Sleep(300);
        bool shot = TakeScreenshot(options, stem, ShotArea(window));

        WPARAM id = IDOK;
        const char *answer = "OK";
        if (box.buttons.find("YES") != std::string::npos) {
            bool yes = nextAnswer < options.answers.size() && options.answers[nextAnswer] == 'Y';
            ++nextAnswer;
            id = yes ? IDYES : IDNO;
            answer = yes ? "Yes" : "No";
        }
        Print(std::string("  screenshot ") + (shot ? std::string(stem) + ".png" : "MISSING") + ", answered " +
              answer + "\n\n");
        AppendIndex(options, number, stem, box, answer, shot);
        updater.Answer(window, id);
    }

    DWORD exitCode = 0;
    if (!updater.Wait(30000, &exitCode)) {
        Print("Updater.exe did not end; stopped.\n");
        return 1;
    }
    Print("Updater.exe ended with exit code " + std::to_string(exitCode) + " after " + std::to_string(number) +
          " box" + (number == 1 ? "" : "es") + ".\n");
    return 0;
}
