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

class ProgramResources : public ::testing::Test {
  protected:
    void SetUp() override {
        program_ = test::WindowsPathOf(VEXLORIN_PROGRAM);
        module_ = LoadLibraryExW(Wide(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module_, nullptr) << VEXLORIN_PROGRAM;
    }
    void TearDown() override {
        if (module_ != nullptr) {
            FreeLibrary(module_);
        }
    }
    const wchar_t* Wide() const { return reinterpret_cast<const wchar_t*>(program_.c_str()); }

    Text program_;
    HMODULE module_ = nullptr;
};

std::vector<ULONG_PTR> ManifestIds(HMODULE module) {
    std::vector<ULONG_PTR> ids;
    EnumResourceNamesW(
        module, ManifestType,
        [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR list) -> BOOL {
            reinterpret_cast<std::vector<ULONG_PTR>*>(list)->push_back(
                reinterpret_cast<ULONG_PTR>(name));
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&ids));
    return ids;
}

std::string Manifest(HMODULE module) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), ManifestType);
    if (found == nullptr) {
        return std::string();
    }
    const auto* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
    return std::string(data, SizeofResource(module, found));
}

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

TEST_F(ProgramResources, HoldOneManifestWithTheCommonControlsOnly) {
    const std::vector<ULONG_PTR> ids = ManifestIds(module_);
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_EQ(ids[0], 1u);  // the id Windows reads when the process starts
    const std::string manifest = Manifest(module_);
    EXPECT_EQ(Count(manifest, "<dependency>"), 1u);
    EXPECT_EQ(Count(manifest, "<assemblyIdentity"), 1u);
    for (const char* attribute : {"name=\"Microsoft.Windows.Common-Controls\"",
                                  "version=\"6.0.0.0\"", "processorArchitecture=\"amd64\"",
                                  "publicKeyToken=\"6595b64144ccf1df\"", "language=\"*\""}) {
        EXPECT_EQ(Count(manifest, attribute), 1u) << attribute;
    }
    for (const char* absent :
         {"requestedExecutionLevel", "trustInfo", "dpiAware", "dpiAwareness", "compatibility"}) {
        EXPECT_EQ(Count(manifest, absent), 0u) << absent;
    }
}

TEST_F(ProgramResources, CarryTheProgramsVersion) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(Wide(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(Wide(), 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(5, 0));  // 0.5
    wchar_t* product = nullptr;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\StringFileInfo\\040904B0\\ProductName",
                               reinterpret_cast<void**>(&product), &length));
    EXPECT_STREQ(product, L"Vexlorin");
}

}  // namespace
}  // namespace vex
