// The include's path and declared name for any chosen path, also for paths that a Linux file
// system allows but a Windows one does not (double quotes and vertical bars in file and folder
// names): the include lands beside the chosen file, under its base name, and nowhere else.
#include <gtest/gtest.h>

#include <string>

#include "conversion/names.h"

namespace vex {
namespace {

TEST(IncludeNamesTest, StayBesideTheChosenFileAndDeclareAPovRayName) {
    const struct {
        Text input;
        Text includePath;
        Text declaredName;
    } cases[] = {
        // A dot and three characters at the end of the name go, whatever they are.
        {u"C:\\data\\scene.x3d", u"C:\\data\\scene.inc", u"scene"},
        {u"C:\\data\\scene.X3D", u"C:\\data\\scene.inc", u"scene"},
        {u"C:\\data\\scene.wrl", u"C:\\data\\scene.inc", u"scene"},
        {u"/d/.x3d", u"/d/.inc", u"_"},
        // Otherwise everything from the last dot goes, unless that dot begins the name.
        {u"/d/scene.x3dv", u"/d/scene.inc", u"scene"},
        {u"/d/a.b.x3dv", u"/d/a.b.inc", u"a_b"},
        {u"/d/a.b", u"/d/a.inc", u"a"},
        {u"C:\\data\\model", u"C:\\data\\model.inc", u"model"},
        {u"/d/.hidden", u"/d/.hidden.inc", u"_hidden"},
        {u"D:/dir/sub\\scene.X3D", u"D:/dir/sub\\scene.inc", u"scene"},
        {u"scene.x3d", u"scene.inc", u"scene"},
        // A vertical bar in a folder name must not move the include up to another folder.
        {u"/home/u/a|b/scene.x3d", u"/home/u/a|b/scene.inc", u"scene"},
        {u"/home/u/a|b/c|d.x3d", u"/home/u/a|b/c|d.inc", u"c_d"},
        // Nor a double quote at the start of a folder name to the parent folder, or to an absolute
        // path spelled inside it (`vexlorin */*.x3d` may give either).
        {u"\"../scene.x3d", u"\"../scene.inc", u"scene"},
        {u"\"/etc/scene.x3d", u"\"/etc/scene.inc", u"scene"},
        // A double quote in a file name must not cut the name short.
        {u"/home/u/my \"scene\".x3d", u"/home/u/my \"scene\".inc", u"my__scene_"},
        {u"/home/u/\"q\"/scene.x3d", u"/home/u/\"q\"/scene.inc", u"scene"},
        // Names POV-Ray cannot declare: foreign characters, a leading digit, a reserved word, one
        // of the include's own names; a character outside the BMP is one character.
        {u"/d/my-scene.x3d", u"/d/my-scene.inc", u"my_scene"},
        {u"/d/2nd try.x3d", u"/d/2nd try.inc", u"_2nd_try"},
        {u"/d/sphere.x3d", u"/d/sphere.inc", u"sphere_"},
        {u"/d/sphere-sweep.x3d", u"/d/sphere-sweep.inc", u"sphere_sweep_"},
        {u"/d/x.x3d", u"/d/x.inc", u"x_"},
        {u"/d/th.x3d", u"/d/th.inc", u"th_"},
        {u"/d/Sphere.x3d", u"/d/Sphere.inc", u"Sphere"},
        {u"/d/names_\u00fc.x3d", u"/d/names_\u00fc.inc", u"names__"},
        {u"/d/a\U0001F600b.x3d", u"/d/a\U0001F600b.inc", u"a_b"},
        {u"/d/_9.x3d", u"/d/_9.inc", u"_9"},
        {u"/d/a = 1; #fopen F chr(112) write #declare b.x3d",
         u"/d/a = 1; #fopen F chr(112) write #declare b.inc",
         u"a___1___fopen_F_chr_112__write__declare_b"},
    };
    for (const auto& c : cases) {
        const IncludeNames names = IncludeNamesFor(c.input);
        EXPECT_EQ(ToUtf8(names.includePath), ToUtf8(c.includePath)) << ToUtf8(c.input);
        EXPECT_EQ(ToUtf8(names.declaredName), ToUtf8(c.declaredName)) << ToUtf8(c.input);
    }
}

// The scene and the picture stand beside the include, under its name in the folder that holds it:
// on Linux, where a backslash is no separator, that name keeps what stands before the backslash.
TEST(IncludeNamesTest, PutTheSceneAndThePictureBesideTheInclude) {
#ifdef _WIN32
    const std::string stem = "scene";
#else
    const std::string stem = "sub\\scene";
#endif
    const IncludeNames names = IncludeNamesFor(u"D:/dir/sub\\scene.X3D");
    EXPECT_EQ(ToUtf8(names.sceneName), stem + ".pov");
    EXPECT_EQ(ToUtf8(names.pictureName), stem + ".png");
}

}  // namespace
}  // namespace vex
