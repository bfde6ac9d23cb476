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

static void OldFile(const std::string &installDir, const char *name)
{
    bench::WriteFile(installDir + name, std::string("old:") + name);
}

void LayInstallation(const std::string &installDir, unsigned flags)
{
    bench::MakeDir(installDir);
    OldFile(installDir, "inst.ini");
    OldFile(installDir, "qzfchk.ini");
    OldFile(installDir, "セーブファイル設定.exe");
    if (!(flags & NO_UPDCHK)) {
        bench::MakeDir(installDir + "updchk");
        OldFile(installDir, "updchk\\bn.kpk");
    }
    if (!(flags & NO_PAC)) {
        bench::MakeDir(installDir + "pac");
        if (flags & BN_KPK_DIR) {
            bench::MakeDir(installDir + "pac\\bn.kpk");
        } else if (!(flags & NO_BN_KPK)) {
            OldFile(installDir, "pac\\bn.kpk");
        }
        if (flags & UPDATE1) {
            OldFile(installDir, "pac\\update1.kpk");
        } else if (flags & UPDATE1_DIR) {
            bench::MakeDir(installDir + "pac\\update1.kpk");
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
        std::string content = bench::ReadFile(installDir + name);
        states += content == std::string("new:") + name ? 'n' : content == std::string("old:") + name ? 'o' : '-';
    }
    return states;
}

} // namespace layout
