// The test bench that plays the user: lays out fixtures in the Wine prefix,
// starts the real updater as a child process, reads and answers every box.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

namespace bench {

// One message box as the user saw it. All texts are code page 932 bytes.
struct Box {
    std::string caption;
    std::string text;
    std::string buttons; // "OK" or "YES|NO": the visible buttons, in id order
    bool icon;           // an icon is shown beside the text
};

bool operator==(const Box &a, const Box &b);
void PrintTo(const Box &box, std::ostream *os);

struct Transcript {
    std::vector<Box> boxes;
    DWORD exitCode = 0;
    bool finished = false; // false: the updater was still running at the time-out
};

// One running child process whose boxes the bench reads and answers.
class Child {
public:
    Child() = default;
    ~Child();
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;
    // Starts `exe` with `workDir` as its current directory; `creationFlags`
    // CREATE_SUSPENDED keeps its first thread waiting for Resume.
    bool Start(const std::string &exe, const std::string &workDir, const std::string &arguments = "",
               DWORD creationFlags = 0);
    // Takes on the running process `processId` (started by other means) as
    // the child; false when it cannot be opened.
    bool Attach(DWORD processId);
    void Resume();
    // The next visible box of the child, or NULL when none came within `timeoutMs`
    // or the child ended first.
    HWND WaitBox(DWORD timeoutMs);
    // Answers `box` with the button `id` and waits until it has gone.
    void Answer(HWND box, WPARAM id);
    // Waits for the child to end; false at the time-out (the child is then killed).
    bool Wait(DWORD timeoutMs, DWORD *exitCode);
    DWORD Id() const { return process.dwProcessId; }

private:
    PROCESS_INFORMATION process = {};
};

Box ReadBox(HWND box);
// The visible box of process `processId`, or NULL when it shows none.
HWND FindBox(DWORD processId);

// Answers every box of a started `child` until it ends: each YES/NO box takes
// the next letter of `answers` ('Y' or 'N'; 'N' once they run out), every
// other box is answered OK.
Transcript AnswerUntilEnd(Child &child, const std::string &answers, DWORD timeoutMs = 30000);

// Starts `exe` with `workDir` as its current directory and answers its boxes
// as AnswerUntilEnd does.
Transcript RunAndAnswer(const std::string &exe, const std::string &workDir, const std::string &answers,
                        DWORD timeoutMs = 30000, const std::string &arguments = "");

// The x86_64 updater that the tests run: Updater.exe beside the test program.
std::string UpdaterPath();
// A folder beside the test program, holding the test's helper programs.
std::string TestBinary(const char *name);

// Converts code page 932 bytes to UTF-8, for messages a developer reads.
std::string ToUtf8(const std::string &cp932);

// A fresh folder under the prefix's temp folder, removed with all it holds
// (read-only files included) when the object goes.
class Scratch {
public:
    Scratch();
    ~Scratch();
    Scratch(const Scratch &) = delete;
    Scratch &operator=(const Scratch &) = delete;
    // The folder's path, ending in a backslash.
    const std::string &Path() const { return root; }

private:
    std::string root;
};

// File helpers; every path is code page 932 text.
void MakeDir(const std::string &path);
void WriteFile(const std::string &path, const std::string &content);
// An absolute path as the wide functions take it past MAX_PATH: "\\?\" and
// the path in UTF-16, with no separator doubled or relative part in it.
std::wstring LongPath(const std::string &path);
// WriteFile and ReadFile past MAX_PATH, through LongPath.
void WriteLongPathFile(const std::string &path, const std::string &content);
std::string ReadLongPathFile(const std::string &path);
// The file's bytes, or "<none>" when it cannot be read (absent, or a folder).
std::string ReadFile(const std::string &path);
bool Exists(const std::string &path);
bool IsDir(const std::string &path);
// Removes a folder and all it holds; `path` is absolute, of any length.
void RemoveTree(const std::string &path);

// Where the host finds `path` ("/root/.wine/drive_c/..."), or "" when Wine
// cannot tell.
std::string UnixPath(const std::string &path);
// Starts the host program that `commandLine` names by its path on drive Z:,
// with `workDir` (or the bench's own folder, when empty) as its current
// directory. Wine gives no handle to wait on for a host process: the caller
// watches for its effect.
bool StartUnix(const std::string &commandLine, const std::string &workDir = "");

// A Unix symbolic link, made and removed through the host's own ln and rm:
// Wine 8 makes none through CreateSymbolicLinkA (it reports success and makes
// nothing) nor FSCTL_SET_REPARSE_POINT (not supported), but it runs a Unix
// program named by its path on drive Z: and shows what that program made.
class UnixLink {
public:
    UnixLink(const std::string &target, const std::string &link);
    ~UnixLink();
    UnixLink(const UnixLink &) = delete;
    UnixLink &operator=(const UnixLink &) = delete;
    bool made = false;

private:
    bool RunAndAwait(const std::string &commandLine, bool exists);
    std::string link;
};

// The updater's registry value: HKCU\Software\brenmoral\Calvento, "Dir".
void SetInstallDir(const std::string &data, DWORD type = REG_SZ);
void SetInstallDirBytes(const void *data, DWORD size, DWORD type);
void RemoveInstallKey();
// The key exists, but holds no value "Dir".
void SetInstallKeyWithoutDir();

} // namespace bench
