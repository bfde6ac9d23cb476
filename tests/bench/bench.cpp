// The bench's own Windows work: fixtures, the registry value, the child process
// and the boxes it shows.
#include "bench/bench.h"

#include <tlhelp32.h>

#include <ostream>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

namespace bench {

bool operator==(const Box &a, const Box &b)
{
    return a.caption == b.caption && a.text == b.text && a.buttons == b.buttons && a.icon == b.icon;
}

const char *IconName(box_icon::Kind icon)
{
    switch (icon) {
    case box_icon::UNSEEN:
        return "icon not seen (no icon hook in the box's process)";
    case box_icon::NONE:
        return "no icon";
    case box_icon::INFORMATION:
        return "information icon";
    case box_icon::QUESTION:
        return "question icon";
    case box_icon::WARNING:
        return "warning icon";
    case box_icon::ERROR_ICON:
        return "error icon";
    case box_icon::OTHER:
        break;
    }
    return "an icon of its own";
}

static void PrintBytes(const std::string &s, std::ostream *os)
{
    static const char hex[] = "0123456789ABCDEF";
    for (unsigned char c : s) {
        *os << hex[c >> 4] << hex[c & 15];
    }
}

void PrintTo(const Box &box, std::ostream *os)
{
    *os << "\n  [" << ToUtf8(box.caption) << "] " << box.buttons << ", " << IconName(box.icon) << "\n  "
        << ToUtf8(box.text) << "\n  caption bytes ";
    PrintBytes(box.caption, os);
    *os << "\n  text bytes ";
    PrintBytes(box.text, os);
}

std::string ToUtf8(const std::string &cp932)
{
    if (cp932.empty()) {
        return cp932;
    }
    int wide = MultiByteToWideChar(932, 0, cp932.data(), (int)cp932.size(), NULL, 0);
    std::wstring w((size_t)wide, L'\0');
    MultiByteToWideChar(932, 0, cp932.data(), (int)cp932.size(), &w[0], wide);
    int narrow = WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, NULL, 0, NULL, NULL);
    std::string out((size_t)narrow, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, &out[0], narrow, NULL, NULL);
    return out;
}

static std::string ModuleDir()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, sizeof path);
    std::string dir(path, length);
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

// A file named by the environment variable `name`, as a Windows path: a Unix
// path (from the test command) is reached through Wine's drive Z:, the root.
static std::string ImageFromEnvironment(const char *name)
{
    char value[MAX_PATH];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    if (length == 0 || length >= sizeof value) {
        fprintf(stderr, "%s does not name the program to run (scripts/test.sh sets it)\n", name);
        ExitProcess(3);
    }
    std::string path(value, length);
    if (path[0] == '/') {
        path = "Z:" + path;
        for (char &c : path) {
            if (c == '/') {
                c = '\\';
            }
        }
    }
    return path;
}

std::string UpdaterPath()
{
    return ImageFromEnvironment("UPDATER_EXE");
}

std::string AllocFailUpdaterPath()
{
    return ImageFromEnvironment("UPDATER_ALLOCFAIL_EXE");
}

std::string DllFailUpdaterPath()
{
    return ImageFromEnvironment("UPDATER_DLLFAIL_EXE");
}

std::string IconHookHostPath()
{
    return ImageFromEnvironment("UPDATER_ICON_HOOK_HOST");
}

WORD ImageMachine(const std::string &path)
{
    std::string bytes = ReadWholeFile(path);
    uint32_t offset = 0;
    if (bytes.size() < 0x40 || bytes.compare(0, 2, "MZ") != 0) {
        return 0;
    }
    memcpy(&offset, bytes.data() + 0x3C, sizeof offset);
    if ((size_t)offset + 6 > bytes.size() || bytes.compare(offset, 4, std::string("PE\0\0", 4)) != 0) {
        return 0;
    }
    WORD machine = 0;
    memcpy(&machine, bytes.data() + offset + 4, sizeof machine);
    return machine;
}

std::string TestBinary(const char *name)
{
    return ModuleDir() + name;
}

struct BoxSearch {
    DWORD processId;
    HWND found;
};

static BOOL CALLBACK FindBoxOf(HWND window, LPARAM param)
{
    BoxSearch *search = (BoxSearch *)param;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[16];
    if (owner == search->processId && IsWindowVisible(window) && GetClassNameA(window, className, sizeof className) &&
        strcmp(className, "#32770") == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

DWORD FindProcessOf(const std::string &image)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return 0;
    }
    DWORD found = 0;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more && found == 0; more = Process32Next(snapshot, &entry)) {
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (process == NULL) {
            continue;
        }
        char path[MAX_PATH];
        DWORD size = sizeof path;
        if (QueryFullProcessImageNameA(process, 0, path, &size) && _stricmp(path, image.c_str()) == 0) {
            found = entry.th32ProcessID;
        }
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    return found;
}

HWND FindBox(DWORD processId)
{
    BoxSearch search = {processId, NULL};
    EnumWindows(FindBoxOf, (LPARAM)&search);
    return search.found;
}

Box ReadBox(HWND window)
{
    Box box;
    char buffer[4096];
    int length = GetWindowTextA(window, buffer, sizeof buffer);
    box.caption.assign(buffer, (size_t)(length > 0 ? length : 0));
    length = (int)GetDlgItemTextA(window, 0xFFFF, buffer, sizeof buffer);
    box.text.assign(buffer, (size_t)(length > 0 ? length : 0));
    static const struct {
        int id;
        const char *name;
    } buttons[] = {{IDOK, "OK"}, {IDCANCEL, "CANCEL"}, {IDABORT, "ABORT"}, {IDRETRY, "RETRY"},
                   {IDIGNORE, "IGNORE"}, {IDYES, "YES"}, {IDNO, "NO"}};
    for (const auto &button : buttons) {
        HWND item = GetDlgItem(window, button.id);
        if (item != NULL && IsWindowVisible(item)) {
            if (!box.buttons.empty()) {
                box.buttons += "|";
            }
            box.buttons += button.name;
        }
    }
    box.icon = (box_icon::Kind)(INT_PTR)GetPropA(window, box_icon::kProperty);
    return box;
}

Child::~Child()
{
    if (process.hProcess != NULL) {
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, 5000);
        if (process.hThread != NULL) {
            CloseHandle(process.hThread);
        }
        CloseHandle(process.hProcess);
    }
}

bool Child::Start(const std::string &exe, const std::string &workDir, const std::string &arguments,
                  DWORD creationFlags)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
    return CreateProcessA(exe.c_str(), &commandLine[0], NULL, NULL, FALSE, creationFlags, NULL, workDir.c_str(),
                          &startup, &process) != 0;
}

bool Child::Attach(DWORD processId)
{
    process.hProcess = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
                                   processId);
    process.dwProcessId = processId;
    return process.hProcess != NULL;
}

void Child::Resume()
{
    ResumeThread(process.hThread);
}

HWND Child::WaitBox(DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start <= timeoutMs) {
        HWND box = FindBox(process.dwProcessId);
        if (box != NULL) {
            // Give the box a moment to finish laying out its controls.
            Sleep(20);
            return box;
        }
        if (WaitForSingleObject(process.hProcess, 10) == WAIT_OBJECT_0) {
            return NULL;
        }
    }
    return NULL;
}

void Child::Answer(HWND box, WPARAM id)
{
    PostMessageA(box, WM_COMMAND, id, 0);
    DWORD start = GetTickCount();
    while (IsWindow(box) && IsWindowVisible(box) && GetTickCount() - start <= 10000 &&
           WaitForSingleObject(process.hProcess, 10) == WAIT_TIMEOUT) {
    }
}

bool Child::Wait(DWORD timeoutMs, DWORD *exitCode)
{
    if (WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        return false;
    }
    GetExitCodeProcess(process.hProcess, exitCode);
    return true;
}

Transcript AnswerUntilEnd(Child &child, const std::string &answers, DWORD timeoutMs)
{
    Transcript transcript;
    size_t nextAnswer = 0;
    DWORD start = GetTickCount();
    for (DWORD elapsed = 0; elapsed <= timeoutMs; elapsed = GetTickCount() - start) {
        // One reading of the clock for the test and the wait: a second reading could
        // be past the deadline, and the unsigned difference would wrap to 49 days.
        HWND box = child.WaitBox(timeoutMs - elapsed);
        if (box == NULL) {
            break;
        }
        Box seen = ReadBox(box);
        transcript.boxes.push_back(seen);
        WPARAM answer = IDOK;
        if (seen.buttons.find("YES") != std::string::npos) {
            answer = nextAnswer < answers.size() && answers[nextAnswer] == 'Y' ? IDYES : IDNO;
            ++nextAnswer;
        }
        child.Answer(box, answer);
    }
    DWORD elapsed = GetTickCount() - start;
    transcript.finished = child.Wait(elapsed < timeoutMs ? timeoutMs - elapsed : 0, &transcript.exitCode);
    return transcript;
}

Transcript RunAndAnswer(const std::string &exe, const std::string &workDir, const std::string &answers,
                        DWORD timeoutMs, const std::string &arguments)
{
    Child child;
    if (!child.Start(exe, workDir, arguments)) {
        return Transcript();
    }
    return AnswerUntilEnd(child, answers, timeoutMs);
}

std::string WatchBoxIcons(const std::string &hostProgram)
{
    std::string readyName = "calvento_icon_hook_ready_" + std::to_string(GetCurrentProcessId());
    HANDLE ready = CreateEventA(NULL, TRUE, FALSE, readyName.c_str());
    if (ready == NULL) {
        return Failed("CreateEventA", readyName, GetLastError());
    }
    // Lives, with the hook, as long as this process.
    static Child host;
    std::string failure;
    if (!host.Start(hostProgram, ".", std::to_string(GetCurrentProcessId()) + " " + readyName)) {
        failure = Failed("CreateProcessA", hostProgram, GetLastError());
    }
    DWORD exitCode = 0;
    for (DWORD start = GetTickCount(); failure.empty() && WaitForSingleObject(ready, 20) != WAIT_OBJECT_0;) {
        if (host.Wait(0, &exitCode)) {
            failure = ToUtf8(hostProgram) + " ended with exit code " + std::to_string(exitCode) + "\n";
        } else if (GetTickCount() - start > 10000) {
            failure = ToUtf8(hostProgram) + " did not put the hook in place within 10 s\n";
        }
    }
    CloseHandle(ready);
    return failure;
}

std::string Failed(const char *call, const std::string &path, DWORD error)
{
    return std::string(call) + " failed for " + ToUtf8(path) + ": error " + std::to_string(error) + "\n";
}

Scratch::Scratch()
{
    static int counter;
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(sizeof temp, temp);
    root = std::string(temp, length < sizeof temp ? length : 0) + "calv" + std::to_string(GetCurrentProcessId()) + "_" +
           std::to_string(++counter) + "\\";
}

std::string Scratch::Make()
{
    if (root.find(':') == std::string::npos) {
        return "GetTempPathA failed: no temp folder for " + root + "\n";
    }
    std::string failure = RemoveTree(root);
    return failure.empty() ? CreateFolder(root) : failure;
}

Scratch::~Scratch()
{
    // What is left is reported by Make when a later process of the same id needs the name.
    (void)RemoveTree(root);
}

// Code page 932 text in UTF-16.
static std::wstring Wide(const std::string &text)
{
    int wide = MultiByteToWideChar(932, 0, text.c_str(), -1, NULL, 0);
    std::wstring converted((size_t)wide, L'\0');
    MultiByteToWideChar(932, 0, text.c_str(), -1, &converted[0], wide);
    converted.resize((size_t)wide - 1);
    return converted;
}

std::wstring LongPath(const std::string &path)
{
    return Wide("\\\\?\\" + path);
}

std::string CreateFolder(const std::string &path)
{
    if (!CreateDirectoryW(LongPath(path).c_str(), NULL)) {
        return Failed("CreateDirectoryW", path, GetLastError());
    }
    return "";
}

std::string CreateFolderAndParents(const std::string &path)
{
    // Each separator ends a folder on the way, and so does the end of the path;
    // the second byte of a two-byte character is no separator, even a 0x5C.
    for (size_t at = 0; at <= path.size(); ++at) {
        if (at < path.size() && IsDBCSLeadByteEx(932, (BYTE)path[at])) {
            ++at;
        } else if ((at == path.size() || path[at] == '\\') && at > 0 && path[at - 1] != ':') {
            std::string folder = path.substr(0, at);
            if (!IsFolder(folder)) {
                std::string failure = CreateFolder(folder);
                if (!failure.empty()) {
                    return failure;
                }
            }
        }
    }
    return "";
}

std::string WriteNewFile(const std::string &path, const std::string &content)
{
    HANDLE file = CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        return Failed("CreateFileW", path, GetLastError());
    }
    DWORD written = 0;
    BOOL wrote = ::WriteFile(file, content.data(), (DWORD)content.size(), &written, NULL);
    DWORD error = GetLastError();
    CloseHandle(file);
    if (!wrote) {
        return Failed("WriteFile", path, error);
    }
    if (written != content.size()) {
        return "WriteFile wrote " + std::to_string(written) + " of " + std::to_string(content.size()) +
               " bytes to " + ToUtf8(path) + "\n";
    }
    return "";
}

std::string SetAttributes(const std::string &path, DWORD attributes)
{
    if (!SetFileAttributesW(LongPath(path).c_str(), attributes)) {
        return Failed("SetFileAttributesW", path, GetLastError());
    }
    return "";
}

static const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::string ReadWholeFile(const std::string &path)
{
    HANDLE file = CreateFileW(LongPath(path).c_str(), GENERIC_READ, kShareAll, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        return "<none>";
    }
    std::string content;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &got, NULL) && got > 0) {
        content.append(buffer, got);
    }
    CloseHandle(file);
    return content;
}

bool PathExists(const std::string &path)
{
    return GetFileAttributesW(LongPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::string &path)
{
    DWORD attributes = GetFileAttributesW(LongPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

static std::string Narrow(const std::wstring &wide)
{
    int size = WideCharToMultiByte(932, 0, wide.c_str(), -1, NULL, 0, NULL, NULL);
    std::string text((size_t)size, '\0');
    WideCharToMultiByte(932, 0, wide.c_str(), -1, &text[0], size, NULL, NULL);
    text.resize((size_t)size - 1);
    return text;
}

static std::string FailedW(const char *call, const std::wstring &path, DWORD error)
{
    return Failed(call, Narrow(path.substr(4)), error);
}

// Works on wide "\\?\" paths: a folder of two-byte names may end in a 0x5C
// that is no separator, and a fixture may pass MAX_PATH.
static std::string RemoveTreeW(const std::wstring &folder)
{
    std::string failures;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        bool absent = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return absent ? "" : FailedW("FindFirstFileW", folder, error);
    }
    do {
        std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        std::wstring child = folder + L"\\" + name;
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            // Never entered. Wine 8 removes what a link leads to instead of the
            // link, so the tests remove their links through the host before this.
            if (!RemoveDirectoryW(child.c_str()) && !DeleteFileW(child.c_str())) {
                failures += FailedW("DeleteFileW", child, GetLastError());
            }
        } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            failures += RemoveTreeW(child);
        } else if (!DeleteFileW(child.c_str())) {
            failures += FailedW("DeleteFileW", child, GetLastError());
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!RemoveDirectoryW(folder.c_str())) {
        failures += FailedW("RemoveDirectoryW", folder, GetLastError());
    }
    return failures;
}

std::string RemoveTree(const std::string &path)
{
    std::wstring folder = LongPath(path);
    if (folder.back() == L'\\') {
        folder.pop_back();
    }
    return RemoveTreeW(folder);
}

static const char kInstallKey[] = "Software\\brenmoral\\Calvento";

std::string SetInstallDirBytes(const void *data, DWORD size, DWORD type)
{
    HKEY key;
    LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, kInstallKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL);
    if (status != ERROR_SUCCESS) {
        return Failed("RegCreateKeyExA", std::string("HKCU\\") + kInstallKey, (DWORD)status);
    }
    status = RegSetValueExA(key, "Dir", 0, type, (const BYTE *)data, size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        return Failed("RegSetValueExA", std::string("HKCU\\") + kInstallKey + "\\Dir", (DWORD)status);
    }
    return "";
}

std::string SetInstallDir(const std::string &data, DWORD type)
{
    return SetInstallDirBytes(data.c_str(), (DWORD)data.size() + 1, type);
}

std::string RemoveInstallKey()
{
    LONG status = RegDeleteKeyA(HKEY_CURRENT_USER, kInstallKey);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
        return Failed("RegDeleteKeyA", std::string("HKCU\\") + kInstallKey, (DWORD)status);
    }
    return "";
}

std::string SetInstallKeyWithoutDir()
{
    std::string failure = RemoveInstallKey();
    if (!failure.empty()) {
        return failure;
    }
    HKEY key;
    LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, kInstallKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL);
    if (status != ERROR_SUCCESS) {
        return Failed("RegCreateKeyExA", std::string("HKCU\\") + kInstallKey, (DWORD)status);
    }
    RegCloseKey(key);
    return "";
}

std::wstring UnixPath(const std::string &path)
{
    typedef char *(CDECL * UnixFileName)(const WCHAR *);
    UnixFileName toUnix = (UnixFileName)(void (*)(void))GetProcAddress(GetModuleHandleA("kernel32.dll"),
                                                                     "wine_get_unix_file_name");
    WCHAR wide[1024];
    if (toUnix == NULL || MultiByteToWideChar(932, 0, path.c_str(), -1, wide, 1024) == 0) {
        return L"";
    }
    char *unix = toUnix(wide);
    if (unix == NULL) {
        return L"";
    }
    // The host's names are UTF-8; Wine hands them on to the Unix program as such.
    int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, unix, -1, wide, 1024);
    HeapFree(GetProcessHeap(), 0, unix);
    return length > 0 ? std::wstring(wide, (size_t)length - 1) : L"";
}

std::wstring Quoted(const std::wstring &argument)
{
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        quoted += c;
        backslashes = 0;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

bool StartUnix(std::wstring commandLine, const std::string &workDir)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::wstring folder = Wide(workDir);
    if (!CreateProcessW(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, folder.empty() ? NULL : folder.c_str(),
                        &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

UnixLink::UnixLink(const std::string &target, const std::string &link) : link(link)
{
    std::wstring from = UnixPath(target);
    std::wstring to = UnixPath(link);
    made = !from.empty() && !to.empty() && RunAndAwait(L"Z:\\bin\\ln -s -- " + Quoted(from) + L" " + Quoted(to), true);
}

UnixLink::~UnixLink()
{
    std::wstring to = UnixPath(link);
    if (!to.empty()) {
        RunAndAwait(L"Z:\\bin\\rm -- " + Quoted(to), false);
    }
}

// Wine gives no handle to wait on for a Unix process: watch for its effect.
bool UnixLink::RunAndAwait(const std::wstring &commandLine, bool exists)
{
    if (!StartUnix(commandLine)) {
        return false;
    }
    for (int i = 0; i < 500; ++i) {
        WIN32_FIND_DATAW entry;
        HANDLE search = FindFirstFileW(LongPath(link).c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            FindClose(search);
        }
        if ((search != INVALID_HANDLE_VALUE) == exists) {
            return true;
        }
        Sleep(10);
    }
    return false;
}

} // namespace bench
