// The bench's own Windows work: fixtures, the registry value, the child process
// and the boxes it shows.
#include "bench/bench.h"

#include <ostream>
#include <string.h>

namespace bench {

bool operator==(const Box &a, const Box &b)
{
    return a.caption == b.caption && a.text == b.text && a.buttons == b.buttons && a.icon == b.icon;
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
    *os << "\n  [" << ToUtf8(box.caption) << "] " << box.buttons << (box.icon ? " icon" : "") << "\n  "
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

std::string UpdaterPath()
{
    return ModuleDir() + "Updater.exe";
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

HWND FindBox(DWORD processId)
{
    BoxSearch search = {processId, NULL};
    EnumWindows(FindBoxOf, (LPARAM)&search);
    return search.found;
}

static BOOL CALLBACK FindIcon(HWND child, LPARAM param)
{
    char className[16];
    if (GetClassNameA(child, className, sizeof className) && _stricmp(className, "Static") == 0 &&
        (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child) &&
        SendMessageA(child, STM_GETICON, 0, 0) != 0) {
        *(bool *)param = true;
        return FALSE;
    }
    return TRUE;
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
    box.icon = false;
    EnumChildWindows(window, FindIcon, (LPARAM)&box.icon);
    return box;
}

Child::~Child()
{
    if (process.hProcess != NULL) {
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, 5000);
        CloseHandle(process.hThread);
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
    process.hProcess = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
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
    while (GetTickCount() - start <= timeoutMs) {
        HWND box = child.WaitBox(timeoutMs - (GetTickCount() - start));
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

Scratch::Scratch()
{
    static int counter;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    root = std::string(temp) + "calv" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter) + "\\";
    RemoveTree(root);
    MakeDir(root);
}

Scratch::~Scratch()
{
    RemoveTree(root);
}

void MakeDir(const std::string &path)
{
    CreateDirectoryA(path.c_str(), NULL);
}

static void WriteAll(HANDLE file, const std::string &content)
{
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    ::WriteFile(file, content.data(), (DWORD)content.size(), &written, NULL);
    CloseHandle(file);
}

static std::string ReadAll(HANDLE file)
{
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

static const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

void WriteFile(const std::string &path, const std::string &content)
{
    WriteAll(CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL), content);
}

std::wstring LongPath(const std::string &path)
{
    std::string full = "\\\\?\\" + path;
    int wide = MultiByteToWideChar(932, 0, full.c_str(), -1, NULL, 0);
    std::wstring name((size_t)wide, L'\0');
    MultiByteToWideChar(932, 0, full.c_str(), -1, &name[0], wide);
    name.resize((size_t)wide - 1);
    return name;
}

void WriteLongPathFile(const std::string &path, const std::string &content)
{
    WriteAll(CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL),
             content);
}

std::string ReadFile(const std::string &path)
{
    return ReadAll(CreateFileA(path.c_str(), GENERIC_READ, kShareAll, NULL, OPEN_EXISTING, 0, NULL));
}

std::string ReadLongPathFile(const std::string &path)
{
    return ReadAll(CreateFileW(LongPath(path).c_str(), GENERIC_READ, kShareAll, NULL, OPEN_EXISTING, 0, NULL));
}

bool Exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDir(const std::string &path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Works on wide "\\?\" paths: a folder of two-byte names may end in a 0x5C
// that is no separator, and a fixture may pass MAX_PATH.
static void RemoveTreeW(const std::wstring &folder)
{
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            std::wstring child = folder + L"\\" + name;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                RemoveDirectoryW(child.c_str());
                DeleteFileW(child.c_str());
            } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTreeW(child);
            } else {
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(folder.c_str());
}

void RemoveTree(const std::string &path)
{
    std::wstring folder = LongPath(path);
    if (folder.back() == L'\\') {
        folder.pop_back();
    }
    RemoveTreeW(folder);
}

static const char kInstallKey[] = "Software\\brenmoral\\Calvento";

void SetInstallDirBytes(const void *data, DWORD size, DWORD type)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kInstallKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) !=
        ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(key, "Dir", 0, type, (const BYTE *)data, size);
    RegCloseKey(key);
}

void SetInstallDir(const std::string &data, DWORD type)
{
    SetInstallDirBytes(data.c_str(), (DWORD)data.size() + 1, type);
}

void RemoveInstallKey()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, kInstallKey);
}

void SetInstallKeyWithoutDir()
{
    RemoveInstallKey();
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kInstallKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) ==
        ERROR_SUCCESS) {
        RegCloseKey(key);
    }
}

std::string UnixPath(const std::string &path)
{
    typedef char *(CDECL * UnixFileName)(const WCHAR *);
    UnixFileName toUnix = (UnixFileName)(void (*)(void))GetProcAddress(GetModuleHandleA("kernel32.dll"),
                                                                     "wine_get_unix_file_name");
    WCHAR wide[1024];
    if (toUnix == NULL || MultiByteToWideChar(932, 0, path.c_str(), -1, wide, 1024) == 0) {
        return "";
    }
    char *unix = toUnix(wide);
    if (unix == NULL) {
        return "";
    }
    std::string text = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return text;
}

bool StartUnix(const std::string &commandLine, const std::string &workDir)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string line = commandLine;
    if (!CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, workDir.empty() ? NULL : workDir.c_str(),
                        &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

UnixLink::UnixLink(const std::string &target, const std::string &link) : link(link)
{
    made = RunAndAwait("Z:\\bin\\ln -s " + UnixPath(target) + " " + UnixPath(link), true);
}

UnixLink::~UnixLink()
{
    RunAndAwait("Z:\\bin\\rm -f " + UnixPath(link), false);
}

bool UnixLink::RunAndAwait(const std::string &commandLine, bool exists)
{
    if (!StartUnix(commandLine)) {
        return false;
    }
    for (int i = 0; i < 500; ++i) {
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA(link.c_str(), &entry);
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
