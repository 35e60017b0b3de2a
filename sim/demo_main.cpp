// A first look at the simulated instrument: asks it for its information block over the link and lists its
// reports.
#include <cstdio>

#include "download/protocol.h"
#include "link/link.h"
#include "sim/sim_driver.h"

int main() {
    SimInstrument instrument;
    instrument.SetReports(SampleReports());
    VirtualClock clock;
    SimDriver driver(instrument, clock);
    InstallDriver(&driver);
    InstallClock(&clock);

    if (LinkOpen() != 0) {
        std::fprintf(stderr, "cannot open the simulated instrument\n");
        return 1;
    }
    std::uint8_t block[INFO_BLOCK_SIZE];
    LinkSendText(CMD_GET_INFO, COMMAND_LENGTH);
    if (LinkReadBlock(block, INFO_BLOCK_SIZE, INFO_BLOCK_TIMEOUT_MS) < 0) {
        std::fprintf(stderr, "no information block\n");
        LinkClose();
        return 1;
    }
    LinkClose();
    unsigned count = block[REPORT_COUNT_OFFSET] | static_cast<unsigned>(block[REPORT_COUNT_OFFSET + 1]) << 8;
    std::printf("%.40s\n%u reports:\n", reinterpret_cast<const char*>(block), count);
    for (const SimReport& report : instrument.Reports()) {
        std::printf("  %s (%zu bytes)\n", report.name.c_str(), report.text.size());
    }
    return 0;
}
