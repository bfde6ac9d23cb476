// Lays out the installations and packages that the end-to-end tests update.
#include "e2e/layout.h"

#include "bench/bench.h"

namespace layout {

const char *const kDestinations[6] = {
    "inst.ini", "qzfchk.ini", "セーブファイル設定.exe", "updchk\\bn.kpk", "pac\\update1.kpk", "pac\\update2.kpk",
};

const char *const kPackagePaths[7] = {
    "data",
    "data\\inst.ini",
    "data\\qzfchk.ini",
    "data\\セーブファイル設定.exe",
    "data\\updchk\\bn.kpk",
    "data\\pac\\update1.kpk",
    "data\\pac\\update2.kpk",
};

// Paths of any length go through the wide functions and a "\\?\" path: the
// single-byte ones refuse a path longer than MAX_PATH allows.
using bench::LongPath;

static std::string Narrow(const wchar_t *wide)
{
    int size = WideCharToMultiByte(932, 0, wide, -1, NULL, 0, NULL, NULL);
    std::string text((size_t)size, '\0');
    WideCharToMultiByte(932, 0, wide, -1, &text[0], size, NULL, NULL);
    text.resize((size_t)size - 1);
    return text;
}

static void MakeDir(const std::string &path)
{
    CreateDirectoryW(LongPath(path).c_str(), NULL);
}

static void WriteFile(const std::string &path, const std::string &content)
{
    bench::WriteLongPathFile(path, content);
}

static std::string ReadFile(const std::string &path)
{
    return bench::ReadLongPathFile(path);
}

static void OldFile(const std::string &installDir, const char *name)
{
    WriteFile(installDir + name, std::string("old:") + name);
}

void LayInstallation(const std::string &installDir, unsigned flags)
{
    MakeDir(installDir);
    OldFile(installDir, "inst.ini");
    OldFile(installDir, "qzfchk.ini");
    OldFile(installDir, "セーブファイル設定.exe");
    if (!(flags & NO_UPDCHK)) {
        MakeDir(installDir + "updchk");
        OldFile(installDir, "updchk\\bn.kpk");
    }
    if (!(flags & NO_PAC)) {
        MakeDir(installDir + "pac");
        if (flags & BN_KPK_DIR) {
            MakeDir(installDir + "pac\\bn.kpk");
        } else if (!(flags & NO_BN_KPK)) {
            OldFile(installDir, "pac\\bn.kpk");
        }
        if (flags & UPDATE1) {
            OldFile(installDir, "pac\\update1.kpk");
        } else if (flags & UPDATE1_DIR) {
            MakeDir(installDir + "pac\\update1.kpk");
        }
        if (flags & UPDATE2) {
            OldFile(installDir, "pac\\update2.kpk");
        } else if (flags & UPDATE2_DIR) {
            bench::MakeDir(installDir + "pac\\update2.kpk");
        }
    }
    if (flags & (READONLY_INST | READONLY_TOP)) {
        SetFileAttributesA((installDir + "inst.ini").c_str(), FILE_ATTRIBUTE_READONLY);
    }
    if (flags & READONLY_TOP) {
        SetFileAttributesA((installDir + "qzfchk.ini").c_str(), FILE_ATTRIBUTE_READONLY);
        SetFileAttributesA((installDir + "セーブファイル設定.exe").c_str(), FILE_ATTRIBUTE_READONLY);
    }
}

void LayPackage(const std::string &packageDir, const char *omit)
{
    bench::MakeDir(packageDir);
    for (const char *path : kPackagePaths) {
        if (omit != nullptr && std::string(omit) == path) {
            continue;
        }
        std::string full = packageDir + path;
        if (std::string(path) == "data") {
            bench::MakeDir(full);
            bench::MakeDir(full + "\\updchk");
            bench::MakeDir(full + "\\pac");
        } else {
            bench::WriteFile(full, std::string("new:") + (path + 5));
        }
    }
}

std::string DestinationStates(const std::string &installDir)
{
    std::string states;
    for (const char *name : kDestinations) {
        std::string content = ReadFile(installDir + name);
        states += content == std::string("new:") + name ? 'n' : content == std::string("old:") + name ? 'o' : '-';
    }
    return states;
}

void LaySentinels(const std::string &above, const std::string &installDir, bool saveFolder)
{
    WriteFile(above + "y.sd", "sentinel");
    MakeDir(above + "game_old");
    WriteFile(above + "game_old\\inst.ini", "sentinel");
    WriteFile(installDir + "x.sd", "sentinel");
    WriteFile(installDir + "save.sd", "sentinel");
    WriteFile(installDir + "inst.ini.bak", "sentinel");
    WriteFile(installDir + "pac\\bn.kpk.sd", "sentinel");
    MakeDir(installDir + "save2");
    WriteFile(installDir + "save2\\a.sd", "sentinel");
    if (saveFolder) {
        MakeDir(installDir + "save");
        WriteFile(installDir + "save\\c.sdx", "sentinel");
        WriteFile(installDir + "save\\d.sd.bak", "sentinel");
        MakeDir(installDir + "save\\sub");
        WriteFile(installDir + "save\\sub\\b.sd", "sentinel");
        MakeDir(installDir + "save\\e.sd");
        WriteFile(installDir + "save\\e.sd\\f.sd", "sentinel");
    }
}

static void AddTree(const std::string &folder, Tree &tree)
{
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(LongPath(folder + "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        std::string name = Narrow(entry.cFileName);
        if (name == "." || name == "..") {
            continue;
        }
        std::string path = folder + name;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            // Never followed: what it leads to is walked where it lies, if at all.
            tree[path] = "<link>";
        } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            tree[path] = "<dir>";
            AddTree(path + "\\", tree);
        } else {
            tree[path] = ReadFile(path);
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
}

Tree Snapshot(const std::string &root)
{
    Tree tree;
    AddTree(root, tree);
    return tree;
}

std::string UnexpectedChanges(const Tree &before, const Tree &after, const std::string &installDir,
                              const std::vector<std::string> &gone)
{
    Tree expected = before;
    Tree seen = after;
    for (const char *name : kDestinations) {
        expected.erase(installDir + name);
        seen.erase(installDir + name);
    }
    std::string report;
    for (const std::string &path : gone) {
        if (expected.erase(path) == 0) {
            report += "not there before the run: " + path + "\n";
        }
        if (seen.erase(path) != 0) {
            report += "not deleted: " + path + "\n";
        }
    }
    for (const auto &[path, content] : expected) {
        auto found = seen.find(path);
        if (found == seen.end()) {
            report += "gone: " + path + "\n";
        } else if (found->second != content) {
            report += "changed: " + path + "\n";
        }
    }
    for (const auto &[path, content] : seen) {
        if (expected.find(path) == expected.end()) {
            report += "new: " + path + "\n";
        }
    }
    return report;
}

} // namespace layout
