// The line file against the real Win32 file calls: sharing, failures, replacing, file identity.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <iterator>
#include <memory>
#include <string>

#include "tests/test_support.h"
#include "text/file_system.h"
#include "text/line_file.h"
#include "text/windows/wide.h"

namespace vex {
namespace {

struct HandleCloser {
    void operator()(void* handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;  // null when the open failed

Handle OpenShared(const Text& path, DWORD access, DWORD share) {
    HANDLE handle = CreateFileW(Wide(path), access, share, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    return Handle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

FileHandle AsFile(const Handle& handle) {
    return static_cast<FileHandle>(reinterpret_cast<intptr_t>(handle.get()));
}

// "Plain words": the system's message without the line end and period Windows puts after it.
void ExpectPlainWords(const Text& message) {
    ASSERT_FALSE(message.empty());
    EXPECT_NE(message.back(), u'\n');
    EXPECT_NE(message.back(), u'.');
    EXPECT_EQ(message.find(u'\r'), Text::npos);
}

// Writes one line into a file created for `path`; whether it took the path's place.
bool WriteOver(const Text& path) {
    const LineFileId id = CreateLineFile(AutoId, path);
    WriteLine(id, u"new", AnsiFormat);
    return id != 0 && CloseLineFile(id);
}

class Win32FileTest : public ::testing::Test {
  protected:
    test::TempFolder folder;
    Text Path(const std::string& name) { return folder.TextPath(name); }
    void Write(const std::string& name, const std::string& bytes) {
        test::WriteBytes(folder.path() / name, bytes);
    }
    std::string Read(const std::string& name) { return test::ReadBytes(folder.path() / name); }
    std::ptrdiff_t Files() {
        return std::distance(std::filesystem::directory_iterator(folder.path()), {});
    }
};

// The line file shares an open file with nobody, and opens none that is open elsewhere.
TEST_F(Win32FileTest, SharesOpenFilesWithNobody) {
    Write("in.txt", "x\n");
    const LineFileId id = OpenLineFile(AutoId, Path("in.txt"));
    ASSERT_NE(id, 0);
    EXPECT_EQ(OpenLineFile(AutoId, Path("in.txt")), 0);
    ExpectPlainWords(LastLineFileError());
    EXPECT_FALSE(OpenShared(Path("in.txt"), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE));
    EXPECT_FALSE(WriteOver(Path("in.txt")));
    EXPECT_TRUE(CloseLineFile(id));
    EXPECT_EQ(Read("in.txt"), "x\n");

    const Handle held = OpenShared(Path("in.txt"), GENERIC_READ, FILE_SHARE_READ);
    ASSERT_TRUE(held);
    EXPECT_EQ(OpenLineFile(AutoId, Path("in.txt")), 0);
    EXPECT_FALSE(WriteOver(Path("in.txt")));
    EXPECT_EQ(Read("in.txt"), "x\n");
    EXPECT_EQ(Files(), 1);
}

// A file written in full takes an earlier one's place; a read-only one stays as it was. No new
// file is left behind.
TEST_F(Win32FileTest, ReplacesAnEarlierFileButNotAReadOnlyOne) {
    Write("out.inc", "earlier\r\n");
    EXPECT_TRUE(WriteOver(Path("out.inc")));
    EXPECT_EQ(Read("out.inc"), "new\r\n");
    ASSERT_TRUE(SetFileAttributesW(Wide(Path("out.inc")), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(WriteOver(Path("out.inc")));
    ExpectPlainWords(LastLineFileError());
    SetFileAttributesW(Wide(Path("out.inc")), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(Read("out.inc"), "new\r\n");
    EXPECT_EQ(Files(), 1);
}

TEST_F(Win32FileTest, ReportsFailedOpensInPlainWords) {
    const Text missingFolder = Path("missing") + u"\\out.inc";
    for (const Text& path : {Path("missing.x3d"), missingFolder, folder.TextPath(""), Text()}) {
        EXPECT_EQ(OpenLineFile(AutoId, path), 0) << ToUtf8(path);
        ExpectPlainWords(LastLineFileError());
    }
    EXPECT_EQ(CreateLineFile(AutoId, missingFolder), 0);
    ExpectPlainWords(LastLineFileError());
    EXPECT_EQ(CreateLineFile(AutoId, Text(u"a\0b", 3)), 0);
}

TEST_F(Win32FileTest, AFailedWriteReturnsFewerBytesAndAFailedReadMinusOne) {
    Write("in.txt", "x");
    FileSystem& files = NativeFileSystem();
    {
        const Handle readOnly = OpenShared(Path("in.txt"), GENERIC_READ, 0);
        ASSERT_TRUE(readOnly);
        EXPECT_LT(files.Write(AsFile(readOnly), "abc", 3), 3);
        ExpectPlainWords(files.LastError());
    }
    const Handle writeOnly = OpenShared(Path("in.txt"), GENERIC_WRITE, 0);
    ASSERT_TRUE(writeOnly);
    char byte = 0;
    EXPECT_EQ(files.Read(AsFile(writeOnly), &byte, 1), -1);
}

TEST_F(Win32FileTest, KnowsAFileHoweverItsPathIsSpelled) {
    Write("Scene.x3d", "x\n");
    Write("other.x3d", "x\n");
    FileSystem& files = NativeFileSystem();
    EXPECT_TRUE(files.SameFile(Path("Scene.x3d"), Path("SCENE.X3D")));
    EXPECT_TRUE(files.SameFile(Path("Scene.x3d"), folder.TextPath(".") + u"\\Scene.x3d"));
    EXPECT_FALSE(files.SameFile(Path("Scene.x3d"), Path("other.x3d")));
    EXPECT_FALSE(files.SameFile(Path("Scene.x3d"), Path("missing.x3d")));
    EXPECT_FALSE(files.SameFile(Path("missing.x3d"), Path("missing.x3d")));
}

}  // namespace
}  // namespace vex
