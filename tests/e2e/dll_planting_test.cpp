// DLLs beside the updater: players start it from where they unpacked it, often
// Downloads, where a web page may have left a DLL named like one of Windows'.
// Wine is told to prefer a native copy of the name, so that it looks beside
// the program first, as Windows does for a name that is not a KnownDLL; its
// loader trace then shows which files the updater's process loaded.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "bench/bench.h"
#include "e2e/expected_boxes.h"
#include "e2e/installed_game.h"
#include "e2e/layout.h"
#include "support/failing_dll_load.h"

// After the Windows headers that bench.h brings in: it needs their types.

using bench::Box;

namespace {

// Names Windows or its DLLs load that are not KnownDLLs.
const char *const kPlantedNames[] = {
    "version", "uxtheme", "dwmapi", "cryptbase", "profapi", "userenv", "propsys", "winmm", "wtsapi32",
    "dbghelp", "apphelp", "oleacc", "sspicli", "secur32", "netapi32", "mpr", "shfolder", "msimg32",
    "textshaping", "wldp", "ntmarta", "cscapi", "edputil", "iertutil", "urlmon", "wininet", "winhttp",
};

std::string Lower(std::string text)
{
    for (char &c : text) {
        c = (char)tolower((unsigned char)c);
    }
    return text;
}

// The full paths in the trace's "Loaded" lines, lowered, backslashes undoubled.
std::vector<std::string> LoadedModules(const std::string &trace)
{
    static const char kLoaded[] = "Loaded L\"";
    std::vector<std::string> modules;
    size_t line = 0;
    while (line < trace.size()) {
        size_t end = trace.find('\n', line);
        if (end == std::string::npos) {
            end = trace.size();
        }
        std::string text = trace.substr(line, end - line);
        size_t path = text.find(kLoaded);
        if (text.find(":trace:loaddll:") != std::string::npos && path != std::string::npos) {
            path += sizeof kLoaded - 1;
            std::string module;
            for (size_t i = path; i < text.size() && text[i] != '"'; ++i) {
                module += text[i];
                if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\\') {
                    ++i;
                }
            }
            modules.push_back(Lower(module));
        }
        line = end + 1;
    }
    return modules;
}

// One run of the updater in a package folder, under the loader trace.
struct TracedRun {
    bench::Transcript transcript;     // every box, answered Yes throughout
    bool ended = false;               // the shell saw the updater end
    int exitCode = -1;                // the exit code's low byte, as the shell saw it
    std::vector<std::string> loaded;  // every module the process loaded, lowered
    std::string trace;                // the whole output, for a failure message
};

// Starts `packageDir`\Updater.exe with the package folder as its current
// directory and `overrides` for Wine's DLL search, answers its boxes and
// collects the loader trace in `traceFile`. Wine writes the trace to the
// standard error it was started with, which no Windows handle reaches: a Unix
// shell starts Wine's loader on the updater instead, sending the trace and
// then the exit code to its standard output, the trace file.
TracedRun RunTraced(const std::string &traceFile, const std::string &packageDir, const std::string &overrides)
{
    TracedRun run;
    // Joins the desktop first: Wine closes a desktop about a second after its
    // last user leaves, and the updater, slower to start from a shell, could
    // join one that is closing and show no box.
    if (GetDesktopWindow() == NULL) {
        ADD_FAILURE() << "GetDesktopWindow failed";
        return run;
    }
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, NULL, TRUE};
    HANDLE output = CreateFileA(traceFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (output == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "CreateFileA failed for " << traceFile;
        return run;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = INVALID_HANDLE_VALUE;
    startup.hStdOutput = output;
    startup.hStdError = output;
    // Wine's loader by its Unix path, which Wine keeps in the environment of
    // its processes but not in that of the Unix ones it starts.
    char loader[MAX_PATH];
    DWORD loaderLength = GetEnvironmentVariableA("WINELOADER", loader, sizeof loader);
    if (loaderLength == 0 || loaderLength >= sizeof loader) {
        CloseHandle(output);
        ADD_FAILURE() << "WINELOADER is not set";
        return run;
    }
    // Set on the shell's command line: Wine drops its own variables from the
    // environment it hands a Unix program.
    std::string commandLine = "Z:\\bin\\sh -c \"WINEDEBUG=+loaddll WINEDLLOVERRIDES='mscoree,mshtml=;" + overrides +
                              "' \\\"" + loader + "\\\" Updater.exe 2>&1; echo updater exit code $?\"";
    PROCESS_INFORMATION shell = {};
    BOOL started = CreateProcessA(NULL, &commandLine[0], NULL, NULL, TRUE, 0, NULL, packageDir.c_str(), &startup,
                                  &shell);
    CloseHandle(output);
    if (!started) {
        ADD_FAILURE() << "CreateProcessA failed for the shell: " << GetLastError();
        return run;
    }
    // Wine gives no handle to wait on for a Unix process.
    if (shell.hThread != NULL) {
        CloseHandle(shell.hThread);
    }
    if (shell.hProcess != NULL) {
        CloseHandle(shell.hProcess);
    }

    // A box waits for its answer, so a process that ends before it is seen showed none.
    static const char kEnd[] = "updater exit code ";
    const std::string image = packageDir + "Updater.exe";
    bool answered = false;
    DWORD start = GetTickCount();
    while (GetTickCount() - start <= 60000) {
        run.trace = bench::ReadWholeFile(traceFile);
        size_t end = run.trace.find(kEnd);
        if (end != std::string::npos) {
            run.ended = true;
            run.exitCode = atoi(run.trace.c_str() + end + sizeof kEnd - 1);
            break;
        }
        DWORD processId = answered ? 0 : bench::FindProcessOf(image);
        if (processId != 0) {
            bench::Child child;
            if (child.Attach(processId)) {
                run.transcript = bench::AnswerUntilEnd(child, "YY");
                answered = true;
            }
        }
        Sleep(20);
    }
    run.loaded = LoadedModules(run.trace);
    return run;
}

// The trace's error lines: why a box could not be shown, say.
std::string Errors(const std::string &trace)
{
    std::string errors;
    size_t line = 0;
    while (line < trace.size()) {
        size_t end = trace.find('\n', line);
        end = end == std::string::npos ? trace.size() : end + 1;
        std::string text = trace.substr(line, end - line);
        if (text.find(":err:") != std::string::npos) {
            errors += text;
        }
        line = end;
    }
    return errors;
}

// The modules of `loaded` that lie in `folder` (lowered, ending in a backslash).
std::vector<std::string> LoadedFrom(const std::vector<std::string> &loaded, const std::string &folder)
{
    std::vector<std::string> found;
    for (const std::string &module : loaded) {
        if (module.compare(0, folder.size(), folder) == 0) {
            found.push_back(module);
        }
    }
    return found;
}

std::string ParamName(const testing::TestParamInfo<const char *> &info)
{
    return info.param;
}

class DllPlanting : public InstalledGame, public testing::WithParamInterface<const char *> {};

TEST_P(DllPlanting, IsNotLoadedAndTheRunIsUnchanged)
{
    const std::string name = GetParam();
    ASSERT_EQ(Lay(0), "");
    const std::string image = packageDir + "Updater.exe";
    const std::string planted = packageDir + name + ".dll";
    ASSERT_TRUE(CopyFileA(bench::UpdaterPath().c_str(), image.c_str(), TRUE)) << image;
    // A DLL built for another machine would be passed over: the row would prove nothing.
    const char *source = bench::ImageMachine(image) == IMAGE_FILE_MACHINE_I386 ? "planted32.dll" : "planted.dll";
    ASSERT_TRUE(CopyFileA(bench::TestBinary(source).c_str(), planted.c_str(), TRUE)) << planted;
    ASSERT_NE(bench::ImageMachine(image), 0);
    ASSERT_EQ(bench::ImageMachine(planted), bench::ImageMachine(image));

    TracedRun run = RunTraced(scratch.Path() + "trace.txt", packageDir, name + "=n,b");

    ASSERT_TRUE(run.ended) << run.trace;
    // The updater's own image, so that the trace is known to be of this run.
    EXPECT_EQ(LoadedFrom(run.loaded, Lower(packageDir)), std::vector<std::string>{Lower(image)});
    EXPECT_TRUE(run.transcript.finished);
    EXPECT_EQ(run.transcript.boxes, (std::vector<Box>{expected::kConfirmBase, expected::kConfirmStart,
                                                      expected::kSuccess}))
        << Errors(run.trace);
    EXPECT_EQ(run.transcript.exitCode, 0u);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(layout::DestinationStates(installDir), "nnnnnn");
}

INSTANTIATE_TEST_SUITE_P(Names, DllPlanting, testing::ValuesIn(kPlantedNames), ParamName);

// Without these DLLs no box can be shown: the run ends at once with 0, having
// touched nothing.
class SystemDllMissing : public InstalledGame, public testing::WithParamInterface<const char *> {
protected:
    void TearDown() override
    {
        SetEnvironmentVariableA(FAIL_DLL_VARIABLE, NULL);
        InstalledGame::TearDown();
    }
};

TEST_P(SystemDllMissing, EndsQuietlyAndTouchesNothing)
{
    ASSERT_EQ(Lay(0), "");
    const layout::Tree before = layout::Snapshot(installDir);
    ASSERT_TRUE(SetEnvironmentVariableA(FAIL_DLL_VARIABLE, (std::string(GetParam()) + ".dll").c_str()));

    bench::Transcript run = bench::RunAndAnswer(bench::DllFailUpdaterPath(), packageDir, "YY");

    EXPECT_TRUE(run.finished);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(layout::Snapshot(installDir), before);
}

INSTANTIATE_TEST_SUITE_P(Dlls, SystemDllMissing, testing::Values("advapi32", "shell32", "user32", "msimg32"),
                         ParamName);

} // namespace
