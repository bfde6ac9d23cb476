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

using bench::CreateFolder;
using bench::LongPath;
using bench::WriteNewFile;

static std::string OldFile(const std::string &installDir, const char *name)
{
    return WriteNewFile(installDir + name, std::string("old:") + name);
}

std::string LayInstallation(const std::string &installDir, unsigned flags)
{
    std::string failures = CreateFolder(installDir);
    failures += OldFile(installDir, "inst.ini");
    failures += OldFile(installDir, "qzfchk.ini");
    failures += OldFile(installDir, "セーブファイル設定.exe");
    if (!(flags & NO_UPDCHK)) {
        failures += CreateFolder(installDir + "updchk");
        failures += OldFile(installDir, "updchk\\bn.kpk");
    }
    if (!(flags & NO_PAC)) {
        failures += CreateFolder(installDir + "pac");
        if (flags & BN_KPK_DIR) {
            failures += CreateFolder(installDir + "pac\\bn.kpk");
        } else if (!(flags & NO_BN_KPK)) {
            failures += OldFile(installDir, "pac\\bn.kpk");
        }
        if (flags & UPDATE1) {
            failures += OldFile(installDir, "pac\\update1.kpk");
        } else if (flags & UPDATE1_DIR) {
            failures += CreateFolder(installDir + "pac\\update1.kpk");
        }
        if (flags & UPDATE2) {
            failures += OldFile(installDir, "pac\\update2.kpk");
        } else if (flags & UPDATE2_DIR) {
            failures += CreateFolder(installDir + "pac\\update2.kpk");
        }
    }
    if (flags & (READONLY_INST | READONLY_TOP)) {
        failures += bench::SetAttributes(installDir + "inst.ini", FILE_ATTRIBUTE_READONLY);
    }
    if (flags & READONLY_TOP) {
        failures += bench::SetAttributes(installDir + "qzfchk.ini", FILE_ATTRIBUTE_READONLY);
        failures += bench::SetAttributes(installDir + "セーブファイル設定.exe", FILE_ATTRIBUTE_READONLY);
    }
    return failures;
}

std::string LayPackage(const std::string &packageDir, const char *omit)
{
    std::string failures = CreateFolder(packageDir);
    for (const char *path : kPackagePaths) {
        // A folder left out takes what it would hold with it.
        std::string name = path;
        if (omit != nullptr && (name == omit || name.rfind(std::string(omit) + "\\", 0) == 0)) {
            continue;
        }
        std::string full = packageDir + path;
        if (name == "data") {
            failures += CreateFolder(full);
            failures += CreateFolder(full + "\\updchk");
            failures += CreateFolder(full + "\\pac");
        } else {
            failures += WriteNewFile(full, std::string("new:") + (path + 5));
        }
    }
    return failures;
}

std::string DestinationStates(const std::string &installDir)
{
    std::string states;
    for (const char *name : kDestinations) {
        std::string content = bench::ReadWholeFile(installDir + name);
        states += content == std::string("new:") + name ? 'n' : content == std::string("old:") + name ? 'o' : '-';
    }
    return states;
}

std::string LaySentinels(const std::string &above, const std::string &installDir, bool saveFolder)
{
    std::string failures = WriteNewFile(above + "y.sd", "sentinel");
    failures += CreateFolder(above + "game_old");
    failures += WriteNewFile(above + "game_old\\inst.ini", "sentinel");
    failures += WriteNewFile(installDir + "x.sd", "sentinel");
    failures += WriteNewFile(installDir + "save.sd", "sentinel");
    failures += WriteNewFile(installDir + "inst.ini.bak", "sentinel");
    if (bench::IsFolder(installDir + "pac")) {
        failures += WriteNewFile(installDir + "pac\\bn.kpk.sd", "sentinel");
    }
    failures += CreateFolder(installDir + "save2");
    failures += WriteNewFile(installDir + "save2\\a.sd", "sentinel");
    if (saveFolder) {
        failures += CreateFolder(installDir + "save");
        failures += WriteNewFile(installDir + "save\\c.sdx", "sentinel");
        failures += WriteNewFile(installDir + "save\\d.sd.bak", "sentinel");
        failures += CreateFolder(installDir + "save\\sub");
        failures += WriteNewFile(installDir + "save\\sub\\b.sd", "sentinel");
        failures += CreateFolder(installDir + "save\\e.sd");
        failures += WriteNewFile(installDir + "save\\e.sd\\f.sd", "sentinel");
    }
    return failures;
}

static std::string Narrow(const wchar_t *wide)
{
    int size = WideCharToMultiByte(932, 0, wide, -1, NULL, 0, NULL, NULL);
    std::string text((size_t)size, '\0');
    WideCharToMultiByte(932, 0, wide, -1, &text[0], size, NULL, NULL);
    text.resize((size_t)size - 1);
    return text;
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
            tree[path] = bench::ReadWholeFile(path);
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
