// The test bench that plays the user: lays out fixtures in the Wine prefix,
// starts the real updater as a child process, reads and answers every box.
#pragma once

#include <string>
#include <vector>

#include "icon_hook/box_icon.h"
#include "platform/win32.h"

namespace bench {

// One message box as the user saw it. All texts are code page 932 bytes.
struct Box {
    std::string caption;
    std::string text;
    std::string buttons; // "OK" or "YES|NO": the visible buttons, in id order
    box_icon::Kind icon; // the standard icon beside the text, as the icon hook saw it
};

bool operator==(const Box &a, const Box &b);
// "information icon", "no icon" and so on, for messages a developer reads.
const char *IconName(box_icon::Kind icon);
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
    void Resume();
    // Takes over process `processId`, started elsewhere (by a Unix shell, say);
    // false when it cannot be opened.
    bool Attach(DWORD processId);
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

// Installs the icon hook for every process that shows a box from now on, by
// starting `hostProgram` (icon_hook_host.exe of the updater's bitness), which
// keeps it until this process ends. Empty when the hook is in place, else why not.
[[nodiscard]] std::string WatchBoxIcons(const std::string &hostProgram);
// The box's texts, buttons and the icon the hook recorded (UNSEEN without one).
Box ReadBox(HWND box);
// The process running the image `image` (a full path), or 0 while none does:
// for a program started by other means than the bench, a host shell say.
DWORD FindProcessOf(const std::string &image);
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

// The updater image under test, named by the environment variable UPDATER_EXE
// (a Windows path, or a Unix one that Wine reaches through Z:); the test
// program ends at once, saying so, when it names none.
std::string UpdaterPath();
// The same for the updater built with the failing-allocation seam:
// UPDATER_ALLOCFAIL_EXE.
std::string AllocFailUpdaterPath();
// The same for the updater whose loading of a Windows DLL fails on request:
// UPDATER_DLLFAIL_EXE.
std::string DllFailUpdaterPath();
// The icon hook's host of the same bitness as the image under test, which only
// a hook of that bitness can enter: UPDATER_ICON_HOOK_HOST.
std::string IconHookHostPath();
// The machine field of the Windows image `path` (IMAGE_FILE_MACHINE_I386,
// IMAGE_FILE_MACHINE_AMD64...); 0 when the file is none.
WORD ImageMachine(const std::string &path);
// A folder beside the test program, holding the test's helper programs.
std::string TestBinary(const char *name);

// Converts code page 932 bytes to UTF-8, for messages a developer reads.
std::string ToUtf8(const std::string &cp932);

// "CALL failed for PATH: error N" and a line feed, the path in UTF-8.
std::string Failed(const char *call, const std::string &path, DWORD error);

// Fixture steps. Each returns an empty text when it did what it says, else a
// line naming the call, the path and the Windows error; a test checks it, as in
// ASSERT_EQ(bench::WriteNewFile(path, "x"), ""). Paths are code page 932 text,
// absolute, of any length: the steps go through LongPath and the wide functions.

// A folder under the prefix's temp folder that Make creates anew, and that is
// removed with all it holds (read-only files included) when the object goes.
class Scratch {
public:
    Scratch();
    ~Scratch();
    Scratch(const Scratch &) = delete;
    Scratch &operator=(const Scratch &) = delete;
    // Removes what an earlier process of the same id left there, then creates it.
    [[nodiscard]] std::string Make();
    // The folder's path, ending in a backslash.
    const std::string &Path() const { return root; }

private:
    std::string root;
};

// Creates one folder, which must not exist yet; its parent must.
[[nodiscard]] std::string CreateFolder(const std::string &path);
// Creates every folder of `path` that does not exist yet.
[[nodiscard]] std::string CreateFolderAndParents(const std::string &path);
// Creates a file, which must not exist yet, holding exactly `content`.
[[nodiscard]] std::string WriteNewFile(const std::string &path, const std::string &content);
[[nodiscard]] std::string SetAttributes(const std::string &path, DWORD attributes);
// Removes a folder and all it holds; a path that does not exist is no failure.
[[nodiscard]] std::string RemoveTree(const std::string &path);

// An absolute path as the wide functions take it past MAX_PATH: "\\?\" and
// the path in UTF-16, with no separator doubled or relative part in it.
std::wstring LongPath(const std::string &path);
// The file's bytes, or "<none>" when it cannot be read (absent, or a folder).
std::string ReadWholeFile(const std::string &path);
bool PathExists(const std::string &path);
bool IsFolder(const std::string &path);

// Where the host finds `path` ("/root/.wine/drive_c/..."), in UTF-16, or ""
// when Wine cannot tell.
std::wstring UnixPath(const std::string &path);
// One argument of a command line, quoted so that Windows' splitting of the
// line gives it back whole: in quotes, every quote escaped, and so every
// backslash that comes before a quote.
std::wstring Quoted(const std::wstring &argument);
// Starts the host program that `commandLine` names by its path on drive Z:, no
// shell between, with `workDir` (or the bench's own folder, when empty) as its
// current directory; Wine splits the line as Windows does. Wine gives no
// handle to wait on for a host process: the caller watches for its effect.
bool StartUnix(std::wstring commandLine, const std::string &workDir = "");

// A Unix symbolic link, made and removed through the host's own ln and rm:
// Wine 8 makes none through CreateSymbolicLinkA (it reports success and makes
// nothing) nor FSCTL_SET_REPARSE_POINT (not supported), and its DeleteFileW
// and RemoveDirectoryW of a link remove what the link leads to; but it runs a
// Unix program named by its path on drive Z: and shows what that program made.
class UnixLink {
public:
    UnixLink(const std::string &target, const std::string &link);
    ~UnixLink();
    UnixLink(const UnixLink &) = delete;
    UnixLink &operator=(const UnixLink &) = delete;
    bool made = false;

private:
    bool RunAndAwait(const std::wstring &commandLine, bool exists);
    std::string link;
};

// The updater's registry value: HKCU\Software\brenmoral\Calvento, "Dir".
[[nodiscard]] std::string SetInstallDir(const std::string &data, DWORD type = REG_SZ);
[[nodiscard]] std::string SetInstallDirBytes(const void *data, DWORD size, DWORD type);
// Removes the key; one that does not exist is no failure.
[[nodiscard]] std::string RemoveInstallKey();
// The key exists, but holds no value "Dir".
[[nodiscard]] std::string SetInstallKeyWithoutDir();

} // namespace bench
