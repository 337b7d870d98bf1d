// Faults injected through the file layer's seam: reads that fail in the middle of the input,
// writes that fail or fall short at a chosen byte of the output, closes that fail, opens and
// creates that are refused. Whatever goes wrong, the user must be told the truth, no output may
// be reported as created, and the chosen input file must be left exactly as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <map>
#include <string>

#include "conversion/conversion.h"
#include "fuzz/gzip_member.h"
#include "tests/test_support.h"
#include "text/file_system.h"

namespace vex {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

constexpr char16_t InjectedError[] = u"injected fault";
constexpr int64_t Never = std::numeric_limits<int64_t>::max();

// What the user is told, word for word, when the input or the include fails part-way.
const Text NotReadToTheEnd =
    Text(u"scene.x3d could not be read to its end (") + InjectedError + u"). Nothing was written.";
const Text Incomplete =
    Text(u"scene.inc could not be written (") + InjectedError + u"); the file is incomplete.";

enum class WriteFault { Fails, FallsShort };
enum class CloseFault { None, Input, Output };

struct Faults {
    bool openFails = false;
    bool createFails = false;
    int64_t readFailsAt = Never;   // the byte of the input at which reading fails
    int64_t writeFailsAt = Never;  // the byte of the output at which writing fails
    WriteFault writeFault = WriteFault::Fails;
    CloseFault closeFault = CloseFault::None;
};

// The native file layer with faults at chosen places. Every call that goes through is real, so
// what reaches the disk is exactly what a real fault at that place would leave.
class FaultyFileSystem final : public FileSystem {
  public:
    explicit FaultyFileSystem(Faults faults) : faults_(faults) {}

    FileHandle OpenForReading(const Text& path) override {
        return Track(faults_.openFails ? NoFileHandle : Native().OpenForReading(path), false);
    }

    FileHandle CreateForWriting(const Text& path) override {
        return Track(faults_.createFails ? NoFileHandle : Native().CreateForWriting(path), true);
    }

    int64_t Read(FileHandle file, char* into, int64_t n) override {
        int64_t& done = done_[file];
        if (done >= faults_.readFailsAt) {
            return Injected();
        }
        // The bytes before the fault arrive, as they would from a disk that fails part-way.
        const int64_t got = Native().Read(file, into, std::min(n, faults_.readFailsAt - done));
        done += got > 0 ? got : 0;
        return got;
    }

    int64_t Write(FileHandle file, const char* bytes, int64_t n) override {
        int64_t& done = done_[file];
        if (done + n <= faults_.writeFailsAt) {
            const int64_t put = Native().Write(file, bytes, n);
            done += put > 0 ? put : 0;
            return put;
        }
        if (faults_.writeFault == WriteFault::Fails) {
            return Injected();
        }
        // Part of the bytes go to the file, and the layer explains the shortfall, as the native
        // layers do for a full disk.
        const int64_t put = Native().Write(file, bytes, faults_.writeFailsAt - done);
        done += put;
        Injected();
        return put;
    }

    bool Seek(FileHandle file, int64_t delta) override { return Native().Seek(file, delta); }

    bool Close(FileHandle file) override {
        const bool closed = Native().Close(file);
        const bool output = output_.count(file) != 0 && output_[file];
        const bool fails = (faults_.closeFault == CloseFault::Output && output) ||
                           (faults_.closeFault == CloseFault::Input && !output);
        if (fails) {
            Injected();
            return false;
        }
        return closed;
    }

    Text LastError() override { return injected_ ? Text(InjectedError) : Native().LastError(); }

    bool SameFile(const Text& a, const Text& b) override { return Native().SameFile(a, b); }

  private:
    static FileSystem& Native() { return NativeFileSystem(); }

    FileHandle Track(FileHandle file, bool output) {
        if (file == NoFileHandle) {
            Injected();
            return file;
        }
        done_[file] = 0;
        output_[file] = output;
        return file;
    }

    int64_t Injected() {
        injected_ = true;
        return -1;
    }

    Faults faults_;
    bool injected_ = false;
    std::map<FileHandle, int64_t> done_;
    std::map<FileHandle, bool> output_;
};

// An export with enough objects that both files span several 4096-byte buffers: the input about
// 50 kB, the include about 20 kB.
std::string SceneWithObjects(int count) {
    std::string scene = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<X3D>\n\t<Scene>\n";
    for (int i = 0; i < count; ++i) {
        const std::string name = (i < count / 2 ? "Sweep_" : "Mball_") + std::to_string(i);
        const std::string n = std::to_string(i);
        scene += "\t\t<Transform DEF=\"" + name + "_TRANSFORM\"\n";
        scene += "\t\t           translation=\"" + n + ".250000 -1.500000 0.125000\"\n";
        scene += "\t\t           scale=\"0.500000 0.750000 2.000000\"\n";
        scene += "\t\t           rotation=\"0.000000 0.707107 0.707107 3.141593\"\n";
        scene += "\t\t           >\n\t\t</Transform>\n";
    }
    return scene + "\t</Scene>\n</X3D>\n";
}

class FaultTest : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteBytes(Input(), SceneWithObjects(200));
        input_ = ReadBytes(Input());
        ConvertFile(InputText());  // the include as it is without faults
        include_ = ReadBytes(Output());
        fs::remove(Output());
        ASSERT_GT(input_.size(), 3 * 4096U);
        ASSERT_GT(include_.size(), 3 * 4096U);
    }

    fs::path Input() const { return folder_.path() / "scene.x3d"; }
    fs::path Output() const { return folder_.path() / "scene.inc"; }
    Text InputText() const { return FromUtf8(Input().string()); }

    Message ConvertWith(const Faults& faults) {
        FaultyFileSystem files(faults);
        ScopedFileSystem scope(files);
        return ConvertFile(InputText());
    }

    // What every fault must leave: a message that names the failure and its cause and does not
    // claim the include was created, and the input as it was.
    void ExpectTruthfulFailure(const Message& message, const Text& says) {
        EXPECT_EQ(message.caption, SummaryCaption);
        EXPECT_TRUE(message.failed);
        EXPECT_NE(message.text.find(says), Text::npos) << ToUtf8(message.text);
        EXPECT_NE(message.text.find(InjectedError), Text::npos) << ToUtf8(message.text);
        EXPECT_EQ(message.text.find(u"created"), Text::npos) << ToUtf8(message.text);
        EXPECT_EQ(ReadBytes(Input()), input_);
    }

    test::TempFolder folder_;
    std::string input_;
    std::string include_;
};

TEST_F(FaultTest, ReadThatFailsLeavesNoOutputAndAnEarlierOneUntouched) {
    for (const int64_t at : {int64_t{0}, int64_t{1}, int64_t{4095}, int64_t{4096}, int64_t{4097},
                             int64_t{20000}, static_cast<int64_t>(input_.size()) - 1}) {
        SCOPED_TRACE(at);
        for (const bool earlierOutput : {false, true}) {
            if (earlierOutput) {
                WriteBytes(Output(), "an earlier include\r\n");
            }
            Faults faults;
            faults.readFailsAt = at;
            ExpectTruthfulFailure(ConvertWith(faults), NotReadToTheEnd);
            if (earlierOutput) {
                EXPECT_EQ(ReadBytes(Output()), "an earlier include\r\n");
                fs::remove(Output());
            } else {
                EXPECT_FALSE(fs::exists(Output()));
            }
        }
    }
}

TEST_F(FaultTest, ReadFailingJustAfterTheLastByteIsNoFault) {
    // The fault lies past the data: the read that meets the end of the file never reaches it.
    Faults faults;
    faults.readFailsAt = static_cast<int64_t>(input_.size()) + 1;
    const Message message = ConvertWith(faults);
    EXPECT_EQ(message.text, u"scene.inc created > blobs: 100 sweeps: 100");
    EXPECT_EQ(ReadBytes(Output()), include_);
}

// A read fault under compressed data is told as the fault it is, not as damaged data; with the
// fault past the data, the compressed export gives the very include of the plain one.
TEST_F(FaultTest, ReadThatFailsUnderCompressedDataIsReportedWithItsCause) {
    input_ = test::GzipMember(input_);
    WriteBytes(Input(), input_);
    const auto size = static_cast<int64_t>(input_.size());
    for (const int64_t at : {int64_t{0}, int64_t{1}, int64_t{2}, size / 2, size - 1}) {
        SCOPED_TRACE(at);
        Faults faults;
        faults.readFailsAt = at;
        ExpectTruthfulFailure(ConvertWith(faults), NotReadToTheEnd);
        EXPECT_FALSE(fs::exists(Output()));
    }
    Faults pastTheData;
    pastTheData.readFailsAt = size + 1;
    EXPECT_EQ(ConvertWith(pastTheData).text, u"scene.inc created > blobs: 100 sweeps: 100");
    EXPECT_EQ(ReadBytes(Output()), include_);
}

TEST_F(FaultTest, WriteThatFailsOrFallsShortIsReportedAndKeepsOnlyWhatCameBefore) {
    const auto last = static_cast<int64_t>(include_.size()) - 1;
    for (const WriteFault kind : {WriteFault::Fails, WriteFault::FallsShort}) {
        for (const int64_t at : {int64_t{0}, int64_t{1}, int64_t{4095}, int64_t{4096},
                                 int64_t{4097}, int64_t{10000}, last}) {
            SCOPED_TRACE(testing::Message()
                         << "short " << (kind == WriteFault::FallsShort) << " at " << at);
            Faults faults;
            faults.writeFailsAt = at;
            faults.writeFault = kind;
            ExpectTruthfulFailure(ConvertWith(faults), Incomplete);
            // Nothing after the gap: the file holds a beginning of the include, never more.
            const std::string written = ReadBytes(Output());
            EXPECT_LE(static_cast<int64_t>(written.size()), at);
            EXPECT_EQ(include_.substr(0, written.size()), written);
            if (kind == WriteFault::FallsShort) {
                EXPECT_EQ(static_cast<int64_t>(written.size()), at);
            }
        }
    }
}

TEST_F(FaultTest, CloseThatFailsIsReported) {
    Faults output;
    output.closeFault = CloseFault::Output;
    ExpectTruthfulFailure(ConvertWith(output), Incomplete);

    fs::remove(Output());
    Faults input;
    input.closeFault = CloseFault::Input;
    ExpectTruthfulFailure(ConvertWith(input), NotReadToTheEnd);
    EXPECT_FALSE(fs::exists(Output()));
}

TEST_F(FaultTest, RefusedOpenOrCreateIsReported) {
    Faults open;
    open.openFails = true;
    ExpectTruthfulFailure(ConvertWith(open), u"scene.x3d could not be opened");
    EXPECT_FALSE(fs::exists(Output()));

    Faults create;
    create.createFails = true;
    ExpectTruthfulFailure(ConvertWith(create), u"scene.inc could not be written");
    EXPECT_FALSE(fs::exists(Output()));
}

}  // namespace
}  // namespace vex
