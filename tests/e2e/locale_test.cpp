// The updater where Windows' code page is not 932: its code page 932 texts
// are read as another code page, so the Japanese file name in the package is
// not found. Wine fixes a process's code page from the host's locale when the
// host starts it; a Windows parent's environment block does not change it
// (measured: LC_ALL=C.UTF-8 there still gives 932). So each row starts the
// updater through the host's env and wine64, in the prefix and wineserver of
// the tests, and reads its boxes as the wide texts the user sees.
#include <gtest/gtest.h>

#include "bench/bench.h"
#include "e2e/expected_boxes.h"
#include "e2e/layout.h"

// After the Windows headers that the bench brings in, which it needs.

using namespace layout;
using namespace expected;
using bench::Box;

namespace {

// A box as the user sees it: the texts in UTF-16.
struct SeenBox {
    std::wstring caption;
    std::wstring text;
    std::string buttons;
    box_icon::Kind icon;
    bool operator==(const SeenBox &other) const
    {
        return caption == other.caption && text == other.text && buttons == other.buttons && icon == other.icon;
    }
};

std::string Utf8(const std::wstring &text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), NULL, 0, NULL, NULL);
    std::string out((size_t)size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &out[0], size, NULL, NULL);
    return out;
}

void PrintTo(const SeenBox &box, std::ostream *os)
{
    *os << "\n  [" << Utf8(box.caption) << "] " << box.buttons << ", " << bench::IconName(box.icon) << "\n  "
        << Utf8(box.text);
}

std::wstring Decode(const std::string &bytes, UINT codePage)
{
    int size = MultiByteToWideChar(codePage, 0, bytes.data(), (int)bytes.size(), NULL, 0);
    std::wstring out((size_t)size, L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), (int)bytes.size(), &out[0], size);
    return out;
}

// What a box of code page 932 bytes shows in a process whose code page is `codePage`.
SeenBox AsSeen(const Box &box, UINT codePage)
{
    return {Decode(box.caption, codePage), Decode(box.text, codePage), box.buttons, box.icon};
}

SeenBox ReadSeen(HWND window)
{
    Box box = bench::ReadBox(window);
    WCHAR buffer[4096];
    int length = GetWindowTextW(window, buffer, 4096);
    std::wstring caption(buffer, (size_t)(length > 0 ? length : 0));
    length = (int)GetDlgItemTextW(window, 0xFFFF, buffer, 4096);
    return {caption, std::wstring(buffer, (size_t)(length > 0 ? length : 0)), box.buttons, box.icon};
}

struct LocaleCase {
    const char *name;
    const char *locale;     // LC_ALL of the updater's process
    UINT codePage;          // the code page Wine gives it
    const char *answers;    // for the confirmations, in order
    std::vector<Box> boxes; // the texts as the updater holds them
    const char *after;      // DestinationStates after the run
};

void PrintTo(const LocaleCase &c, std::ostream *os)
{
    *os << c.name;
}

const LocaleCase kLocaleCases[] = {
    // The same start with the Japanese locale: the update runs as in every other table.
    {"Japanese", "ja_JP.UTF-8", 932, "YY", {kConfirmBase, kConfirmStart, kSuccess}, "nnnnnn"},
    // Wine's C locale is English, code page 1252: "data\セーブファイル設定.exe"
    // names another file, and the one box, garbled, says the package is broken.
    {"CLocaleSaysThePackageIsBroken", "C.UTF-8", 1252, "", {kPackageBroken}, "oooo--"},
};

class Locale : public testing::TestWithParam<LocaleCase> {};

TEST_P(Locale, DecidesWhatTheUpdaterFinds)
{
    const LocaleCase &c = GetParam();
    bench::Scratch scratch;
    std::string installDir = scratch.Path() + "game\\";
    std::string packageDir = scratch.Path() + "package\\";
    ASSERT_EQ(scratch.Make(), "");
    ASSERT_EQ(LayInstallation(installDir, 0), "");
    ASSERT_EQ(LayPackage(packageDir), "");
    // Where players start it: beside "data". Its path tells the process apart.
    std::string exe = packageDir + "Updater.exe";
    ASSERT_TRUE(CopyFileA(bench::UpdaterPath().c_str(), exe.c_str(), TRUE));
    ASSERT_EQ(bench::RemoveInstallKey(), "");
    ASSERT_EQ(bench::SetInstallDir(installDir), "");

    std::wstring unixExe = bench::UnixPath(exe);
    ASSERT_NE(unixExe, L"");
    std::wstring locale(c.locale, c.locale + strlen(c.locale));
    ASSERT_TRUE(bench::StartUnix(L"Z:\\usr\\bin\\env LC_ALL=" + locale + L" /usr/lib/wine/wine64 " + bench::Quoted(unixExe),
                                 packageDir));
    DWORD processId = 0;
    for (int i = 0; i < 1000 && processId == 0; ++i) {
        Sleep(10);
        processId = bench::FindProcessOf(exe);
    }
    ASSERT_NE(processId, 0u) << "the updater did not start";
    bench::Child child;
    ASSERT_TRUE(child.Attach(processId));

    std::vector<SeenBox> seen;
    size_t nextAnswer = 0;
    for (HWND box = child.WaitBox(30000); box != NULL; box = child.WaitBox(30000)) {
        seen.push_back(ReadSeen(box));
        WPARAM answer = IDOK;
        if (seen.back().buttons == "YES|NO") {
            answer = c.answers[nextAnswer] == 'Y' ? IDYES : IDNO;
            nextAnswer += c.answers[nextAnswer] != '\0';
        }
        child.Answer(box, answer);
    }
    DWORD exitCode = 1;
    bool finished = child.Wait(10000, &exitCode);
    EXPECT_EQ(bench::RemoveInstallKey(), "");

    ASSERT_TRUE(finished) << "the updater did not end";
    EXPECT_EQ(exitCode, 0u);
    std::vector<SeenBox> expected;
    for (const Box &box : c.boxes) {
        expected.push_back(AsSeen(box, c.codePage));
    }
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(DestinationStates(installDir), c.after);
}

INSTANTIATE_TEST_SUITE_P(Locales, Locale, testing::ValuesIn(kLocaleCases),
                         [](const testing::TestParamInfo<LocaleCase> &info) { return info.param.name; });

} // namespace
