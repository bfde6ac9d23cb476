// Installations and update packages as the end-to-end tests lay them out.
#pragma once

#include <string>

namespace layout {

// What an installation holds; the default is complete, before any update.
enum : unsigned {
    NO_PAC = 1u << 0,        // no folder "pac" (and so nothing in it)
    NO_BN_KPK = 1u << 1,     // no "pac\bn.kpk"
    BN_KPK_DIR = 1u << 2,    // "pac\bn.kpk" is a folder
    UPDATE1 = 1u << 3,       // "pac\update1.kpk" is a file
    UPDATE1_DIR = 1u << 4,   // "pac\update1.kpk" is a folder
    UPDATE2 = 1u << 5,       // "pac\update2.kpk" is a file
    NO_UPDCHK = 1u << 6,     // no folder "updchk"
    READONLY_INST = 1u << 7, // "inst.ini" carries the read-only attribute
    UPDATE2_DIR = 1u << 8,   // "pac\update2.kpk" is a folder
    READONLY_TOP = 1u << 9,  // the three files at the top carry the read-only attribute
    // Every one of the six copies fails, in a base installation.
    ALL_COPIES_FAIL = UPDATE1_DIR | UPDATE2_DIR | NO_UPDCHK | READONLY_TOP,
};

// The six destinations under the install folder, in copy order.
extern const char *const kDestinations[6];
// The seven paths of a package, relative to its folder, in test order.
extern const char *const kPackagePaths[7];

// Lays out an installation in `installDir` (ending in a backslash); each file
// that exists holds "old:" and its name.
void LayInstallation(const std::string &installDir, unsigned flags);
// Lays out a complete package in `packageDir`, each file holding "new:" and its
// name; `omit` names a path of kPackagePaths to leave out.
void LayPackage(const std::string &packageDir, const char *omit = nullptr);
// One letter per destination: 'n' the package's file, 'o' the old file,
// '-' no readable file.
std::string DestinationStates(const std::string &installDir);

} // namespace layout
