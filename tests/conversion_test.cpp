#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "conversion/conversion.h"
#include "fuzz/memory_file_system.h"
#include "tests/test_support.h"

namespace vex {
namespace {

using test::MemoryFileSystem;
using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

struct VectorCase {
    const char16_t* line;
    bool swap;
    const char16_t* x;
    const char16_t* y;
    const char16_t* z;
    const char16_t* vector;
};

TEST(CutVector, CutsNumbersAsText) {
    const std::vector<VectorCase> cases = {
        {u"   translation=\"1.000000 -2.500000 0.250000\"", false, u"1.000", u"-2.500", u"0.250",
         u"<1.000, -2.500, 0.250> "},
        {u"   scale=\"0.500000 0.750000 2.000000\"", true, u"0.500", u"0.750", u"2.000",
         u"<0.500, 2.000, 0.750> "},
        {u"t=\"1.5 2.5 3.5\"", false, u"1.5 ", u"2.5 ", u"3.5", u"<1.5 , 2.5 , 3.5> "},
        {u"t=\"-2.567890 0.123456 0 \"", false, u"-2.567", u"0.123", u"0 ",
         u"<-2.567, 0.123, 0 > "},
        // Whole numbers stay whole, with the space that follows them.
        {u"t=\"100 1000 7\"", false, u"100 ", u"1000 ", u"7", u"<100 , 1000 , 7> "},
        {u"t=\"0 0 0\"", false, u"0 ", u"0 ", u"0", u"<0 , 0 , 0> "},
        // No quote: the whole line is the value, less its last character.
        {u"1.0 2.0 3.0x", false, u"1.0 ", u"2.0 ", u"3.0", u"<1.0 , 2.0 , 3.0> "},
        // No space: x and y are empty and z takes everything.
        {u"v=\"12.34567\"", false, u"", u"", u"12.345", u"<, , 12.345> "},
        {u"", false, u"", u"", u"", u"<, , > "},
        {u"", true, u"", u"", u"", u"<, , > "},
        {u"r=\"0.000000 0.707107 0.707107 3.141593\"", false, u"0.000", u"0.707", u"0.707",
         u"<0.000, 0.707, 0.707> "},
    };
    for (const VectorCase& c : cases) {
        const Vector3Text v = CutVector(c.line, c.swap);
        EXPECT_EQ(v.x, c.x) << ToUtf8(c.line);
        EXPECT_EQ(v.y, c.y) << ToUtf8(c.line);
        EXPECT_EQ(v.z, c.z) << ToUtf8(c.line);
        EXPECT_EQ(v.vector, c.vector) << ToUtf8(c.line);
    }
}

TEST(CutObjectName, TakesTheTextBetweenTheQuoteAndTheLastElevenCharacters) {
    auto name = [](const Text& line) {
        return CutObjectName(line, FindText(line, u"Transform DEF="));
    };
    EXPECT_EQ(name(u"\t\t<Transform DEF=\"Sweep_003_TRANSFORM\""), u"Sweep_003");
    // Whatever the last eleven characters are, they are cut off.
    EXPECT_EQ(name(u"<Transform DEF=\"Mball.001_TRANSFORM\" >"), u"Mball.001_T");
    EXPECT_EQ(name(u"<Transform DEF=\"_TRANSFORM\""), u"");
    EXPECT_EQ(name(u"<Transform DEF=\"x\""), u"");
    EXPECT_EQ(name(u"Transform DEF="), u"Tra");
}

// Scans the given bytes and returns the table.
ObjectTable ScanBytes(const std::string& bytes) {
    MemoryFileSystem memory;
    memory.files[u"in"] = bytes;
    ScopedFileSystem scoped(memory);
    ObjectTable table;
    const LineFileId id = OpenLineFile(AutoId, u"in");
    Scan(id, table);
    CloseLineFile(id);
    return table;
}

std::string Transform(const std::string& name, const std::string& t = "1.000000 2.000000 3.000000",
                      const std::string& s = "0.500000 0.600000 0.700000") {
    return "<Transform DEF=\"" + name + "_TRANSFORM\"\n translation=\"" + t + "\"\n scale=\"" + s +
           "\"\n rotation=\"0 0 1 0\"\n>\n</Transform>\n";
}

TEST(Scan, CountsSweepAndMballRowsByExactPrefix) {
    std::string bytes;
    for (const char* name : {"Sweep", "Sweep.001", "SweepA", "sweep", "Swee", " Sweep", "Mball",
                             "Mball_002", "MBall", "Cube"}) {
        bytes += Transform(name);
    }
    const ObjectTable table = ScanBytes(bytes);
    EXPECT_EQ(table.rowCount, 10);
    EXPECT_EQ(table.sweepCount, 3);
    EXPECT_EQ(table.blobCount, 2);
    EXPECT_EQ(table.rows[6].name, u" Sweep");
    EXPECT_TRUE(table.rows[0].name.empty());
}

TEST(Scan, DropsInnerTransformsAndExaminesTheirNextLine) {
    const ObjectTable table = ScanBytes(
        "<Transform DEF=\"Sweep_ifs_TRANSFORM\"\n<Transform DEF=\"Sweep_TRANSFORM\"\n"
        "translation=\"1.000000 2.000000 3.000000\"\nscale=\"0.2 0.2 0.2\"\nrotation=\"0 0 0 "
        "0\"\n");
    ASSERT_EQ(table.rowCount, 1);
    EXPECT_EQ(table.rows[1].name, u"Sweep");
    EXPECT_EQ(table.rows[1].translation.vector, u"<1.000, 2.000, 3.000> ");
}

TEST(Scan, TakesTheThreeLinesAfterATransformAsItsValues) {
    // The second transform is consumed as the first's translation line.
    const ObjectTable table = ScanBytes(
        "<Transform DEF=\"Sweep_TRANSFORM\"\n<Transform DEF=\"Mball_TRANSFORM\"\n"
        "translation=\"1.000000 2.000000 3.000000\"\nscale=\"4.000000 5.000000 6.000000\"\n");
    ASSERT_EQ(table.rowCount, 1);
    EXPECT_EQ(table.blobCount, 0);
    EXPECT_EQ(table.rows[1].scale.vector, u"<1.000, 3.000, 2.000> ");
    EXPECT_EQ(table.rows[1].third.vector, u"<4.000, 5.000, 6.000> ");
}

TEST(Scan, GivesEmptyVectorsWhenTheFileEndsEarly) {
    const ObjectTable table =
        ScanBytes("<Transform DEF=\"Sweep_TRANSFORM\"\ntranslation=\"1.5 2.5 3.5\"\n");
    ASSERT_EQ(table.rowCount, 1);
    EXPECT_EQ(table.rows[1].translation.vector, u"<1.5 , 2.5 , 3.5> ");
    EXPECT_EQ(table.rows[1].scale.vector, u"<, , > ");
    EXPECT_EQ(table.rows[1].third.vector, u"<, , > ");
}

TEST(Scan, StoresFiveHundredObjectsAndCountsTheRest) {
    std::string bytes;
    for (int i = 0; i < 503; ++i) {
        bytes += Transform(i < 300 ? "Sweep" : "Mball", std::to_string(i) + ".000000 0 0");
    }
    const ObjectTable table = ScanBytes(bytes);
    EXPECT_EQ(table.rowCount, 500);
    EXPECT_EQ(table.sweepCount, 300);
    EXPECT_EQ(table.blobCount, 200);
    EXPECT_EQ(table.leftOut, 3);
    EXPECT_EQ(table.rows[500].translation.x, u"499.000");
}

// The include written for a table, as bytes.
std::string IncludeBytes(const ObjectTable& table, const Text& baseName = u"scene") {
    MemoryFileSystem memory;
    ScopedFileSystem scoped(memory);
    const LineFileId id = CreateLineFile(AutoId, u"out");
    WriteInclude(id, table, baseName);
    CloseLineFile(id);
    return memory.files[u"out"];
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line + "\r\n";
    }
    return bytes;
}

const std::string Header = Lines({"// convert x3d", "// quillbrace 03.09.2023"});

TEST(WriteInclude, WritesTheWorkedExample) {
    const ObjectTable table = ScanBytes(
        Transform("Sweep", "0.000000 0.000000 0.000000", "0.200000 0.200000 0.200000") +
        Transform("Sweep.001", "1.000000 0.000000 0.000000", "0.300000 0.300000 0.300000") +
        Transform("Mball", "0.000000 1.000000 0.000000", "1.000000 1.000000 1.000000"));
    EXPECT_EQ(
        IncludeBytes(table),
        Header + Lines({"", "#declare scene =", "sphere_sweep {", "     cubic_spline", "     4,",
                        "     <0.000, 0.000, 0.000> , 0.200", "     <0.000, 0.000, 0.000> , 0.200",
                        "     <1.000, 0.000, 0.000> , 0.300", "     <1.000, 0.000, 0.000> , 0.300",
                        "     }", "", "#declare scene =", "#declare th = 0.5 ;",
                        "#declare sf = 2.0 ;", "blob {", "     threshold th",
                        "     sphere{ <0,0,0>, 1, 1 scale <1.000, 1.000, 1.000> * sf  "
                        "translate <0.000, 1.000, 0.000> }",
                        "     }"}));
}

TEST(WriteInclude, WritesOnlyTheHeaderWithoutSweepsOrMballs) {
    EXPECT_EQ(IncludeBytes(ScanBytes(Transform("Cube"))), Header);
    EXPECT_EQ(IncludeBytes(ObjectTable()), Header);
}

TEST(WriteInclude, RepeatsASingleSweepPointThreeTimes) {
    // A radius with fewer than three decimals keeps its space, as the cut leaves it.
    const std::string bytes = IncludeBytes(ScanBytes(Transform("Sweep", "1.0 2.0 3.0", "0.5 1 1")));
    const std::string point = "     <1.0 , 2.0 , 3.0> , 0.5 \r\n";
    EXPECT_NE(bytes.find("     3,\r\n" + point + point + point + "     }\r\n"), std::string::npos);
}

TEST(WriteInclude, TakesEachSectionsRowsInFileOrderWhereverTheyStand) {
    // The order in which a modeller writes objects: the order they were added, kinds mixed.
    std::string bytes;
    int x = 0;
    for (const char* name :
         {"Mball", "Sweep", "Sweep_001", "Cube", "Sweep_002", "Sweep_003", "Mball_001"}) {
        bytes += Transform(name, std::to_string(x++) + ".000000 0.000000 0.000000");
    }
    const std::string include = IncludeBytes(ScanBytes(bytes));
    const auto point = [](int x) {
        return "     <" + std::to_string(x) + ".000, 0.000, 0.000> , 0.500\r\n";
    };
    EXPECT_NE(include.find("     6,\r\n" + point(1) + point(1) + point(2) + point(4) + point(5) +
                           point(5) + "     }\r\n"),
              std::string::npos);
    EXPECT_NE(include.find("threshold th\r\n     sphere{ <0,0,0>, 1, 1 scale <0.500, 0.700, 0.600> "
                           "* sf  translate <0.000, 0.000, 0.000> }\r\n     sphere{ <0,0,0>, 1, "
                           "1 scale <0.500, 0.700, 0.600> * sf  translate <6.000, 0.000, 0.000> "
                           "}\r\n     }\r\n"),
              std::string::npos);
    EXPECT_EQ(include.find("<3.000"), std::string::npos);  // the cube
    EXPECT_LT(include.find("sphere_sweep"), include.find("blob {"));
}

TEST(WriteInclude, WritesZeroForEveryPieceThatIsNotANumber) {
    const struct {
        std::string translation;
        std::string scale;
        std::string pointLine;
    } cases[] = {
        {"1.5 2.5 3.5", "0.5 1 1", "     <1.5 , 2.5 , 3.5> , 0.5 "},  // numbers stay as cut
        {"1e5 -.5 +2.", "1.5E-3 1 1", "     <1e5 , -.5 , +2.> , 0"},
        {"", "", "     <0, 0, 0> , 0"},  // the export ended early
        {"1.000000 2.000000", "x 1 1", "     <1.000, 0, 2.000> , 0"},
        {"1.0  2.0 3.0", "\"0.5 1 1", "     <1.0 , 0, 0> , 0"},
        {"0 0 0>} #fopen F chr(112) write #write (F,1) #fclose F blob{threshold 0.5 sphere{<0,0,0>,"
         "1,1 translate <0",
         "1 1 1", "     <0 , 0 , 0> , 1 "},
        {"1 2 3\" /> <x a=\"", "1 1 1", "     <1 , 2 , 0> , 1 "},
        {"1 2 " + std::string(100000, '9') + "#", "1 1 1", "     <1 , 2 , 0> , 1 "},
    };
    for (const auto& c : cases) {
        const std::string bytes =
            IncludeBytes(ScanBytes(Transform("Sweep", c.translation, c.scale)));
        EXPECT_NE(bytes.find("\r\n" + c.pointLine + "\r\n"), std::string::npos) << c.translation;
        EXPECT_EQ(bytes.find('#', bytes.find("sphere_sweep")), std::string::npos) << c.translation;
    }
    const std::string blob = IncludeBytes(ScanBytes(Transform("Mball", "1 2 3", "4 x 6")));
    EXPECT_NE(blob.find("scale <4 , 6, 0> * sf  translate <1 , 2 , 3> }"), std::string::npos);
}

TEST(IsPovNumber, TakesOnlyNumbersPovRayReads) {
    for (const char16_t* number : {u"1", u"1.", u"1.250", u".5", u"-2.567", u"+3", u"1e5",
                                   u"1.5E-3", u"2e+07", u" 0 ", u"007"}) {
        EXPECT_TRUE(IsPovNumber(number)) << ToUtf8(number);
    }
    for (const char16_t* other : {u"", u" ", u".", u"-", u"+.", u"1e", u"1e+", u"e5", u"1 2",
                                  u"1.5.2", u"--1", u"1\t", u"\u0661", u"0x10", u"1,5", u"#"}) {
        EXPECT_FALSE(IsPovNumber(other)) << ToUtf8(other);
    }
}

// --- The whole conversion on real files ----------------------------------------------------

class ConvertFileTest : public ::testing::Test {
  protected:
    TempFolder folder;

    Text Copy(const std::string& name, const std::string& bytes) {
        WriteBytes(folder.path() / name, bytes);
        return folder.TextPath(name);
    }
};

TEST_F(ConvertFileTest, ConvertsTheModellersExportExactly) {
    const Text input = Copy("scene.x3d", ReadBytes(test::FixturePath("scene.x3d")));
    const Message message = ConvertFile(input);
    EXPECT_EQ(message.caption, u"Vexlorin 0.5  quillbrace 3.10.23");
    EXPECT_EQ(message.text, u"scene.inc created > blobs: 3 sweeps: 5");
    EXPECT_FALSE(message.failed);
    EXPECT_EQ(ReadBytes(folder.path() / "scene.inc"), ReadBytes(test::FixturePath("scene.inc")));
}

TEST_F(ConvertFileTest, ReplacesAnEarlierOutput) {
    const Text input = Copy("scene.x3d", Transform("Mball"));
    WriteBytes(folder.path() / "scene.inc", std::string(5000, 'Q'));
    EXPECT_EQ(ConvertFile(input).text, u"scene.inc created > blobs: 1 sweeps: 0");
    EXPECT_EQ(ConvertFile(input).text, u"scene.inc created > blobs: 1 sweeps: 0");
    EXPECT_EQ(ReadBytes(folder.path() / "scene.inc").find('Q'), std::string::npos);
}

TEST_F(ConvertFileTest, KeepsTheFileNameAndDeclaresAnAsciiName) {
    const Text input = Copy("szene_\xc3\xbc.x3d", Transform("Sweep") + Transform("Sweep"));
    EXPECT_EQ(ConvertFile(input).text,
              u"szene_\u00fc.inc created > blobs: 0 sweeps: 2\nIt declares szene__, since "
              u"\"szene_\u00fc\" is not a name POV-Ray accepts (ASCII letters, digits and _, not "
              u"beginning with a digit, not a reserved word).");
    const std::string bytes = ReadBytes(folder.path() / "szene_\xc3\xbc.inc");
    EXPECT_NE(bytes.find("#declare szene__ =\r\n"), std::string::npos);
}

TEST_F(ConvertFileTest, AddsOneLinePerKindOfProblemBelowTheSummary) {
    const std::string sweeps = Transform("Sweep") + Transform("Sweep_001");
    const std::string inEmpty =
        "<Transform DEF=\"Empty_TRANSFORM\"\n t=\"0 0 0\"\n s=\"1 1 1\"\n"
        " r=\"0 0 1 0\"\n>\n" +
        Transform("Mball") + "</Transform>\n";
    const struct {
        std::string bytes;
        std::vector<std::u16string> notes;  // below "scene.inc created > ..."
    } cases[] = {
        {sweeps + Transform("Mball"), {}},
        {inEmpty + Transform("Mball_001"),
         {u"Mball lies inside another object, so its position is relative to that object and the "
          u"shape lands elsewhere. In the modeller, clear its parent keeping the transform, or "
          u"export without hierarchy if that fits."}},
        {Transform("Sweep\x1b]0;x\x07" + std::string(70, 'n')),
         {u"Only one Sweep object (Sweep?]0;x?" + Text(49, u'n') +
          u"...): POV-Ray needs at least "
          u"two to draw the sphere_sweep and will reject this include. Add a second Sweep object "
          u"in the modeller."}},
        {Transform("Cube") + Transform("Sweep_007"),
         {u"Only one Sweep object (Sweep_007): POV-Ray needs at least two to draw the "
          u"sphere_sweep and will reject this include. Add a second Sweep object in the "
          u"modeller."}},
        {sweeps + Transform("Cube", "") + Transform("Mball_002", "1 2 3", "1 2 x") +
             "<Transform DEF=\"Sweep_009_TRANSFORM\"\n",
         {u"Mball_002 has no three numbers POV-Ray can read in its translation or scale; the "
          u"include has 0 in their place. Export the scene again in full, one value a line."}},
    };
    for (const auto& c : cases) {
        Text expected = ConvertFile(Copy("scene.x3d", c.bytes)).text;
        const size_t end = expected.find(u'\n');
        EXPECT_EQ(end == Text::npos ? 0 : 1 + std::count(expected.begin(), expected.end(), u'\n'),
                  c.notes.empty() ? 0 : c.notes.size() + 1)
            << ToUtf8(expected);
        for (const std::u16string& note : c.notes) {
            EXPECT_NE(expected.find(u"\n" + note), Text::npos) << ToUtf8(expected);
        }
    }
}

TEST_F(ConvertFileTest, CancelWritesNothing) {
    const Message message = ConvertFile(Text());
    EXPECT_EQ(message.caption, u"Info:");
    EXPECT_EQ(message.text, u"canceled");
}

TEST_F(ConvertFileTest, ReportsAnInputThatCannotBeOpened) {
    const Text input = folder.TextPath("missing.x3d");
    const Message message = ConvertFile(input);
    EXPECT_NE(message.text.find(input + u" could not be opened"), Text::npos);
    EXPECT_TRUE(message.failed);
    EXPECT_EQ(message.text.find(u"created"), Text::npos);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "missing.inc"));
}

TEST_F(ConvertFileTest, RefusesToWriteOverTheChosenFile) {
    const std::string bytes = Transform("Sweep");
    const Text input = Copy("scene.inc", bytes);
    const Message message = ConvertFile(input);
    EXPECT_NE(message.text.find(input), Text::npos);
    EXPECT_EQ(message.text.find(u"created"), Text::npos);
    EXPECT_TRUE(message.failed);
    EXPECT_EQ(ReadBytes(folder.path() / "scene.inc"), bytes);
}

TEST_F(ConvertFileTest, RefusesAnOutputThatIsALinkToTheInput) {
    const std::string bytes = Transform("Sweep");
    const Text input = Copy("scene.x3d", bytes);
    std::error_code error;
    std::filesystem::create_symlink(folder.path() / "scene.x3d", folder.path() / "scene.inc",
                                    error);
    if (error) {
        GTEST_SKIP() << "links cannot be made here: " << error.message();
    }
    EXPECT_EQ(ConvertFile(input).text.find(u"created"), Text::npos);
    EXPECT_EQ(ReadBytes(folder.path() / "scene.x3d"), bytes);
}

TEST_F(ConvertFileTest, ReportsAnOutputThatCannotBeCreated) {
    const Text input = Copy("scene.x3d", Transform("Sweep"));
    std::filesystem::create_directory(folder.path() / "scene.inc");  // a folder in the way
    const Message message = ConvertFile(input);
    EXPECT_NE(message.text.find(folder.TextPath("scene.inc") + u" could not be written"),
              Text::npos);
    EXPECT_EQ(message.text.find(u"created"), Text::npos);
    EXPECT_TRUE(message.failed);
}

TEST_F(ConvertFileTest, NamesObjectsLeftOutOfAFullTable) {
    std::string bytes;
    for (int i = 0; i < 501; ++i) {
        bytes += Transform("Sweep");
    }
    const Message message = ConvertFile(Copy("many.x3d", bytes));
    EXPECT_EQ(message.text,
              u"many.inc created > blobs: 0 sweeps: 500\n"
              u"1 more object was left out: an include takes the first 500.");
    EXPECT_NE(ReadBytes(folder.path() / "many.inc").find("     502,\r\n"), std::string::npos);
}

TEST(RunConversion, AsksForTheFileAndShowsOneMessage) {
    std::vector<Text> asked;
    std::vector<Text> shown;
    Dialogs dialogs;
    dialogs.chooseInputFile = [&](const Text& title, const Text& defaultFile, const Text& pattern,
                                  int32_t position) {
        asked = {title, defaultFile, pattern, DecimalText(position)};
        return Text();
    };
    dialogs.showMessage = [&](const Text& caption, const Text& text, uint32_t flags) {
        shown.insert(shown.end(), {caption, text, DecimalText(flags)});
        return 1;
    };
    RunConversion(dialogs);
    EXPECT_EQ(asked,
              (std::vector<Text>{u"open x3d file", u"C:\\file.x3d", u"x3d (*.x3d)|*.x3d", u"0"}));
    EXPECT_EQ(shown, (std::vector<Text>{u"Info:", u"canceled", u"0"}));
}

}  // namespace
}  // namespace vex
