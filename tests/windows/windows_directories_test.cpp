// The directories seam on Windows, on real folders: the report folder made ready, current directory, renames.
#include "platform/windows/windows_directories.h"

#include <direct.h>
#include <gtest/gtest.h>

#include <cstring>

#include "download/report_files.h"
#include "shared_state.h"
#include "windows_test_support.h"

namespace {

std::string CurrentFolder() {
    char path[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(sizeof path, path);
    std::string folder(path, length);
    return folder.back() == '\\' ? folder : folder + "\\";
}

class WindowsDirectoriesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        original_ = CurrentFolder();
        scratch_ = NewScratchFolder("directories");
        ASSERT_EQ(_chdir(scratch_.c_str()), 0);
        directories_ = std::make_unique<WindowsDirectories>();  // starts in the scratch folder
        InstallDirectories(directories_.get());
    }
    void TearDown() override {
        _chdir(original_.c_str());
        RemoveFolder(scratch_);
    }

    int Prepare(const std::string& folder) {
        std::snprintf(reportFolder, sizeof reportFolder, "%s", folder.c_str());
        return PrepareReportFolder();
    }

    std::string original_;
    std::string scratch_;
    std::unique_ptr<WindowsDirectories> directories_;
};

TEST_F(WindowsDirectoriesTest, PreparesAFolderSeveralLevelsDeepAndMakesItCurrent) {
    std::string folder = scratch_ + "site\\2026\\december";
    EXPECT_EQ(Prepare(folder), 1);
    EXPECT_TRUE(IsFolder(folder));
    EXPECT_EQ(CurrentFolder(), folder + "\\");
    // Again, now that it exists.
    EXPECT_EQ(Prepare(folder), 1);
    EXPECT_EQ(CurrentFolder(), folder + "\\");
}

TEST_F(WindowsDirectoriesTest, AFolderTextEndingInABackslashIsTheSameFolder) {
    EXPECT_EQ(Prepare(scratch_ + "reports\\"), 1);
    EXPECT_EQ(CurrentFolder(), scratch_ + "reports\\");
}

TEST_F(WindowsDirectoriesTest, RefusesAFolderThatCannotBeMade) {
    ASSERT_TRUE(WriteWholeFile(scratch_ + "taken", "a file, not a folder"));
    const std::string cases[] = {
        "",                           // nothing to make current
        scratch_ + "taken",           // a file of that name
        scratch_ + "taken\\reports",  // below a file
        scratch_ + "bad|name",        // a character no Windows file name may hold
    };
    for (const std::string& folder : cases) {
        SCOPED_TRACE(folder);
        ASSERT_EQ(_chdir(scratch_.c_str()), 0);
        EXPECT_EQ(Prepare(folder), 0);
        EXPECT_EQ(CurrentFolder(), scratch_);
    }
}

TEST_F(WindowsDirectoriesTest, ARelativeFolderAlwaysMeansThePlaceBelowTheStartFolder) {
    EXPECT_EQ(Prepare("relative"), 1);
    EXPECT_EQ(Prepare("relative"), 1);  // not relative\relative, below the first run's folder
    EXPECT_EQ(CurrentFolder(), scratch_ + "relative\\");
    EXPECT_FALSE(IsFolder(scratch_ + "relative\\relative"));
}

TEST_F(WindowsDirectoriesTest, ReturnsToTheStartFolder) {
    ASSERT_EQ(Prepare(scratch_ + "elsewhere"), 1);
    EXPECT_TRUE(directories_->ReturnToStartDirectory());
    EXPECT_EQ(CurrentFolder(), scratch_);
}

TEST_F(WindowsDirectoriesTest, RenamesReplacingOnlyWhenAskedTo) {
    ASSERT_TRUE(WriteWholeFile("new", "new bytes"));
    ASSERT_TRUE(WriteWholeFile("old", "old bytes"));
    std::string content;

    EXPECT_FALSE(directories_->RenameFile("new", "old", false));
    ASSERT_TRUE(ReadWholeFile("old", &content));
    EXPECT_EQ(content, "old bytes");
    EXPECT_TRUE(FileExists("new"));

    EXPECT_TRUE(directories_->RenameFile("new", "old", true));
    ASSERT_TRUE(ReadWholeFile("old", &content));
    EXPECT_EQ(content, "new bytes");
    EXPECT_FALSE(FileExists("new"));

    EXPECT_TRUE(directories_->RenameFile("old", "fresh", false));
    EXPECT_TRUE(FileExists("fresh"));
}

TEST_F(WindowsDirectoriesTest, SyncsAWrittenFile) {
    std::FILE* file = std::fopen("synced", "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("report text\r\n\f", file);
    ASSERT_EQ(std::fflush(file), 0);
    EXPECT_TRUE(directories_->SyncFile(file));
    std::fclose(file);
}

}  // namespace
