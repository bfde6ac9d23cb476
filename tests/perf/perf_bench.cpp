// Measures the updater against the floor that Windows itself sets, side by side
// in one run: the purge and the sorted listing inside this process, the start-up
// to the first box as child processes. Prints each as a ratio with its medians.
#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "e2e/layout.h"
#include "game/purge.h"
#include "game/save_location.h"
#include "support/import_seam.h"
#include "util/file_lister.h"

// A link-time seam (see tests/perf/CMakeLists.txt): with --purge-as-windows,
// GetProcAddress finds no wine_get_version, so the purge takes the path it
// takes on Windows, without the final path of every file.
extern "C" {
extern FARPROC(WINAPI *realGetProcAddress)(HMODULE, LPCSTR) __asm__(IMPORT_SEAM(__real, GetProcAddress, 8));
}

namespace {

bool hideWine;

FARPROC WINAPI SeamGetProcAddress(HMODULE module, LPCSTR name)
{
    // A name below 0x10000 is an ordinal, not a text.
    if (hideWine && (ULONG_PTR)name > 0xFFFF && strcmp(name, "wine_get_version") == 0) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return NULL;
    }
    return realGetProcAddress(module, name);
}

} // namespace

extern "C" {
extern FARPROC(WINAPI *wrapGetProcAddress)(HMODULE, LPCSTR) __asm__(IMPORT_SEAM(__wrap, GetProcAddress, 8));
FARPROC(WINAPI *wrapGetProcAddress)(HMODULE, LPCSTR) = SeamGetProcAddress;
}

namespace {

// The purge takes 8192 files at the most, so no run asks for more.
const int kMaxFiles = 8192;

// Few purge rounds by default: under Wine each new file name makes it search
// the folder for the name in another case, so laying out 8192 files takes
// about 12 s, twice a round.
struct Options {
    int files = kMaxFiles;
    int purgeRounds = 5;
    int listRounds = 11;
    int startupRounds = 31;
};

double NowMs()
{
    static LARGE_INTEGER frequency;
    if (frequency.QuadPart == 0) {
        QueryPerformanceFrequency(&frequency);
    }
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Times of the updater and of its floor, one pair per round. The ratio is the
// median of the rounds' ratios: the two of a pair ran back to back, so a change
// in the machine's load between rounds cancels out.
struct Comparison {
    std::vector<double> updater;
    std::vector<double> floor;

    void Add(double updaterMs, double floorMs)
    {
        updater.push_back(updaterMs);
        floor.push_back(floorMs);
    }
    double Ratio() const
    {
        std::vector<double> ratios;
        for (size_t i = 0; i < updater.size(); ++i) {
            ratios.push_back(updater[i] / floor[i]);
        }
        return Median(ratios);
    }
    static void PrintTimes(const char *name, const std::vector<double> &times)
    {
        printf("  %-42s median %9.2f ms (min %.2f, max %.2f)\n", name, Median(times),
               *std::min_element(times.begin(), times.end()), *std::max_element(times.begin(), times.end()));
    }
    // A `target` of 0: a figure that explains another, with no target of its own.
    void Print(const char *title, const char *updaterName, const char *floorName, double target) const
    {
        double ratio = Ratio();
        printf("%s, %zu rounds\n", title, updater.size());
        PrintTimes(updaterName, updater);
        PrintTimes(floorName, floor);
        if (target > 0) {
            printf("  ratio %.3f (median of the rounds' ratios), target at most %.2f: %s\n\n", ratio, target,
                   ratio <= target ? "met" : "MISSED");
        } else {
            printf("  ratio %.3f (median of the rounds' ratios)\n\n", ratio);
        }
        fflush(stdout);
    }
};

// The saves' names; --capital-names writes them in capitals instead.
const char *saveNameFormat = "save%04d.sd";

// True when a fixture step did what it says; else prints why and gives false.
bool Step(const std::string &failure)
{
    fputs(failure.c_str(), stderr);
    return failure.empty();
}

std::string SaveName(const std::string &folder, int i)
{
    char name[32];
    snprintf(name, sizeof name, saveNameFormat, i);
    return folder + name;
}

// Files of a few bytes each, as the game's saves would be, only smaller.
bool MakeSaveFiles(const std::string &folder, int count)
{
    static const char content[64] = "an old save";
    for (int i = 0; i < count; ++i) {
        HANDLE file = CreateFileA(SaveName(folder, i).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, NULL);
        if (file == INVALID_HANDLE_VALUE) {
            fprintf(stderr, "CreateFileA failed for %s\n", SaveName(folder, i).c_str());
            return false;
        }
        DWORD written = 0;
        BOOL wrote = WriteFile(file, content, sizeof content, &written, NULL);
        CloseHandle(file);
        if (!wrote) {
            fprintf(stderr, "WriteFile failed for %s\n", SaveName(folder, i).c_str());
            return false;
        }
    }
    return true;
}

int CountFiles(const std::string &folder)
{
    int count = 0;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            ++count;
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return count;
}

// The floor of the purge: the least a program can do to delete every file of
// a folder, deleting each as the search finds it.
void BareDeleteLoop(const std::string &folder)
{
    char path[MAX_PATH];
    size_t length = folder.size();
    memcpy(path, folder.c_str(), length + 1);
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            size_t name = strlen(entry.cFileName);
            if (length + name < sizeof path) {
                memcpy(path + length, entry.cFileName, name + 1);
                DeleteFileA(path);
            }
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

// One timed deletion of `files` fresh files, by the updater's purge or by the
// bare loop; false when a file was left behind.
bool TimePurge(const std::string &folder, int files, bool updater, double *ms)
{
    if (!MakeSaveFiles(folder, files)) {
        return false;
    }
    double start = NowMs();
    if (updater) {
        // The result list is not released, as in the updater: about 2 MB a round.
        if (PurgeOldSaves() != 0) {
            fprintf(stderr, "PurgeOldSaves failed\n");
            return false;
        }
    } else {
        BareDeleteLoop(folder);
    }
    *ms = NowMs() - start;
    int left = CountFiles(folder);
    if (left != 0) {
        fprintf(stderr, "%s left %d of %d files\n", updater ? "PurgeOldSaves" : "the bare loop", left, files);
        return false;
    }
    return true;
}

// `folder` ends in a backslash and exists.
bool BenchPurge(const std::string &folder, const char *where, const Options &options)
{
    if (folder.size() >= sizeof saveFolder) {
        return false;
    }
    memcpy(saveFolder, folder.c_str(), folder.size() + 1);
    Comparison comparison;
    for (int round = 0; round < options.purgeRounds; ++round) {
        double updaterMs = 0;
        double floorMs = 0;
        // Alternated, so that neither always runs right after the other.
        bool updaterFirst = round % 2 == 0;
        if (!TimePurge(folder, options.files, updaterFirst, updaterFirst ? &updaterMs : &floorMs) ||
            !TimePurge(folder, options.files, !updaterFirst, updaterFirst ? &floorMs : &updaterMs)) {
            return false;
        }
        comparison.Add(updaterMs, floorMs);
    }
    char title[MAX_PATH + 96];
    snprintf(title, sizeof title, "Purge of %d \".sd\" files in %s (%s%s)", options.files, folder.c_str(), where,
             hideWine ? "; as on Windows, no final paths" : "");
    comparison.Print(title, "PurgeOldSaves (ListFiles, DeleteFileA)", "FindFirst/FindNext/DeleteFileA loop", 1.10);
    return true;
}

// One timed listing of the folder, sorted or not; false when it lists wrongly.
bool TimeListing(const std::string &folder, int files, bool sort, double *ms)
{
    FileListRequest request;
    memset(&request, 0, sizeof request);
    memcpy(request.folder, folder.c_str(), folder.size() + 1);
    memcpy(request.suffixes[0], ".sd", sizeof ".sd");
    request.suffixCount = 1;
    request.limit = kMaxFiles;
    request.sortResults = sort ? 1 : 0;
    double start = NowMs();
    signed char result = ListFiles(&request);
    *ms = NowMs() - start;
    if (result != 0) {
        fprintf(stderr, "ListFiles failed\n");
        return false;
    }
    bool listed = request.resultCount == files;
    for (int i = 1; sort && listed && i < request.resultCount; ++i) {
        listed = strcmp(request.results[i - 1], request.results[i]) < 0;
    }
    for (int i = 0; i < request.resultCount; ++i) {
        free(request.results[i]);
    }
    free(request.results);
    if (!listed) {
        fprintf(stderr, "ListFiles gave %d paths%s, expected %d\n", request.resultCount, sort ? " (sorted?)" : "",
                files);
    }
    return listed;
}

bool BenchSortedListing(const std::string &root, const Options &options)
{
    std::string folder = root + "names\\";
    if (!Step(bench::CreateFolder(folder)) || folder.size() >= sizeof(FileListRequest{}.folder) ||
        !MakeSaveFiles(folder, options.files)) {
        return false;
    }
    Comparison comparison;
    for (int round = 0; round < options.listRounds; ++round) {
        double sortedMs = 0;
        double unsortedMs = 0;
        bool sortedFirst = round % 2 == 0;
        if (!TimeListing(folder, options.files, sortedFirst, sortedFirst ? &sortedMs : &unsortedMs) ||
            !TimeListing(folder, options.files, !sortedFirst, sortedFirst ? &unsortedMs : &sortedMs)) {
            return false;
        }
        comparison.Add(sortedMs, unsortedMs);
    }
    char title[96];
    snprintf(title, sizeof title, "Sorted listing of %d names", options.files);
    comparison.Print(title, "ListFiles, sorted", "ListFiles, unsorted", 1.5);
    return true;
}

// The child's first visible box, looked for every millisecond (bench::Child
// waits 10 ms between looks and 20 more once it has found one: too coarse here).
HWND PollBox(DWORD processId, DWORD timeoutMs)
{
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    DWORD start = GetTickCount();
    HWND found = NULL;
    while (found == NULL && GetTickCount() - start <= timeoutMs) {
        found = bench::FindBox(processId);
        if (found == NULL && process != NULL && WaitForSingleObject(process, 1) == WAIT_OBJECT_0) {
            break;
        }
    }
    if (process != NULL) {
        CloseHandle(process);
    }
    return found;
}

// From CreateProcess to the child's first visible box. The box is answered
// No, so that the updater cancels, copies nothing and ends after one more box.
bool TimeFirstBox(const std::string &exe, const std::string &workDir, double *ms)
{
    bench::Child child;
    double start = NowMs();
    if (!child.Start(exe, workDir)) {
        fprintf(stderr, "CreateProcess failed for %s\n", exe.c_str());
        return false;
    }
    HWND box = PollBox(child.Id(), 15000);
    *ms = NowMs() - start;
    if (box == NULL) {
        fprintf(stderr, "%s showed no box\n", exe.c_str());
        return false;
    }
    child.Answer(box, IDNO);
    while ((box = child.WaitBox(15000)) != NULL) {
        child.Answer(box, IDOK);
    }
    DWORD exitCode = 0;
    if (!child.Wait(15000, &exitCode)) {
        fprintf(stderr, "%s did not end\n", exe.c_str());
        return false;
    }
    return true;
}

bool BenchStartup(const std::string &root, const Options &options)
{
    // A complete installation from before the first update and a complete
    // package: the first box is the first confirmation, after every check.
    std::string installDir = root + "Calvento\\";
    std::string packageDir = root + "package\\";
    if (!Step(layout::LayInstallation(installDir, 0) + layout::LayPackage(packageDir) +
              bench::SetInstallDir(installDir))) {
        return false;
    }
    // The updater, the floor, and the floor after the two special-folder
    // lookups that the updater must make before its first box.
    const std::string programs[3] = {bench::UpdaterPath(), bench::TestBinary("box_only.exe"),
                                     bench::TestBinary("box_after_folders.exe")};

    Comparison againstBox;
    Comparison againstFolders;
    bool measured = true;
    for (int round = 0; measured && round < options.startupRounds; ++round) {
        double ms[3] = {0, 0, 0};
        // Each program goes first in turn.
        for (int i = 0; measured && i < 3; ++i) {
            int program = (round + i) % 3;
            measured = TimeFirstBox(programs[program], packageDir, &ms[program]);
        }
        againstBox.Add(ms[0], ms[1]);
        againstFolders.Add(ms[0], ms[2]);
    }
    measured = Step(bench::RemoveInstallKey()) && measured;
    if (measured) {
        againstBox.Print("Start-up to the first box", "Updater.exe (first confirmation)", "box_only.exe (the same box)",
                         1.05);
        againstFolders.Print("Start-up to the first box, less the shell's work",
                             "Updater.exe (first confirmation)",
                             "box_after_folders.exe (+ shell32 lookups)", 0);
    }
    return measured;
}

bool ParseCount(const char *text, int low, int high, int *value)
{
    char *end = NULL;
    long parsed = strtol(text, &end, 10);
    if (end == text || *end != '\0' || parsed < low || parsed > high) {
        return false;
    }
    *value = (int)parsed;
    return true;
}

int Usage()
{
    fprintf(stderr,
            "usage: perf_bench [--quick] [--files N] [--purge-rounds N] [--list-rounds N] [--startup-rounds N]\n"
            "                  [--capital-names] [--purge-as-windows]\n"
            "  --files N: files in the purged and the listed folder, 1 to 8192 (8192)\n"
            "  --capital-names: the files are named SAVE0000.SD... rather than save0000.sd...\n"
            "  --purge-as-windows: the purge does not see Wine, so it resolves no file's final path\n"
            "  --purge-rounds N (5), --list-rounds N (11), --startup-rounds N (31)\n"
            "  --quick: 256 files and 3 rounds of each, to show that every measurement works\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        const char *value = i + 1 < argc ? argv[i + 1] : "";
        if (option == "--quick") {
            options.files = 256;
            options.purgeRounds = 3;
            options.listRounds = 3;
            options.startupRounds = 3;
            continue;
        }
        if (option == "--capital-names") {
            saveNameFormat = "SAVE%04d.SD";
            continue;
        }
        if (option == "--purge-as-windows") {
            hideWine = true;
            continue;
        }
        int *count = option == "--files"            ? &options.files
                     : option == "--purge-rounds"   ? &options.purgeRounds
                     : option == "--list-rounds"    ? &options.listRounds
                     : option == "--startup-rounds" ? &options.startupRounds
                                                    : NULL;
        if (count == NULL || !ParseCount(value, 1, count == &options.files ? kMaxFiles : 1000, count)) {
            return Usage();
        }
        ++i;
    }

    bench::Scratch scratch;
    std::string saves = scratch.Path() + "save\\";
    if (!Step(scratch.Make()) || !Step(bench::CreateFolder(saves))) {
        return 1;
    }
    bool measured = BenchPurge(saves, "capitals in the folder's path, which Wine looks up anew each time", options);
    // The purge hands Windows lowered paths. Windows matches them without cost,
    // but Wine must search each folder of the path whose name has a capital
    // for the entry it means: in a path without capitals it finds each at once.
    std::string lowerRoot = "c:\\calvbench" + std::to_string(GetCurrentProcessId()) + "\\";
    measured = Step(bench::CreateFolder(lowerRoot)) && Step(bench::CreateFolder(lowerRoot + "save\\")) &&
               BenchPurge(lowerRoot + "save\\", "no capitals in the folder's path", options) && measured;
    measured = Step(bench::RemoveTree(lowerRoot)) && measured;
    measured = BenchSortedListing(scratch.Path(), options) && measured;
    measured = BenchStartup(scratch.Path(), options) && measured;
    if (!measured) {
        fprintf(stderr, "perf_bench: a measurement could not be made\n");
        return 1;
    }
    return 0;
}
