// The string table, the status line and the message boxes.
#include "ui/alerts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fakes/fake_windowing.h"
#include "shared_state.h"
#include "ui/strings.h"

namespace {

TEST(StringTable, HoldsIdsOneToNineteenOnly) {
    EXPECT_EQ(StringTableText(0), nullptr);
    EXPECT_EQ(StringTableText(20), nullptr);
    for (int id = 1; id <= 19; ++id) {
        ASSERT_NE(StringTableText(id), nullptr) << id;
        for (const char* at = StringTableText(id); *at != '\0'; ++at) {
            EXPECT_TRUE(*at == '\n' || (*at >= 0x20 && *at < 0x7F)) << "id " << id << " is plain ASCII";
        }
    }
    EXPECT_STREQ(StringTableText(IDS_STATUS_RECEIVING), "Status: Receiving report #%u of %u...");
    EXPECT_STREQ(StringTableText(IDS_ERR_FOLDER),
                 "Report Folder not accessible\n-Check status of removable media\n-Check access permissions");
    EXPECT_STREQ(
        StringTableText(IDS_HELP_TEXT),
        "Fetchwell Version 1.1\n\nINSTRUCTIONS:\n\n1. Connect PC USB to ZT914 USB Port.\n\n"
        "2. At ZT914, select COMPUTER INTERFACE/USB MODE\n\n3. Enter folder for Test Report files.\n\n"
        "4. Press \"Download Reports\"");
}

TEST(StringTable, EveryTextFitsTheBufferItIsLoadedInto) {
    const struct {
        int id;
        int capacity;
    } uses[] = {{IDS_ERROR_CAPTION, CAPTION_SIZE},
                {IDS_HELP_CAPTION, CAPTION_SIZE},
                {IDS_ERASE_CAPTION, CAPTION_SIZE},
                {IDS_STATUS_RECEIVING, 128},
                {IDS_BROWSE_TITLE, 128}};
    for (const auto& use : uses) {
        EXPECT_LT(std::strlen(StringTableText(use.id)), static_cast<std::size_t>(use.capacity)) << use.id;
    }
    for (int id = 1; id <= 19; ++id) {
        EXPECT_LT(std::strlen(StringTableText(id)), SCRATCH_TEXT_SIZE) << id;
    }
}

TEST(StringTable, LoadingCutsToTheBufferAndAlwaysTerminates) {
    char buffer[8];
    EXPECT_EQ(LoadTableText(IDS_STATUS_IDLE, buffer, sizeof buffer), 7);
    EXPECT_STREQ(buffer, "Status:");
    EXPECT_EQ(LoadTableText(42, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
}

class AlertsTest : public ::testing::Test {
  protected:
    void SetUp() override { InstallWindowing(&windowing); }
    FakeWindowing windowing;
};

TEST_F(AlertsTest, EveryErrorBoxLeavesTheStatusLineCancelled) {
    for (int id = IDS_ERR_NOT_CONNECTED; id <= IDS_ERR_FILE; ++id) {
        windowing.texts[IDC_STATUS] = "Status: Receiving report #1 of 2...";
        ShowError(id);
        ASSERT_FALSE(windowing.boxes.empty());
        const RecordedBox& box = windowing.boxes.back();
        EXPECT_EQ(box.body, StringTableText(id));
        EXPECT_EQ(box.caption, "DOWNLOAD ERROR");
        EXPECT_EQ(box.flags, 0x10u);
        EXPECT_EQ(box.owner, windowing.Dialog());
        EXPECT_EQ(windowing.texts[IDC_STATUS], "Status: CANCELLED");
    }
}

TEST_F(AlertsTest, AnErrorWhileAnotherProgramIsActiveHasNoOwnerAndKeepsTheStatusLine) {
    windowing.active = false;
    windowing.texts[IDC_STATUS] = "Status: Receiving report #1 of 2...";
    ShowError(IDS_ERR_TIMEOUT);
    ASSERT_EQ(windowing.boxes.size(), 1u);
    EXPECT_EQ(windowing.boxes[0].owner, nullptr);
    EXPECT_EQ(windowing.texts[IDC_STATUS], "Status: Receiving report #1 of 2...");
}

TEST_F(AlertsTest, HelpHasNoIconAndLeavesTheStatusLine) {
    windowing.texts[IDC_STATUS] = "Status: DONE";
    ShowHelp();
    ASSERT_EQ(windowing.boxes.size(), 1u);
    EXPECT_EQ(windowing.boxes[0].caption, "Fetchwell HELP");
    EXPECT_EQ(windowing.boxes[0].body, StringTableText(IDS_HELP_TEXT));
    EXPECT_EQ(windowing.boxes[0].flags, 0u);
    EXPECT_EQ(windowing.texts[IDC_STATUS], "Status: DONE");
}

TEST_F(AlertsTest, SetStatusShowsTheTextOfAnId) {
    SetStatus(windowing.Dialog(), IDC_EXIT, IDS_CANCEL);
    EXPECT_EQ(windowing.texts[IDC_EXIT], "Cancel");
}

struct EraseCase {
    std::vector<int> answers;  // 0: the box could not be shown
    int result;
    std::size_t boxes;
};

TEST_F(AlertsTest, EraseOnlyAfterYesTwice) {
    const EraseCase cases[] = {
        {{IDNO}, 0, 1}, {{IDYES, IDNO}, 0, 2}, {{IDYES, IDYES}, 1, 2}, {{0}, 0, 1}, {{IDYES, 0}, 0, 2},
    };
    for (const EraseCase& c : cases) {
        windowing.boxes.clear();
        windowing.answers.assign(c.answers.begin(), c.answers.end());
        EXPECT_EQ(ConfirmErase(), c.result);
        ASSERT_EQ(windowing.boxes.size(), c.boxes);
        EXPECT_EQ(windowing.boxes[0].caption, "ERASE TEST RECORDS");
        EXPECT_EQ(windowing.boxes[0].body, "Erase Test Records in ZT914 memory?");
        EXPECT_EQ(windowing.boxes[0].flags, 0x104u) << "Yes/No, No the default, no icon";
        if (c.boxes == 2) {
            EXPECT_EQ(windowing.boxes[1].body, "Erase Test Records in ZT914 memory:\n\nAre you sure?");
            EXPECT_EQ(windowing.boxes[1].flags, 0x134u) << "Yes/No, No the default, warning icon";
        }
    }
}

}  // namespace
