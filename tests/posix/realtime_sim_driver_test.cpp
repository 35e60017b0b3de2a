// The real-time simulated driver, on a clock the test controls: it sleeps exactly until the awaited bytes are
// due, and for the whole time when none are coming.
#include "sim/realtime_sim_driver.h"

#include <gtest/gtest.h>

#include <numeric>

#include "download/protocol.h"
#include "link/link.h"

namespace {

class RealtimeSimDriverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        instrument.SetReports({{"R1", "report text\r\n\f"}});
        InstallDriver(&driver);
        InstallClock(&clock);
        ASSERT_EQ(LinkOpen(), 0);
    }
    void TearDown() override { LinkClose(); }
    std::uint32_t Slept() const { return std::accumulate(clock.sleeps.begin(), clock.sleeps.end(), 0u); }

    SimInstrument instrument;
    VirtualClock clock{5000};
    RealtimeSimDriver driver{instrument, clock};
};

TEST_F(RealtimeSimDriverTest, SleepsUntilThePacedBytesAreDue) {
    instrument.SetPace(1000);  // a byte a millisecond
    LinkSendText(CMD_GET_INFO, COMMAND_LENGTH);
    std::uint8_t block[INFO_BLOCK_SIZE];
    EXPECT_EQ(LinkReadBlock(block, INFO_BLOCK_SIZE, INFO_BLOCK_TIMEOUT_MS),
              static_cast<int>(INFO_BLOCK_SIZE));
    EXPECT_EQ(clock.sleeps.size(), 1u) << "one sleep, straight to the last byte";
    EXPECT_EQ(Slept(), INFO_BLOCK_SIZE);
    EXPECT_EQ(block[REPORT_COUNT_OFFSET], 1);
}

TEST_F(RealtimeSimDriverTest, UnpacedBytesNeedNoSleep) {
    LinkSendText(CMD_GET_INFO, COMMAND_LENGTH);
    std::uint8_t block[INFO_BLOCK_SIZE];
    EXPECT_EQ(LinkReadBlock(block, INFO_BLOCK_SIZE, INFO_BLOCK_TIMEOUT_MS),
              static_cast<int>(INFO_BLOCK_SIZE));
    EXPECT_EQ(Slept(), 0u);
}

TEST_F(RealtimeSimDriverTest, SleepsTheWholeLimitWhenNothingIsComing) {
    EXPECT_EQ(LinkReadByte(50), LINK_TIMEOUT);
    EXPECT_EQ(Slept(), 51u) << "the limit has passed once more than 50 ms have";
}

TEST_F(RealtimeSimDriverTest, TimePassingOutsideTheDriverCounts) {
    instrument.SetPace(100);  // a byte every 10 ms
    LinkSendText(CMD_GET_INFO, COMMAND_LENGTH);
    clock.Advance(25);  // the host was busy elsewhere: two bytes have come meanwhile
    EXPECT_EQ(LinkQueuedBytes(), 2);
}

}  // namespace
