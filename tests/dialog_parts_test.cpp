#include <gtest/gtest.h>

#include <algorithm>

#include <optional>
#include <vector>

#include "shell/command_line.h"
#include "shell/dialogs.h"

namespace vex {
namespace {

// Every bar of a pattern becomes a terminator and three close the list; descriptions pair with
// the patterns after them, a last one alone with an empty pattern.
TEST(FilterList, TurnsBarsIntoTerminatorsAndPairsDescriptionsWithPatterns) {
    EXPECT_EQ(BuildFilterList(Text(u"A|*.a|B")), std::u16string(u"A\0*.a\0B\0\0\0", 10));
    EXPECT_EQ(BuildFilterList(Text()), std::u16string(3, u'\0'));
    EXPECT_EQ(BuildFilterList(std::nullopt), std::u16string(3, u'\0'));
    EXPECT_EQ(FilterPairs(Text(u"A|*.a|B")),
              (std::vector<FilterPair>{{u"A", u"*.a"}, {u"B", u""}}));
    EXPECT_TRUE(FilterPairs(std::nullopt).empty());
    EXPECT_TRUE(FilterPairs(Text()).empty());
}

struct SplitCase {
    Text defaultFile;
    Text directory;
    Text name;
};

TEST(SplitDefaultFile, SplitsAtTheLastBackslashOnly) {
    const std::vector<SplitCase> cases = {
        {u"C:\\file.x3d", u"C:", u"file.x3d"},
        {u"scene.x3d", u"", u"scene.x3d"},
        {u"\\scene.x3d", u"", u""},  // the backslash stays in the name, which makes it invalid
        {u"C:\\*.x3d", u"C:", u""},
        {u"C:\\", u"C:", u""},
        {u"C:\\data\\sub\\a b.x3d", u"C:\\data\\sub", u"a b.x3d"},
        {u"/home/ann/scene.x3d", u"", u""},  // a slash does not separate, and is not allowed
        {u"", u"", u""},
    };
    for (const SplitCase& c : cases) {
        const DefaultFileSplit split = SplitDefaultFile(c.defaultFile);
        EXPECT_EQ(split.initialDirectory, c.directory) << ToUtf8(c.defaultFile);
        EXPECT_EQ(split.proposedName, c.name) << ToUtf8(c.defaultFile);
    }
}

TEST(SplitDefaultFile, CutsALongNameToWhatTheBufferHolds) {
    const DefaultFileSplit split = SplitDefaultFile(u"C:\\" + Text(300, u'n'));
    EXPECT_EQ(split.proposedName, Text(259, u'n'));
}

TEST(IsValidFileName, RefusesReservedAndControlCharacters) {
    EXPECT_FALSE(IsValidFileName(std::nullopt));
    EXPECT_FALSE(IsValidFileName(Text()));
    for (const char16_t c : std::u16string(u"\"*/:<>?\\|\x01\x1f\t")) {
        EXPECT_FALSE(IsValidFileName(Text{u'a', c, u'b'})) << static_cast<int>(c);
    }
    for (const char16_t* name : {u"file.x3d", u" ", u"szene_\u00fc.x3d", u"a b", u"\u4e2d"}) {
        EXPECT_TRUE(IsValidFileName(name)) << ToUtf8(name);
    }
}

// --- The command line ------------------------------------------------------------------------

struct ArgumentsCase {
    std::vector<Text> arguments;
    Command::Kind kind;
    std::vector<Text> files;
    Text error;
};

TEST(ParseArguments, TellsFilesFromOptionsAndTheFirstOptionDecides) {
    using Kind = Command::Kind;
    const std::vector<ArgumentsCase> cases = {
        {{}, Kind::Dialog, {}, u""},
        {{u"--"}, Kind::Dialog, {}, u""},
        {{u"b.x3d", u"a.x3d"}, Kind::Convert, {u"b.x3d", u"a.x3d"}, u""},
        {{u"a.x3d", u"-h"}, Kind::Help, {}, u""},
        {{u"--help", u"-x"}, Kind::Help, {}, u""},
        {{u"-V"}, Kind::Version, {}, u""},
        {{u"a.x3d", u"--version"}, Kind::Version, {}, u""},
        {{u"-x", u"--help"}, Kind::UsageError, {}, u"unknown option '-x'"},
        {{u"--helper"}, Kind::UsageError, {}, u"unknown option '--helper'"},
        {{u"-"}, Kind::UsageError, {}, u"unknown option '-'"},
        {{u"a.x3d", u""}, Kind::UsageError, {}, u"an empty argument names no file"},
        {{u"a.x3d", u"--", u"-x.x3d", u"--", u"-h"},
         Kind::Convert,
         {u"a.x3d", u"-x.x3d", u"--", u"-h"},
         u""},
    };
    for (const ArgumentsCase& c : cases) {
        const Command command = ParseArguments(c.arguments);
        SCOPED_TRACE(ToUtf8(c.arguments.empty() ? Text(u"(none)") : c.arguments[0]));
        EXPECT_EQ(command.kind, c.kind);
        EXPECT_EQ(command.files, c.files);
        EXPECT_EQ(command.error, c.error);
    }
}

// --print, --scene and --preview only set what they name, wherever they stand before "--";
// --print counts even after an option that decides, and without a file it is a usage error.
TEST(ParseArguments, FlagsSetWhatTheyNameAndPrintNeedsAFile) {
    using Kind = Command::Kind;
    const struct {
        std::vector<Text> arguments;
        Kind kind;
        bool print, scene, preview;
    } cases[] = {
        {{u"--print", u"a.x3d"}, Kind::Convert, true, false, false},
        {{u"a.x3d", u"--scene"}, Kind::Convert, false, true, false},
        {{u"--preview", u"a.x3d"}, Kind::Convert, false, true, true},
        {{u"--scene"}, Kind::Dialog, false, true, false},
        {{u"--help", u"--print"}, Kind::Help, true, false, false},
        {{u"--print", u"-x"}, Kind::UsageError, true, false, false},
        {{u"--print"}, Kind::UsageError, true, false, false},
        {{u"--print", u"--", u"--scene"}, Kind::Convert, true, false, false},
        {{u"a.x3d", u"--", u"--print"}, Kind::Convert, false, false, false},
    };
    for (const auto& c : cases) {
        const Command command = ParseArguments(c.arguments);
        SCOPED_TRACE(ToUtf8(c.arguments[0] + u" " + c.arguments.back()));
        EXPECT_EQ(command.kind, c.kind);
        EXPECT_EQ(command.print, c.print);
        EXPECT_EQ(command.options.scene, c.scene);
        EXPECT_EQ(command.options.preview, c.preview);
    }
    EXPECT_EQ(ParseArguments({u"--print"}).error,
              u"--print needs a FILE: it never opens the dialog");
}

// A pattern that matches no file is that argument's failure; the other files are still converted.
// (Several files, each message in order in one result, the exit status: the process test.)
TEST(ConvertFiles, APatternThatMatchesNothingFailsAndTheRestIsConverted) {
    const auto expand = [](const Text& argument) {
        return argument == u"*.none" ? std::vector<Text>{} : std::vector<Text>{argument};
    };
    const auto convert = [](const Text& file) {
        return Message{Message::Kind::Summary, file + u" said"};
    };
    const Outcome none = ConvertFiles({u"*.none", u"a.x3d"}, expand, convert);
    EXPECT_EQ(none.message.text,
              u"*.none could not be opened (no file matches it). Nothing was written.\n\n"
              u"a.x3d said");
    EXPECT_EQ(none.exitStatus, ExitFailed);
}

// The box for many files: the summary first, then only the files with notes or failures. Cut for
// a box that cannot scroll, it keeps whole messages within its rows (a long line takes a row for
// every RowWidth characters) and says how many it left out.
TEST(BoxText, SummarisesManyFilesAndIsCutToWholeMessages) {
    std::vector<Message> messages;
    for (int i = 0; i < 2000; ++i) {
        const Text name = DecimalText(i);
        using enum Message::Kind;
        messages.push_back(i % 100 == 1   ? Message{Failure, name + u" failed"}
                           : i % 100 == 2 ? Message{Summary, name + u" made\nnote"}
                                          : Message{Summary, name + u" made"});
    }
    const Text box = BoxText(messages);
    const Text head =
        u"2000 files: 1980 converted, 20 of them with notes, 20 failed.\n\n1 failed\n\n2 "
        u"made\nnote\n\n101 failed\n\n";
    EXPECT_EQ(box.substr(0, head.size()), head);
    EXPECT_EQ(box.substr(box.size() - 16), u"\n\n1902 made\nnote");
    EXPECT_EQ(BoxText({messages[2]}), u"2 made\nnote");
    const Text cut = CutForBox(box, 30);
    EXPECT_EQ(std::count(cut.begin(), cut.end(), u'\n'), 29);
    EXPECT_EQ(cut.substr(cut.size() - 26), u"\n\n501 failed\n\nand 29 more.");
    const Text wide = u"s\n\n" + Text(200, u'x') + u"\n\nt";
    EXPECT_EQ(CutForBox(wide, 6), wide);
    EXPECT_EQ(CutForBox(wide, 5), u"s\n\nand 2 more.");
}

}  // namespace
}  // namespace vex
