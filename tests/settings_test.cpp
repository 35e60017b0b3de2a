// The report folder setting over the fake store and picker.
#include "settings/report_folder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fakes/fake_setting_store.h"
#include "fakes/fake_windowing.h"
#include "shared_state.h"

namespace {

const std::string kDefault = "C:\\ZT914reports";

class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        InstallSettingStore(&store);
        InstallFolderPicker(&picker);
        InstallWindowing(&windowing);
        SetDefaultReportFolder(kDefault.c_str());
        std::strcpy(reportFolder, "left over");
    }
    static std::string Stored(const std::string& text) { return text + std::string(1, '\0'); }

    FakeSettingStore store;
    FakeFolderPicker picker;
    FakeWindowing windowing;
};

TEST_F(SettingsTest, FirstStartCreatesTheKeyWithTheDefault) {
    LoadReportFolder();
    EXPECT_EQ(std::string(reportFolder), kDefault);
    EXPECT_EQ(store.value, Stored(kDefault));
    EXPECT_EQ(store.closes, 1);
}

TEST_F(SettingsTest, LoadCases) {
    struct Case {
        const char* name;
        std::optional<std::string> stored;
        bool failOpen;
        bool failCreate;
        std::string expected;
        std::optional<std::string> storedAfter;
    };
    const std::string full(1024, 'f');
    const Case cases[] = {
        {"stored folder", Stored("/data/reports"), false, false, "/data/reports", Stored("/data/reports")},
        {"missing value gives the default and writes nothing", std::nullopt, false, false, kDefault,
         std::nullopt},
        {"empty folder stays empty", Stored(""), false, false, "", Stored("")},
        {"stored without a terminator", std::string("/x/y"), false, false, "/x/y", std::string("/x/y")},
        {"over 1024 bytes gives the default and stays stored", std::string(1025, 'o'), false, false, kDefault,
         std::string(1025, 'o')},
        {"1024 bytes without a terminator are cut to 1023", full, false, false, full.substr(0, 1023), full},
        {"key cannot be opened nor created", std::nullopt, true, true, kDefault, std::nullopt},
    };
    for (const Case& c : cases) {
        FakeSettingStore fresh;
        fresh.keyExists = !c.failOpen;
        fresh.failOpen = c.failOpen;
        fresh.failCreate = c.failCreate;
        fresh.value = c.stored;
        InstallSettingStore(&fresh);
        std::memset(reportFolder, 'z', sizeof reportFolder);
        LoadReportFolder();
        EXPECT_EQ(std::string(reportFolder), c.expected) << c.name;
        EXPECT_EQ(fresh.value, c.storedAfter) << c.name;
        EXPECT_FALSE(fresh.keyOpen) << c.name;
    }
}

TEST_F(SettingsTest, SaveStoresTheTextWithItsTerminatorOnlyIntoAnExistingKey) {
    std::strcpy(reportFolder, "/media/usb/reports");
    SaveReportFolder();
    EXPECT_EQ(store.creates, 0) << "saving never creates the key";
    EXPECT_FALSE(store.value.has_value());
    store.keyExists = true;
    SaveReportFolder();
    EXPECT_EQ(store.value, Stored("/media/usb/reports"));
    reportFolder[0] = '\0';
    SaveReportFolder();
    EXPECT_EQ(store.value, Stored(""));
    EXPECT_FALSE(store.keyOpen);
}

TEST_F(SettingsTest, BrowseTakesAChosenPathOnly) {
    EXPECT_EQ(BrowseReportFolder(), 0) << "cancelled";
    EXPECT_STREQ(reportFolder, "left over");
    EXPECT_EQ(picker.shownTitle, "Select a folder for report files...");
    EXPECT_EQ(picker.shownOwner, windowing.Dialog());

    picker.choice = "";
    EXPECT_EQ(BrowseReportFolder(), 0) << "an item without a path";
    EXPECT_STREQ(reportFolder, "left over");

    picker.choice = std::string(1100, 'p');
    EXPECT_EQ(BrowseReportFolder(), 0) << "a path longer than the folder buffer";
    EXPECT_STREQ(reportFolder, "left over");

    picker.choice = "/home/tech/reports";
    EXPECT_EQ(BrowseReportFolder(), 1);
    EXPECT_STREQ(reportFolder, "/home/tech/reports");
    EXPECT_EQ(store.writes, 0) << "saving is the dialog's business";
}

}  // namespace
