// Installations and update packages as the end-to-end tests lay them out.
#pragma once

#include <map>
#include <string>
#include <vector>

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

// The layouts return, as the bench's fixture steps do, an empty text when all
// of it was laid out, else a line for each step that failed.

// Lays out an installation in `installDir` (ending in a backslash, of any
// length); each file that exists holds "old:" and its name.
[[nodiscard]] std::string LayInstallation(const std::string &installDir, unsigned flags);
// Lays out a complete package in `packageDir`, each file holding "new:" and its
// name; `omit` names a path of kPackagePaths to leave out, with all it holds.
[[nodiscard]] std::string LayPackage(const std::string &packageDir, const char *omit = nullptr);
// One letter per destination: 'n' the package's file, 'o' the old file,
// '-' no readable file.
std::string DestinationStates(const std::string &installDir);

// Lays out files and folders that no run may touch, around the installation in
// `installDir` and its save folder "save\": beside and above both (`above` is
// the folder that holds the installation), in subfolders, and with names like
// theirs; beside "pac\bn.kpk" only where "pac" is a folder. `saveFolder`
// false leaves "save\" itself alone.
[[nodiscard]] std::string LaySentinels(const std::string &above, const std::string &installDir, bool saveFolder = true);

// Every folder and file under `root` (ending in a backslash) by its full path,
// with "<dir>" for a folder, "<link>" for a link to a folder, else the bytes.
// Paths of any length.
using Tree = std::map<std::string, std::string>;
Tree Snapshot(const std::string &root);

// How `after` differs from `before` beyond the six destinations under
// `installDir` and the files in `gone` (full paths), which must have gone: a
// line for each difference, empty when there is none.
std::string UnexpectedChanges(const Tree &before, const Tree &after, const std::string &installDir,
                              const std::vector<std::string> &gone = {});

} // namespace layout
