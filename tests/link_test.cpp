// The link operations' results and time-limit rules, over a driver whose queue the test fills by hand.
#include "link/link.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <optional>
#include <vector>

#include "sim/virtual_clock.h"

namespace {

// A driver whose receive queue and failures the test controls; it records every write.
class ScriptedDriver : public Driver {
  public:
    DriverStatus Open(int deviceNumber, DeviceHandle* handle) override {
        openedDevice = deviceNumber;
        if (openStatus == DRIVER_OK) {
            *handle = this;
            open = true;
        }
        return openStatus;
    }
    DriverStatus Close(DeviceHandle) override {
        open = false;
        return DRIVER_OK;
    }
    DriverStatus Write(DeviceHandle, const void* source, std::uint32_t length,
                       std::uint32_t* written) override {
        const auto* bytes = static_cast<const std::uint8_t*>(source);
        writes.emplace_back(bytes, bytes + length);
        *written = length;
        return writeStatus;
    }
    DriverStatus Read(DeviceHandle, void* destination, std::uint32_t length,
                      std::uint32_t* returned) override {
        ++reads;
        if (readStatus != DRIVER_OK) {
            return readStatus;
        }
        auto* out = static_cast<std::uint8_t*>(destination);
        std::uint32_t count = 0;
        for (; count < length && !queue.empty(); ++count) {
            out[count] = queue.front();
            queue.pop_front();
        }
        *returned = count;
        return DRIVER_OK;
    }
    DriverStatus GetQueueStatus(DeviceHandle, std::uint32_t* queued) override {
        ++queueChecks;
        if (clock != nullptr && arrivalTick.has_value() &&
            static_cast<std::int32_t>(clock->Now() - *arrivalTick) >= 0) {
            queue.insert(queue.end(), arriving.begin(), arriving.end());
            arriving.clear();
            arrivalTick.reset();
        }
        *queued = static_cast<std::uint32_t>(queue.size());
        return queueStatus;
    }
    bool WaitForBytes(DeviceHandle, std::uint32_t, std::uint32_t milliseconds) override {
        waits.push_back(milliseconds);
        if (!canWait) {
            return false;
        }
        clock->Advance(milliseconds);
        return true;
    }

    std::deque<std::uint8_t> queue;
    std::vector<std::uint8_t> arriving;  // joins the queue once the clock reaches arrivalTick
    std::optional<std::uint32_t> arrivalTick;
    DriverStatus openStatus = DRIVER_OK;
    DriverStatus writeStatus = DRIVER_OK;
    DriverStatus readStatus = DRIVER_OK;
    DriverStatus queueStatus = DRIVER_OK;
    bool canWait = false;
    bool open = false;
    int openedDevice = -1;
    int reads = 0;
    int queueChecks = 0;
    std::vector<std::vector<std::uint8_t>> writes;
    std::vector<std::uint32_t> waits;
    VirtualClock* clock = nullptr;
};

class LinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        driver.clock = &clock;
        clock.stepPerReading = 1;  // a spinning wait reads the clock once per poll
        InstallDriver(&driver);
        InstallClock(&clock);
        ASSERT_EQ(LinkOpen(), 0);
    }
    void Queue(std::initializer_list<std::uint8_t> bytes) { driver.queue.insert(driver.queue.end(), bytes); }
    void QueueCount(std::size_t count, std::uint8_t value) {
        driver.queue.insert(driver.queue.end(), count, value);
    }

    ScriptedDriver driver;
    VirtualClock clock{1000};
};

TEST_F(LinkTest, OpenUsesDeviceZeroAndFailedOpenIsMinusOne) {
    EXPECT_EQ(driver.openedDevice, 0);
    ScriptedDriver refusing;
    refusing.openStatus = 2;
    InstallDriver(&refusing);
    EXPECT_EQ(LinkOpen(), -1);
    EXPECT_FALSE(refusing.open);
}

TEST_F(LinkTest, SendByteSendsTheLowEightBits) {
    EXPECT_EQ(LinkSendByte(0x143), 1);
    ASSERT_EQ(driver.writes.size(), 1u);
    EXPECT_EQ(driver.writes[0], std::vector<std::uint8_t>{0x43});
    driver.writeStatus = DRIVER_IO_ERROR;
    EXPECT_EQ(LinkSendByte('X'), 0);
}

TEST_F(LinkTest, SendTextOfNothingMakesNoDriverCall) {
    EXPECT_EQ(LinkSendText("GESI\r", 0), 0);
    EXPECT_TRUE(driver.writes.empty());
}

TEST_F(LinkTest, SendTextIsCutTo1024BytesInOneWrite) {
    std::vector<std::uint8_t> text(1500);
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<std::uint8_t>(i);
    }
    EXPECT_EQ(LinkSendText(text.data(), 1500), 1024);
    ASSERT_EQ(driver.writes.size(), 1u);
    EXPECT_EQ(driver.writes[0], std::vector<std::uint8_t>(text.begin(), text.begin() + 1024));
    EXPECT_EQ(std::memcmp(sendStaging, text.data(), 1024), 0);
    driver.writeStatus = DRIVER_IO_ERROR;
    EXPECT_EQ(LinkSendText("GESI\r", 5), 0);
}

TEST_F(LinkTest, QueuedBytesReportsFailureAsMinusOne) {
    QueueCount(7, 'a');
    EXPECT_EQ(LinkQueuedBytes(), 7);
    driver.queueStatus = DRIVER_IO_ERROR;
    EXPECT_EQ(LinkQueuedBytes(), -1);
}

TEST_F(LinkTest, PollByte) {
    EXPECT_EQ(LinkPollByte(), LINK_TIMEOUT);
    EXPECT_EQ(driver.reads, 0) << "nothing is read when nothing is queued";
    Queue({0x00, 0xFF});
    EXPECT_EQ(LinkPollByte(), 0) << "a received zero is a byte, not a failure";
    EXPECT_EQ(LinkPollByte(), 0xFF);
    Queue({1});
    driver.readStatus = DRIVER_IO_ERROR;
    EXPECT_EQ(LinkPollByte(), LINK_FAILED);
    driver.queueStatus = DRIVER_IO_ERROR;
    EXPECT_EQ(LinkPollByte(), LINK_FAILED);
}

// Each row: what is queued when, the limit, and what LinkReadByte must give and how long it may take.
struct ReadByteCase {
    const char* name;
    std::vector<std::uint8_t> queued;  // there from the start
    std::uint32_t arrivesAfter;        // ms after the call starts that `arriving` joins the queue
    std::vector<std::uint8_t> arriving;
    unsigned limit;
    bool canWait;
    int expected;
    std::uint32_t minElapsed;  // time that must have passed when it returns
    std::uint32_t maxElapsed;
};

void PrintTo(const ReadByteCase& row, std::ostream* out) {
    *out << row.name;
}

class ReadByteTest : public LinkTest, public ::testing::WithParamInterface<ReadByteCase> {};

TEST_P(ReadByteTest, FollowsTheTimeLimitRules) {
    const ReadByteCase& c = GetParam();
    driver.queue.assign(c.queued.begin(), c.queued.end());
    driver.canWait = c.canWait;
    std::uint32_t start = clock.Now();
    if (!c.arriving.empty()) {
        driver.arriving = c.arriving;
        driver.arrivalTick = start + c.arrivesAfter;
    }
    EXPECT_EQ(LinkReadByte(c.limit), c.expected);
    std::uint32_t elapsed = clock.Now() - start;
    EXPECT_GE(elapsed, c.minElapsed);
    EXPECT_LE(elapsed, c.maxElapsed);
}

INSTANTIATE_TEST_SUITE_P(
    Link, ReadByteTest,
    ::testing::Values(ReadByteCase{"ZeroByte", {0x00}, 0, {}, 500, false, 0, 0, 2},
                      ReadByteCase{"QueuedByteWithLimitZero", {0x41}, 0, {}, 0, false, 0x41, 0, 2},
                      ReadByteCase{"NothingSpinning", {}, 0, {}, 500, false, LINK_TIMEOUT, 501, 503},
                      ReadByteCase{"NothingWaiting", {}, 0, {}, 500, true, LINK_TIMEOUT, 501, 503},
                      ReadByteCase{"ArrivesInTimeSpinning", {}, 300, {0x03}, 500, false, 0x03, 300, 302},
                      ReadByteCase{"ArrivesAtTheLimitIsTaken", {}, 500, {0x03}, 500, false, 0x03, 500, 502},
                      ReadByteCase{"ArrivesTooLate", {}, 900, {0x03}, 500, false, LINK_TIMEOUT, 501, 503}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(LinkTest, ReadByteWaitsInTheDriverForTheRemainingTimeOnly) {
    driver.canWait = true;
    clock.stepPerReading = 0;
    EXPECT_EQ(LinkReadByte(500), LINK_TIMEOUT);
    ASSERT_EQ(driver.waits.size(), 1u);
    EXPECT_EQ(driver.waits[0], 501u) << "one wait to the first moment the limit counts as passed";
}

TEST_F(LinkTest, ReadByteFailsAtOnceWhenTheQueueCannotBeRead) {
    driver.queueStatus = DRIVER_IO_ERROR;
    std::uint32_t start = clock.Now();
    EXPECT_EQ(LinkReadByte(500), LINK_FAILED);
    EXPECT_LT(clock.Now() - start, 5u);
}

TEST_F(LinkTest, ReadByteMeasuresAcrossATickWrap) {
    VirtualClock wrapping(0xFFFFFF00u);
    wrapping.stepPerReading = 1;
    driver.clock = &wrapping;
    InstallClock(&wrapping);
    driver.arriving = {0x2A};
    driver.arrivalTick = 0x00000010u;  // 272 ms later, after the wrap
    EXPECT_EQ(LinkReadByte(800), 0x2A);
    driver.arriving = {0x2A};
    driver.arrivalTick = 0x00000400u;  // long after the limit
    std::uint32_t start = wrapping.Now();
    EXPECT_EQ(LinkReadByte(800), LINK_TIMEOUT);
    EXPECT_EQ(wrapping.Now() - start, 802u);
}

TEST_F(LinkTest, ReadBlockNeverTakesABlockInPart) {
    QueueCount(263, 'i');
    std::uint8_t block[264];
    std::uint32_t start = clock.Now();
    EXPECT_EQ(LinkReadBlock(block, 264, 500), LINK_TIMEOUT);
    EXPECT_GT(clock.Now() - start, 500u);
    EXPECT_EQ(driver.queue.size(), 263u) << "bytes that did arrive stay queued";
    EXPECT_EQ(driver.reads, 0);
}

TEST_F(LinkTest, ReadBlockLeavesTheSurplusQueued) {
    QueueCount(300, 'i');
    std::uint8_t block[264];
    EXPECT_EQ(LinkReadBlock(block, 264, 500), 264);
    EXPECT_EQ(driver.queue.size(), 36u);
}

TEST_F(LinkTest, ReadBlockWaitsForTheWholeLength) {
    driver.canWait = true;
    clock.stepPerReading = 0;
    QueueCount(100, 'i');
    driver.arriving.assign(164, 'j');
    driver.arrivalTick = clock.Now() + 200;
    std::uint8_t block[264];
    EXPECT_EQ(LinkReadBlock(block, 264, 500), 264);
    EXPECT_EQ(block[99], 'i');
    EXPECT_EQ(block[100], 'j');
}

TEST_F(LinkTest, ReadBlockFailures) {
    std::uint8_t block[264];
    driver.queueStatus = DRIVER_IO_ERROR;
    std::uint32_t start = clock.Now();
    EXPECT_EQ(LinkReadBlock(block, 264, 500), LINK_FAILED);
    EXPECT_LT(clock.Now() - start, 5u);
    driver.queueStatus = DRIVER_OK;
    QueueCount(264, 'i');
    driver.readStatus = DRIVER_IO_ERROR;
    EXPECT_EQ(LinkReadBlock(block, 264, 500), LINK_FAILED);
}

}  // namespace
