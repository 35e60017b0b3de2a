// The fuzz input's layout: a fixed header, the erase reply and the junk, then the reports until the input
// ends. Numbers are little-endian; bytes past the end of the input read as zero.
#include "download_scenario.h"

#include <algorithm>
#include <string>

namespace {

constexpr std::uint16_t NEVER_16 = 0xFFFF;
constexpr unsigned INFO_BLOCK_SIZE_RANGE = 601;  // information blocks of 0 to 600 bytes

enum Flag : std::uint8_t {
    POLLING_DRIVER = 1 << 0,
    OPEN_FAILS = 1 << 1,
    QUEUE_STATUS_FAILS = 1 << 2,
    NO_ACTIVE_WINDOW = 1 << 3,
    ERASE_FIRST_YES = 1 << 4,
    ERASE_SECOND_YES = 1 << 5,
    RELATIVE_FOLDER = 1 << 6,
    EARLIER_FILES = 1 << 7,
};

class InputReader {
  public:
    InputReader(const std::uint8_t* data, std::size_t size) : at_(data), end_(data + size) {}

    bool AtEnd() const { return at_ == end_; }
    std::uint8_t U8() { return at_ < end_ ? *at_++ : 0; }
    std::uint16_t U16() {
        unsigned low = U8();
        return static_cast<std::uint16_t>(low | static_cast<unsigned>(U8()) << 8);
    }
    std::uint32_t U32() {
        std::uint32_t low = U16();
        return low | static_cast<std::uint32_t>(U16()) << 16;
    }
    std::string Bytes(std::size_t length) {
        length = std::min(length, static_cast<std::size_t>(end_ - at_));
        std::string bytes(reinterpret_cast<const char*>(at_), length);
        at_ += length;
        return bytes;
    }

  private:
    const std::uint8_t* at_;
    const std::uint8_t* end_;
};

class OutputWriter {
  public:
    void U8(unsigned value) { bytes.push_back(static_cast<std::uint8_t>(value)); }
    void U16(unsigned value) {
        U8(value & 0xFF);
        U8(value >> 8 & 0xFF);
    }
    void U32(std::uint32_t value) {
        U16(value & 0xFFFF);
        U16(value >> 16);
    }
    void Bytes(const std::string& text) { bytes.insert(bytes.end(), text.begin(), text.end()); }

    std::vector<std::uint8_t> bytes;
};

std::uint64_t Never16(std::uint16_t value) {
    return value == NEVER_16 ? FaultPlan::NEVER : value;
}
unsigned ToNever16(std::uint64_t value) {
    return value == FaultPlan::NEVER ? NEVER_16
                                     : static_cast<unsigned>(std::min<std::uint64_t>(value, 0xFFFE));
}

}  // namespace

DownloadScenario DecodeScenario(const std::uint8_t* data, std::size_t size) {
    InputReader in(data, size);
    DownloadScenario s;
    std::uint8_t flags = in.U8();
    s.pollingDriver = (flags & POLLING_DRIVER) != 0;
    s.openFails = (flags & OPEN_FAILS) != 0;
    s.queueStatusFails = (flags & QUEUE_STATUS_FAILS) != 0;
    s.noActiveWindow = (flags & NO_ACTIVE_WINDOW) != 0;
    s.eraseFirstYes = (flags & ERASE_FIRST_YES) != 0;
    s.eraseSecondYes = (flags & ERASE_SECOND_YES) != 0;
    s.relativeFolder = (flags & RELATIVE_FOLDER) != 0;
    s.earlierFiles = (flags & EARLIER_FILES) != 0;
    s.clockStart = in.U32();
    s.stepPerReading =
        std::max<std::uint32_t>(in.U8(), 1);  // a polling driver on a clock that never moves waits forever
    s.cancelAtCheck = in.U8();
    s.removeFolderAtCheck = in.U8();
    s.failSyncAt = in.U8();
    s.failRenameAt = in.U8();
    s.fileSizeLimit = in.U16();
    s.chunkSize = std::max<std::size_t>(in.U16(), 1);
    s.bytesPerSecond = in.U16();
    s.faults.silentFromByte = Never16(in.U16());
    s.faults.failAtByte = Never16(in.U16());
    s.faults.pauseBeforeByte = Never16(in.U16());
    s.faults.pauseMs = in.U16();
    s.faults.infoBlockSize = in.U16() % INFO_BLOCK_SIZE_RANGE;
    bool announced = (in.U8() & 1) != 0;
    std::uint16_t announcedCount = in.U16();
    s.faults.announcedCount = announced ? announcedCount : -1;
    s.faults.eraseReply = in.Bytes(in.U8());
    s.faults.junkBeforeStart = in.Bytes(in.U8());
    while (!in.AtEnd() && s.reports.size() < SCENARIO_REPORTS_MAX) {
        SimReport report;
        report.name = in.Bytes(in.U8());
        report.text = in.Bytes(in.U16());
        s.reports.push_back(std::move(report));
    }
    return s;
}

std::vector<std::uint8_t> EncodeScenario(const DownloadScenario& s) {
    OutputWriter out;
    out.U8((s.pollingDriver ? POLLING_DRIVER : 0) | (s.openFails ? OPEN_FAILS : 0) |
           (s.queueStatusFails ? QUEUE_STATUS_FAILS : 0) | (s.noActiveWindow ? NO_ACTIVE_WINDOW : 0) |
           (s.eraseFirstYes ? ERASE_FIRST_YES : 0) | (s.eraseSecondYes ? ERASE_SECOND_YES : 0) |
           (s.relativeFolder ? RELATIVE_FOLDER : 0) | (s.earlierFiles ? EARLIER_FILES : 0));
    out.U32(s.clockStart);
    out.U8(s.stepPerReading);
    out.U8(s.cancelAtCheck);
    out.U8(s.removeFolderAtCheck);
    out.U8(s.failSyncAt);
    out.U8(s.failRenameAt);
    out.U16(s.fileSizeLimit);
    out.U16(static_cast<unsigned>(s.chunkSize));
    out.U16(s.bytesPerSecond);
    out.U16(ToNever16(s.faults.silentFromByte));
    out.U16(ToNever16(s.faults.failAtByte));
    out.U16(ToNever16(s.faults.pauseBeforeByte));
    out.U16(s.faults.pauseMs);
    out.U16(s.faults.infoBlockSize);
    out.U8(s.faults.announcedCount >= 0 ? 1 : 0);
    out.U16(s.faults.announcedCount >= 0 ? static_cast<unsigned>(s.faults.announcedCount) : 0);
    out.U8(static_cast<unsigned>(s.faults.eraseReply.size()));
    out.Bytes(s.faults.eraseReply);
    out.U8(static_cast<unsigned>(s.faults.junkBeforeStart.size()));
    out.Bytes(s.faults.junkBeforeStart);
    for (const SimReport& report : s.reports) {
        out.U8(static_cast<unsigned>(report.name.size()));
        out.Bytes(report.name);
        out.U16(static_cast<unsigned>(report.text.size()));
        out.Bytes(report.text);
    }
    return out.bytes;
}
