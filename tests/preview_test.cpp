// The preview: POV-Ray itself on a tiny scene, and the helper program playing a POV-Ray that
// fails, writes nothing, or is missing. An earlier picture stays whatever goes wrong, and nothing
// is left in the folder.
#include "conversion/preview.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "tests/test_support.h"
#include "text/child_process.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace vex {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for the lifetime of this object; the earlier value comes back.
class ScopedVariable {
  public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        const char* earlier = std::getenv(name);
        had_ = earlier != nullptr;
        earlier_ = had_ ? earlier : "";
        Set(value.c_str());
    }
    ~ScopedVariable() { Set(had_ ? earlier_.c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

  private:
    void Set(const char* value) {
#ifdef _WIN32
        SetEnvironmentVariableA(name_.c_str(), value);
        _putenv_s(name_.c_str(), value != nullptr ? value : "");
#else
        if (value != nullptr) {
            setenv(name_.c_str(), value, 1);
        } else {
            unsetenv(name_.c_str());
        }
#endif
    }

    std::string name_;
    std::string earlier_;
    bool had_ = false;
};

std::set<std::string> FilesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

const char TinyScene[] =
    "#version 3.7;\n"
    "camera { location <0, 1, -4> look_at <0, 0, 0> }\n"
    "light_source { <5, 10, -10> color rgb 1 }\n"
    "sphere { <0, 0, 0>, 1 pigment { rgb <1, 0.5, 0.2> } }\n";

#ifdef _WIN32
constexpr char PathListSeparator = ';';
#else
constexpr char PathListSeparator = ':';
#endif

// POV-Ray is looked for in the PATH's folders in their order, and there only as a file that may be
// run: never in the current folder, which an empty entry or "." would mean.
TEST(Preview, FindsPovRayInThePathsFoldersOnly) {
    test::TempFolder temp;
    const std::string program = std::string("povray") + VEXLORIN_PROGRAM_SUFFIX;
    for (const char* folder : {"a", "b", "c"}) {
        fs::create_directory(temp.path() / folder);
    }
    fs::copy_file(VEXLORIN_CHILD_HELPER, temp.path() / program);
    temp.Enter();
    fs::create_directory(temp.path() / "a" / program);
#ifndef _WIN32
    test::WriteBytes(temp.path() / "b" / program, "not a program");  // no permission to run it
#endif
    fs::copy_file(VEXLORIN_CHILD_HELPER, temp.path() / "c" / program);
    const std::string separator(1, PathListSeparator);
    const ScopedVariable path("PATH", separator + "." + separator + (temp.path() / "a").string() +
                                          separator + (temp.path() / "b").string() + separator +
                                          (temp.path() / "c").string());
    EXPECT_EQ(ToUtf8(FindOnPath(u"povray")), ToUtf8(test::PathText(temp.path() / "c" / program)));
}

// POV-Ray itself, on a scene whose name holds a space: the picture takes the earlier one's place,
// 640x480, and nothing else is left.
TEST(Preview, RendersTheSceneWithPovRay) {
    if (FindOnPath(u"povray").empty()) {
        GTEST_SKIP() << "POV-Ray is not installed (apt-get install povray)";
    }
    test::TempFolder temp;
    test::WriteBytes(temp.path() / "my scene.pov", TinyScene);
    test::WriteBytes(temp.path() / "my scene.png", "old");
    LineFolder folder(temp.TextPath("my scene.x3d"));
    const Text message = RenderPreview(folder, IncludeNamesFor(temp.TextPath("my scene.x3d")));
    EXPECT_EQ(ToUtf8(message), "my scene.png: the preview, rendered by POV-Ray (640x480).");
    const std::string picture = test::ReadBytes(temp.path() / "my scene.png");
    ASSERT_GE(picture.size(), 24u);
    EXPECT_EQ(picture.substr(1, 3), "PNG");
    EXPECT_EQ(picture.substr(16, 8), std::string("\0\0\x02\x80\0\0\x01\xe0", 8));  // 640, 480
    EXPECT_EQ(FilesIn(temp.path()), (std::set<std::string>{"my scene.pov", "my scene.png"}));
}

// Every way to end without a picture: the earlier picture stays and the new file is gone.
TEST(Preview, KeepsTheEarlierPictureWhenThereIsNoNewOne) {
    struct Case {
        const char* renderer;  // the helper's VEX_FAKE_RENDERER; nullptr: no POV-Ray on the PATH
        const char* baseName;
        bool sceneThere;
        const char* message;
    };
    // POV-Ray's error line made safe to show, joined where POV-Ray wrapped it, and cut short.
    const std::string cut =
        "No preview: POV-Ray failed on x.pov: Parse Error: " + std::string(200 - 13, 'x') + "...";
    const Case cases[] = {
        {"fail", "x", true,
         "No preview: POV-Ray failed on x.pov: File 'x.pov' line 2: Parse Error: ?[31mExpected "
         "'object' found instead"},
        {"nothing", "x", true, "No preview: POV-Ray ended without writing x.png."},
        {"long", "x", true, cut.c_str()},
        {nullptr, "x", true,
         "No preview: POV-Ray was not found (install it: apt-get install povray, or POV-Ray for "
         "Windows from www.povray.org)."},
        {"fail", "x", false, "No preview: x.pov is not there to render."},
        {"fail", "\xc3\xbc", true,
         "No preview: POV-Ray opens only files whose names are plain ASCII without quotes, and "
         "\xc3\xbc.pov is not."},
    };
    for (const Case& c : cases) {
        test::TempFolder temp;
        const fs::path programs = temp.path() / "programs";
        fs::create_directory(programs);
        fs::create_directory(temp.path() / "export");
        if (c.renderer != nullptr) {
            fs::copy_file(VEXLORIN_CHILD_HELPER, programs / "povray" VEXLORIN_PROGRAM_SUFFIX);
        }
        const fs::path scene =
            temp.path() / "export" / fs::u8path(std::string(c.baseName) + ".pov");
        if (c.sceneThere) {
            test::WriteBytes(scene, TinyScene);
        }
        test::WriteBytes(fs::path(scene).replace_extension(".png"), "old");
        const std::set<std::string> before = FilesIn(temp.path() / "export");
        const ScopedVariable path("PATH", programs.string());
        const ScopedVariable mode("VEX_FAKE_RENDERER", c.renderer != nullptr ? c.renderer : "");
        const Text input = test::PathText(fs::path(scene).replace_extension(".x3d"));
        LineFolder folder(input);
        EXPECT_EQ(ToUtf8(RenderPreview(folder, IncludeNamesFor(input))), c.message);
        EXPECT_EQ(test::ReadBytes(fs::path(scene).replace_extension(".png")), "old") << c.message;
        EXPECT_EQ(FilesIn(temp.path() / "export"), before) << c.message;
    }
}

}  // namespace
}  // namespace vex
