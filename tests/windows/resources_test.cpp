// The resources built into vexlorin.exe: one application manifest asking for version 6 of the
// common controls and for nothing else, and the version information.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/windows/win32_test_support.h"

namespace vex {
namespace {

const wchar_t* const ManifestType = MAKEINTRESOURCEW(24);  // RT_MANIFEST

TEST(ProgramResources, HoldOneManifestWithTheCommonControlsOnlyAndTheVersion) {
    const Text program = test::WindowsPathOf(VEXLORIN_PROGRAM);
    const auto* path = reinterpret_cast<const wchar_t*>(program.c_str());
    HMODULE module = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr) << VEXLORIN_PROGRAM;
    std::vector<ULONG_PTR> ids;
    EnumResourceNamesW(
        module, ManifestType,
        [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR list) -> BOOL {
            reinterpret_cast<std::vector<ULONG_PTR>*>(list)->push_back(
                reinterpret_cast<ULONG_PTR>(name));
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&ids));
    EXPECT_EQ(ids, std::vector<ULONG_PTR>{1});  // the id Windows reads when the process starts
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), ManifestType);
    ASSERT_NE(found, nullptr);
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(module, found))),
                               SizeofResource(module, found));
    FreeLibrary(module);
    // The dependency, exactly as Windows looks it up; nothing that asks Windows for more
    // (elevation, DPI awareness, a compatibility mode).
    EXPECT_NE(
        manifest.find("<assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls"
                      "\" version=\"6.0.0.0\" processorArchitecture=\"amd64\" publicKeyToken="
                      "\"6595b64144ccf1df\" language=\"*\"/>"),
        std::string::npos);
    for (const char* absent : {"trustInfo", "dpiAware", "compatibility"}) {
        EXPECT_EQ(manifest.find(absent), std::string::npos) << absent;
    }

    DWORD ignored = 0;
    std::vector<char> info(GetFileVersionInfoSizeW(path, &ignored));
    ASSERT_TRUE(GetFileVersionInfoW(path, 0, static_cast<DWORD>(info.size()), info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    wchar_t* product = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(5, 0));  // 0.5
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\StringFileInfo\\040904B0\\ProductName",
                               reinterpret_cast<void**>(&product), &length));
    EXPECT_STREQ(product, L"Vexlorin");
}

}  // namespace
}  // namespace vex
