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

// A file created NewOnly takes its name only where nothing stands: a file appearing there while it
// is written (a plain one, a read-only one, one held open elsewhere) stays as it is; no new file
// is left.
TEST_F(Win32FileTest, NewOnlyLeavesWhatAppearsAtItsName) {
    const LineFolder held(Path("scene.x3d"));
    for (const char* appearing : {"plain", "read-only", "held open"}) {
        const LineFileId id = CreateLineFile(AutoId, held, u"scene.pov", CreateMode::NewOnly);
        WriteLine(id, u"starter", AnsiFormat);
        Write("scene.pov", "my own\n");
        const bool readOnly = appearing == std::string("read-only");
        SetFileAttributesW(Wide(Path("scene.pov")), readOnly ? FILE_ATTRIBUTE_READONLY : 0);
        Handle other;
        if (appearing == std::string("held open")) {
            other = OpenShared(Path("scene.pov"), GENERIC_READ, FILE_SHARE_READ);
        }
        EXPECT_EQ(CloseLineFileResult(id), CloseResult::NameTaken) << appearing;
        EXPECT_EQ(Read("scene.pov"), "my own\n");
        EXPECT_EQ(Files(), 1);
        other.reset();
        SetFileAttributesW(Wide(Path("scene.pov")), FILE_ATTRIBUTE_NORMAL);
        std::filesystem::remove(folder.path() / "scene.pov");
    }
    const LineFileId id = CreateLineFile(AutoId, held, u"scene.pov", CreateMode::NewOnly);
    WriteLine(id, u"starter", AnsiFormat);
    EXPECT_EQ(CloseLineFileResult(id), CloseResult::Closed);
    EXPECT_EQ(Read("scene.pov"), "starter\r\n");
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
        EXPECT_EQ(files.WriteSome(AsFile(readOnly), "abc", 3), -1);
        ExpectPlainWords(files.LastError());
    }
    const Handle writeOnly = OpenShared(Path("in.txt"), GENERIC_WRITE, 0);
    ASSERT_TRUE(writeOnly);
    char byte = 0;
    EXPECT_EQ(files.Read(AsFile(writeOnly), &byte, 1), -1);
}

TEST_F(Win32FileTest, KnowsAFileHoweverItsNameIsSpelled) {
    Write("Scene.x3d", "x\n");
    Write("other.x3d", "x\n");
    const LineFolder held(Path("Scene.x3d"));
    EXPECT_TRUE(held.SameFile(u"Scene.x3d", u"SCENE.X3D"));
    EXPECT_FALSE(held.SameFile(u"Scene.x3d", u"other.x3d"));
    EXPECT_FALSE(held.SameFile(u"Scene.x3d", u"missing.x3d"));
    EXPECT_FALSE(held.SameFile(u"missing.x3d", u"missing.x3d"));
}

// A folder held for a conversion can be neither renamed nor replaced meanwhile, and files are
// still created in it and moved into place.
TEST_F(Win32FileTest, AHeldFolderStaysWhereItIs) {
    std::filesystem::create_directory(folder.path() / "held");
    {
        const LineFolder held(Path("held") + u"\\out.inc");
        ASSERT_TRUE(held.IsOpen());
        EXPECT_FALSE(MoveFileExW(Wide(Path("held")), Wide(Path("moved")), 0));
        EXPECT_FALSE(RemoveDirectoryW(Wide(Path("held"))));
        const LineFileId id = CreateLineFile(AutoId, held, u"out.inc");
        WriteLine(id, u"new", AnsiFormat);
        EXPECT_TRUE(CloseLineFile(id));
    }
    EXPECT_EQ(Read("held/out.inc"), "new\r\n");
    EXPECT_TRUE(MoveFileExW(Wide(Path("held")), Wide(Path("moved")), 0));
}

}  // namespace
}  // namespace vex
