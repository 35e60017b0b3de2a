// The simulated instrument follows the exchange and misbehaves exactly as its fault plan says.
#include "sim/instrument.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "download/protocol.h"
#include "link/link.h"
#include "sim/byte_trace.h"
#include "sim/sim_driver.h"

namespace {

class InstrumentTest : public ::testing::Test {
  protected:
    void SetUp() override {
        instrument.SetReports({{"ABC 12", "line 1\r\nline 2\r\n\f"}, {"B", "second\f"}});
        instrument.SetChunkSize(8);
        InstallDriver(&driver);
        InstallClock(&clock);
    }
    void Open() { ASSERT_EQ(LinkOpen(), 0); }
    void Send(const char* command) { LinkSendText(command, COMMAND_LENGTH); }
    // Reads bytes up to and including a zero, each within `limit`; "<timeout>" when one does not come.
    std::string ReadToZero(unsigned limit = 500) {
        std::string bytes;
        for (;;) {
            int byte = LinkReadByte(limit);
            if (byte < 0) {
                return bytes + "<timeout>";
            }
            bytes += static_cast<char>(byte);
            if (byte == 0) {
                return bytes;
            }
        }
    }
    int ReportCount() {
        std::uint8_t block[INFO_BLOCK_SIZE];
        Send(CMD_GET_INFO);
        if (LinkReadBlock(block, INFO_BLOCK_SIZE, INFO_BLOCK_TIMEOUT_MS) < 0) {
            return -1;
        }
        return block[REPORT_COUNT_OFFSET] | block[REPORT_COUNT_OFFSET + 1] << 8;
    }

    SimInstrument instrument;
    VirtualClock clock;
    SimDriver driver{instrument, clock};
};

TEST_F(InstrumentTest, PlaysTheWholeExchange) {
    Open();
    EXPECT_EQ(ReportCount(), 2);
    Send(CMD_DOWNLOAD);
    EXPECT_EQ(ReadToZero(), std::string("\x03"
                                        "ABC 12\0",
                                        8));
    LinkSendByte(NEXT_CHUNK);
    EXPECT_EQ(ReadToZero(), std::string("line 1\r\n\0", 9));
    LinkSendByte(NEXT_CHUNK);
    EXPECT_EQ(ReadToZero(), std::string("line 2\r\n\0", 9));
    LinkSendByte(NEXT_CHUNK);
    EXPECT_EQ(ReadToZero(), std::string("\f\0", 2)) << "the form feed comes in the last chunk";
    LinkSendByte(NEXT_CHUNK);  // acknowledges the report
    EXPECT_EQ(ReadToZero(), std::string("\x03"
                                        "B\0",
                                        3));
    LinkSendByte(NEXT_CHUNK);
    EXPECT_EQ(ReadToZero(), std::string("second\f\0", 8));
    LinkSendByte(NEXT_CHUNK);
    EXPECT_EQ(LinkReadByte(800), LINK_TIMEOUT) << "nothing follows the last acknowledgement";
    Send(CMD_ERASE);
    EXPECT_EQ(LinkReadByte(800), ERASE_ACK);
    EXPECT_EQ(LinkReadByte(50), '\r');
    EXPECT_TRUE(instrument.Erased());
    EXPECT_EQ(ReportCount(), 0);
}

TEST_F(InstrumentTest, AbortByteStopsIt) {
    Open();
    ReportCount();
    Send(CMD_DOWNLOAD);
    ReadToZero();
    LinkSendByte(ABORT_BYTE);
    EXPECT_EQ(LinkReadByte(800), LINK_TIMEOUT);
    EXPECT_TRUE(instrument.Aborted());
    EXPECT_EQ(ReportCount(), 2) << "after an abort it takes commands again";
}

TEST_F(InstrumentTest, ACommandAfterStrayBytesIsStillHeard) {
    Open();
    LinkSendByte(NEXT_CHUNK);  // a late acknowledgement, after the instrument thought the report was done
    EXPECT_EQ(ReportCount(), 2);
    LinkSendText("XYZ", 3);
    EXPECT_EQ(ReportCount(), 2);
}

TEST_F(InstrumentTest, PacingSpreadsTheBytesOverTime) {
    instrument.SetPace(960);  // 9600 baud
    Open();
    std::uint32_t start = clock.Now();
    EXPECT_EQ(ReportCount(), 2);
    EXPECT_NEAR(clock.Now() - start, 264 * 1000 / 960, 2);
    instrument.SetPace(480);  // too slow for the 500 ms limit of the information block
    EXPECT_EQ(ReportCount(), -1);
}

TEST_F(InstrumentTest, UnpluggedAtByteNFailsTheDriver) {
    FaultPlan faults;
    faults.failAtByte = 264 + 3;
    instrument.SetFaults(faults);
    Open();
    ReportCount();
    Send(CMD_DOWNLOAD);
    EXPECT_EQ(LinkReadByte(800), REPORT_START);
    EXPECT_EQ(LinkReadByte(500), 'A');
    EXPECT_EQ(LinkReadByte(500), 'B');
    EXPECT_EQ(LinkReadByte(500), LINK_FAILED);
    EXPECT_EQ(LinkQueuedBytes(), -1);
}

// One row per fault: the plan, and what the host sees of the exchange up to the first report's first chunk.
struct FaultCase {
    const char* name;
    FaultPlan faults;
    std::size_t chunkSize;
    std::vector<SimReport> reports;
    int expectedCount;          // from the information block; -1 when it does not come whole in time
    std::string expectedStart;  // bytes before and including the name's zero
    std::string expectedChunk;  // the first chunk as read, up to its zero
};

void PrintTo(const FaultCase& row, std::ostream* out) {
    *out << row.name;
}

FaultPlan With(void (*change)(FaultPlan&)) {
    FaultPlan plan;
    change(plan);
    return plan;
}

class FaultTest : public InstrumentTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FaultTest, DoesWhatThePlanSays) {
    const FaultCase& c = GetParam();
    instrument.SetFaults(c.faults);
    instrument.SetChunkSize(c.chunkSize);
    if (!c.reports.empty()) {
        instrument.SetReports(c.reports);
    }
    Open();
    int count = ReportCount();
    EXPECT_EQ(count, c.expectedCount);
    if (count < 0) {
        return;
    }
    Send(CMD_DOWNLOAD);
    EXPECT_EQ(ReadToZero(800), c.expectedStart);
    LinkSendByte(NEXT_CHUNK);
    EXPECT_EQ(ReadToZero(), c.expectedChunk);
}

const std::string kLongName(40, 'N');
const std::string kLongText(3000, 't');

INSTANTIATE_TEST_SUITE_P(
    Sim, FaultTest,
    ::testing::Values(
        FaultCase{"None",
                  {},
                  8,
                  {},
                  2,
                  std::string("\x03"
                              "ABC 12\0",
                              8),
                  std::string("line 1\r\n\0", 9)},
        FaultCase{"SilentAfterName",
                  With([](FaultPlan& f) { f.silentFromByte = 264 + 8; }),
                  8,
                  {},
                  2,
                  std::string("\x03"
                              "ABC 12\0",
                              8),
                  "<timeout>"},
        FaultCase{"JunkBeforeStart",
                  With([](FaultPlan& f) { f.junkBeforeStart = "zz"; }),
                  8,
                  {},
                  2,
                  std::string("zz\x03"
                              "ABC 12\0",
                              10),
                  std::string("line 1\r\n\0", 9)},
        FaultCase{"ShortInfoBlock", With([](FaultPlan& f) { f.infoBlockSize = 263; }), 8, {}, -1, "", ""},
        FaultCase{"LongInfoBlock",
                  With([](FaultPlan& f) { f.infoBlockSize = 266; }),
                  8,
                  {},
                  2,
                  std::string("~~\x03"
                              "ABC 12\0",
                              10),
                  std::string("line 1\r\n\0", 9)},
        FaultCase{"AnnouncedCount",
                  With([](FaultPlan& f) { f.announcedCount = 65535; }),
                  8,
                  {},
                  65535,
                  std::string("\x03"
                              "ABC 12\0",
                              8),
                  std::string("line 1\r\n\0", 9)},
        FaultCase{"OverLongName",
                  {},
                  8,
                  {{kLongName, "x\f"}},
                  1,
                  "\x03" + kLongName + std::string(1, '\0'),
                  std::string("x\f\0", 3)},
        FaultCase{"OverLongChunk",
                  {},
                  3001,
                  {{"L", kLongText + "\f"}},
                  1,
                  std::string("\x03L\0", 3),
                  kLongText + "\f" + std::string(1, '\0')},
        FaultCase{"PauseLongerThanTheLimit",
                  With([](FaultPlan& f) {
                      f.pauseBeforeByte = 264 + 8 + 2;
                      f.pauseMs = 600;
                  }),
                  8,
                  {},
                  2,
                  std::string("\x03"
                              "ABC 12\0",
                              8),
                  "li<timeout>"},
        FaultCase{"PauseWithinTheLimit",
                  With([](FaultPlan& f) {
                      f.pauseBeforeByte = 264 + 8 + 2;
                      f.pauseMs = 450;
                  }),
                  8,
                  {},
                  2,
                  std::string("\x03"
                              "ABC 12\0",
                              8),
                  std::string("line 1\r\n\0", 9)}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(InstrumentTest, WrongEraseReply) {
    FaultPlan faults;
    faults.eraseReply = "?";
    instrument.SetFaults(faults);
    Open();
    Send(CMD_ERASE);
    EXPECT_EQ(LinkReadByte(800), '?');
    EXPECT_FALSE(instrument.Erased());
    EXPECT_EQ(instrument.Reports().size(), 2u);
}

TEST(SampleReports, LookLikeTheInstrumentsReports) {
    for (const SimReport& report : SampleReports()) {
        EXPECT_LE(report.name.size(), 31u);
        EXPECT_EQ(report.text.back(), '\f');
        EXPECT_NE(report.text.find("\r\n"), std::string::npos);
        EXPECT_EQ(report.text.find('\0'), std::string::npos);
    }
    std::vector<SimReport> generated = GeneratedReports(3, 5000);
    ASSERT_EQ(generated.size(), 3u);
    EXPECT_EQ(generated[2].text.size(), 5000u);
    EXPECT_EQ(generated[2].text.back(), '\f');
}

}  // namespace

namespace {

TEST(ByteTrace, TheHostBytesOfATraceAreTheBytesWrittenIntoIt) {
    const std::string sent("GESI\r\x00\xff", 7);
    EXPECT_EQ(HexBytes(sent.data(), sent.size()), " 47 45 53 49 0D 00 FF");
    const std::string trace =
        "host" + HexBytes(sent.data(), 5) + "\nclosed\nhost" + HexBytes(sent.data() + 5, 2) + "\n";
    EXPECT_EQ(HostBytesInTrace(trace), sent);
}

}  // namespace
