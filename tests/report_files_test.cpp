// Report file names from the instrument's names, byte-exact chunks, and the report folder made ready.
#include "download/report_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "download/protocol.h"
#include "platform/posix/posix_directories.h"
#include "shared_state.h"
#include "temp_folder.h"

namespace {

std::string FileName(const std::string& received, unsigned reportNumber) {
    char name[REPORT_NAME_BUFFER_SIZE] = {};
    std::memcpy(name, received.data(), received.size());
    SanitizeReportName(name);
    MakeReportFileName(name, reportNumber);
    return name;
}

struct NameCase {
    std::string received;
    unsigned number;
    std::string expected;
};

TEST(ReportFileName, FromTheReceivedNameAndTheNumber) {
    const NameCase cases[] = {
        {"ABC 12", 3, "ABC 12-R003.TXT"},
        {"A.B/C", 7, "A_B_C-R007.TXT"},
        {"DEV;X=1", 12, "DEV;X=1-R012.TXT"},
        {"", 1, "-R001.TXT"},
        {"X", 999, "X-R999.TXT"},
        {"X", 1000, "X-R1000.TXT"},
        {"X", 1024, "X-R1024.TXT"},
        {"X", 65535, "X-R65535.TXT"},
        {"\"*./:<>?\\|", 1, "__________-R001.TXT"},
        {"..", 1, "__-R001.TXT"},
        {"C:\\WINDOWS\\x", 1, "C__WINDOWS_x-R001.TXT"},
        {"!#$%&'()+,-=@[]^`{}~ ;", 1, "!#$%&'()+,-=@[]^`{}~ ;-R001.TXT"},
        {"\x01\x1f\x7f\x80\xff", 2, "\x01\x1f\x7f\x80\xff-R002.TXT"},
    };
    for (const NameCase& c : cases) {
        EXPECT_EQ(FileName(c.received, c.number), c.expected) << "name \"" << c.received << "\"";
    }
}

TEST(ReportFileName, ALongestNameWithTheLongestNumberFitsItsBuffer) {
    std::string name = FileName(std::string(32, 'N'), 65535);
    EXPECT_EQ(name.size(), 43u);
    EXPECT_LT(name.size(), REPORT_NAME_BUFFER_SIZE);
}

class ReportFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(chdir(temp.Path().c_str()), 0);
        InstallDirectories(&directories);
    }
    std::string WriteChunks(std::initializer_list<std::string> chunks) {
        ReportFile* file = OpenReportFile("R-R001.TXT");
        EXPECT_NE(file, nullptr);
        for (const std::string& chunk : chunks) {
            unsigned char buffer[CHUNK_MAX] = {};
            std::memcpy(buffer, chunk.data(), std::min<std::size_t>(chunk.size(), CHUNK_MAX));
            EXPECT_EQ(WriteReportChunk(file, buffer), 1);
        }
        EXPECT_EQ(CloseReportFile(file), 1);
        return TempFolder::Read(temp.Path() / "R-R001.TXT");
    }

    TempFolder temp;
    PosixDirectories directories;
};

TEST_F(ReportFileTest, ChunksAreWrittenByteForByte) {
    EXPECT_EQ(WriteChunks({"line\r\nlone lf\n", "", "\f after the form feed"}),
              "line\r\nlone lf\n\f after the form feed");
    EXPECT_EQ(WriteChunks({std::string(CHUNK_MAX, 'z')}), std::string(CHUNK_MAX, 'z'))
        << "a chunk without a zero is written whole";
    EXPECT_EQ(WriteChunks({std::string("ab\0cd", 5)}), "ab") << "nothing after a chunk's zero";
    EXPECT_EQ(TempFolder::Files(temp.Path()).size(), 1u) << "no temporary file is left behind";
}

TEST_F(ReportFileTest, AFileThatExistsIsReplacedOnlyByACompleteReport) {
    TempFolder::Write(temp.Path() / "R-R001.TXT", "earlier");
    ReportFile* file = OpenReportFile("R-R001.TXT");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(TempFolder::Read(temp.Path() / "R-R001.TXT"), "earlier")
        << "untouched while the report arrives";
    CloseCutReportFile(file);
    EXPECT_EQ(TempFolder::Files(temp.Path()),
              (std::map<std::string, std::string>{{"R-R001.TXT", "earlier"}}));
    EXPECT_EQ(WriteChunks({"new\f"}), "new\f");
}

TEST_F(ReportFileTest, ACutShortReportWithoutAnEarlierFileStaysUnderItsName) {
    ReportFile* file = OpenReportFile("R-R001.TXT");
    ASSERT_NE(file, nullptr);
    unsigned char chunk[CHUNK_MAX] = {'p', 'a', 'r', 't'};
    WriteReportChunk(file, chunk);
    CloseCutReportFile(file);
    EXPECT_EQ(TempFolder::Files(temp.Path()), (std::map<std::string, std::string>{{"R-R001.TXT", "part"}}));
}

class PrepareFolderTest : public ::testing::Test {
  protected:
    void Prepare(const std::string& folder) {
        std::snprintf(reportFolder, sizeof reportFolder, "%s", folder.c_str());
    }
    static std::filesystem::path Current() { return std::filesystem::current_path(); }

    TempFolder temp;
};

TEST_F(PrepareFolderTest, CreatesEveryLevelAndMakesItCurrent) {
    PosixDirectories directories;
    InstallDirectories(&directories);
    Prepare((temp.Path() / "a/b/c").string());
    EXPECT_EQ(PrepareReportFolder(), 1);
    EXPECT_EQ(Current(), temp.Path() / "a/b/c");
    EXPECT_EQ(PrepareReportFolder(), 1) << "an existing folder is fine";
    Prepare((temp.Path() / "a/b/c/").string());
    EXPECT_EQ(PrepareReportFolder(), 1) << "a trailing slash is fine";
}

TEST_F(PrepareFolderTest, FailsWhereAFolderCannotBe) {
    PosixDirectories directories;
    InstallDirectories(&directories);
    TempFolder::Write(temp.Path() / "file", "x");
    const std::string unusable[] = {(temp.Path() / "file").string(), (temp.Path() / "file/sub").string(), ""};
    for (const std::string& folder : unusable) {
        Prepare(folder);
        EXPECT_EQ(PrepareReportFolder(), 0) << "\"" << folder << "\"";
    }
}

TEST_F(PrepareFolderTest, ARelativeFolderIsResolvedAgainstTheStartDirectory) {
    ASSERT_EQ(chdir(temp.Path().c_str()), 0);
    PosixDirectories directories;
    InstallDirectories(&directories);
    Prepare("reports");
    ASSERT_EQ(PrepareReportFolder(), 1);
    ASSERT_EQ(PrepareReportFolder(), 1);
    EXPECT_EQ(Current(), temp.Path() / "reports");
}

}  // namespace
