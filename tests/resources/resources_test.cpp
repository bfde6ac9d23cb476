// Reads the updater's version block and icon group through Windows' own
// functions, the way the file's properties and the shell read them.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench.h"

namespace {

std::vector<BYTE> VersionBlock()
{
    const std::string path = bench::UpdaterPath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    const DWORD sizeError = GetLastError();
    if (size == 0) {
        ADD_FAILURE() << "GetFileVersionInfoSizeA failed: " << sizeError;
        return {};
    }
    std::vector<BYTE> block(size);
    const BOOL read = GetFileVersionInfoA(path.c_str(), 0, size, block.data());
    const DWORD readError = GetLastError();
    if (!read) {
        ADD_FAILURE() << "GetFileVersionInfoA failed: " << readError;
        return {};
    }
    return block;
}

TEST(VersionBlock, FixedPartAndTextsNameVersion0_475_0_0)
{
    std::vector<BYTE> block = VersionBlock();
    ASSERT_FALSE(block.empty());

    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void **>(&fixed), &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(475, 0)));
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, static_cast<DWORD>(MAKELONG(475, 0)));
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);

    const char *const keys[] = {"FileVersion", "ProductVersion"};
    for (const char *key : keys) {
        SCOPED_TRACE(key);
        const std::string query = std::string("\\StringFileInfo\\041104b0\\") + key;
        char *text = nullptr;
        ASSERT_TRUE(VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void **>(&text), &length));
        EXPECT_STREQ(text, "0, 475, 0, 0");
        // The text and the fixed part must name the same version.
        unsigned parts[4] = {};
        ASSERT_EQ(std::sscanf(text, "%u, %u, %u, %u", &parts[0], &parts[1], &parts[2], &parts[3]), 4);
        EXPECT_EQ(MAKELONG(parts[1], parts[0]), static_cast<LONG>(fixed->dwFileVersionMS));
        EXPECT_EQ(MAKELONG(parts[3], parts[2]), static_cast<LONG>(fixed->dwFileVersionLS));
    }

    WORD *translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void **>(&translation),
                               &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0411);
    EXPECT_EQ(translation[1], 1200);
}

// The updater loaded as data only: its resources can be read, nothing of it runs.
class IconGroup : public ::testing::Test {
protected:
    void SetUp() override
    {
        module = LoadLibraryExA(bench::UpdaterPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        DWORD error = GetLastError();
        ASSERT_NE(module, nullptr) << "LoadLibraryExA failed: " << error;
        HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(101), MAKEINTRESOURCEA(14)); // RT_GROUP_ICON
        error = GetLastError();
        ASSERT_NE(found, nullptr) << "FindResourceA failed: " << error;
        HGLOBAL loaded = LoadResource(module, found);
        error = GetLastError();
        ASSERT_NE(loaded, nullptr) << "LoadResource failed: " << error;
        directory = static_cast<BYTE *>(LockResource(loaded));
        ASSERT_NE(directory, nullptr);
    }
    void TearDown() override
    {
        if (module != nullptr) {
            FreeLibrary(module);
        }
    }

    HMODULE module = nullptr;
    BYTE *directory = nullptr; // inside the mapped module, valid until TearDown
};

struct IconSize {
    int pixels;
    int id;
};

TEST_F(IconGroup, EverySizeFindsItsOwnImage)
{
    const WORD count = *reinterpret_cast<const WORD *>(directory + 4);
    EXPECT_EQ(count, 4);

    const IconSize sizes[] = {{256, 1}, {48, 2}, {32, 3}, {16, 4}};
    for (const IconSize &size : sizes) {
        SCOPED_TRACE(size.pixels);
        const int id = LookupIconIdFromDirectoryEx(directory, TRUE, size.pixels, size.pixels, LR_DEFAULTCOLOR);
        ASSERT_EQ(id, size.id);

        // The chosen image really has the requested size, and Windows can make an icon of it.
        HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3)); // RT_ICON
        const DWORD findError = GetLastError();
        ASSERT_NE(found, nullptr) << "FindResourceA failed: " << findError;
        BYTE *image = static_cast<BYTE *>(LockResource(LoadResource(module, found)));
        ASSERT_NE(image, nullptr);
        const BITMAPINFOHEADER *header = reinterpret_cast<const BITMAPINFOHEADER *>(image);
        EXPECT_EQ(header->biWidth, size.pixels);
        EXPECT_EQ(header->biHeight, 2 * size.pixels);

        HICON icon = CreateIconFromResourceEx(image, SizeofResource(module, found), TRUE, 0x00030000, size.pixels,
                                              size.pixels, LR_DEFAULTCOLOR);
        const DWORD iconError = GetLastError();
        ASSERT_NE(icon, nullptr) << "CreateIconFromResourceEx failed: " << iconError;
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour = {};
        EXPECT_NE(GetObjectA(info.hbmColor, sizeof colour, &colour), 0);
        EXPECT_EQ(colour.bmWidth, size.pixels);
        EXPECT_EQ(colour.bmHeight, size.pixels);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

} // namespace
