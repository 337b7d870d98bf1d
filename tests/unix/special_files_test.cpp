// The POSIX file layer reads regular files only: opening a named pipe must not wait for a writer,
// and a device that never ends must not be read for ever.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "tests/test_support.h"
#include "text/file_system.h"

namespace vex {
namespace {

namespace fs = std::filesystem;

TEST(PosixFileSystemTest, ReadsRegularFilesOnly) {
    const test::TempFolder temp;
    const fs::path& folder = temp.path();
    ASSERT_EQ(::mkfifo((folder / "pipe.x3d").c_str(), 0644), 0);
    std::ofstream(folder / "plain.x3d") << "x\n";

    const struct {
        fs::path path;
        Text error;  // empty: opens
    } cases[] = {
        {folder / "pipe.x3d", u"not a regular file"},
        {"/dev/zero", u"not a regular file"},
        {folder, u"Is a directory"},
        {folder / "plain.x3d", u""},
    };
    FileSystem& files = NativeFileSystem();
    for (const auto& c : cases) {
        const FileHandle file = files.OpenForReading(FromUtf8(c.path.string()));
        if (c.error.empty()) {
            EXPECT_NE(file, NoFileHandle) << c.path;
            files.Close(file);
        } else {
            EXPECT_EQ(file, NoFileHandle) << c.path;
            EXPECT_EQ(ToUtf8(files.LastError()), ToUtf8(c.error)) << c.path;
        }
    }
}

}  // namespace
}  // namespace vex
