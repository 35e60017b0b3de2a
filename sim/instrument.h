// The simulated ZT914: the instrument's side of the exchange, driven by the host's bytes and the time.
// It knows nothing of drivers or clocks: whoever carries its bytes passes the current tick to every call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

struct SimReport {
    std::string name;  // sent as is; longer than 31 bytes makes an over-long name
    std::string text;  // sent as is, split into chunks; ends with a form feed on a well-behaved instrument
};

// Ways to make the instrument misbehave on purpose. Byte indexes count the bytes the instrument has sent
// (or, for failAtByte, the bytes the host has taken), from 0, over the whole session.
struct FaultPlan {
    static constexpr std::uint64_t NEVER = UINT64_MAX;

    std::uint64_t silentFromByte = NEVER;   // the instrument sends nothing from this byte on
    std::string junkBeforeStart;            // sent before every report's start byte
    unsigned infoBlockSize = 264;           // a short or long information block
    long announcedCount = -1;               // the count in the information block; -1: the reports held
    std::string eraseReply = "*\r";         // the answer to the erase command ("" for none)
    std::uint64_t pauseBeforeByte = NEVER;  // a pause of pauseMs before this byte
    std::uint32_t pauseMs = 0;
    std::uint64_t failAtByte = NEVER;  // unplugged once the host has taken this many bytes
};

class SimInstrument {
  public:
    SimInstrument();

    void SetReports(std::vector<SimReport> reports) { reports_ = std::move(reports); }
    void SetChunkSize(std::size_t bytes) {
        chunkSize_ = bytes == 0 ? 1 : bytes;
    }  // over 2048: over-long chunks
    void SetFaults(const FaultPlan& faults) { faults_ = faults; }
    void SetPace(std::uint32_t bytesPerSecond) { bytesPerSecond_ = bytesPerSecond; }

    // The host's bytes, in order.
    void Receive(const std::uint8_t* bytes, std::size_t length, std::uint32_t tick);
    // Bytes whose time has come and that the host has not taken yet.
    std::size_t Available(std::uint32_t tick);
    std::size_t Take(std::uint8_t* destination, std::size_t length, std::uint32_t tick);
    // Milliseconds until `wanted` bytes are available; false when they are not on their way at all.
    bool MillisecondsUntil(std::size_t wanted, std::uint32_t tick, std::uint32_t* milliseconds);
    // True once the host has taken failAtByte bytes: the cable is out.
    bool Unplugged() const { return taken_ >= faults_.failAtByte; }

    const std::vector<std::uint8_t>& HostBytes() const { return hostBytes_; }
    const std::vector<SimReport>& Reports() const { return reports_; }
    bool Erased() const { return erased_; }
    bool Aborted() const { return aborted_; }
    std::uint64_t BytesSent() const { return sent_; }

  private:
    enum class State { Command, Report };

    void Advance(std::uint32_t tick);
    void Queue(const void* bytes, std::size_t length);
    void OnCommand();
    void StartReport();
    void OnReportByte(std::uint8_t byte);

    struct Pending {
        std::uint8_t byte;
        std::uint64_t readyMicros;
    };

    std::vector<SimReport> reports_;
    std::size_t chunkSize_ = 512;
    FaultPlan faults_;
    std::uint32_t bytesPerSecond_ = 0;

    State state_ = State::Command;
    std::string command_;
    std::size_t reportIndex_ = 0;
    std::size_t textOffset_ = 0;

    std::deque<Pending> outbound_;
    std::uint64_t sent_ = 0;   // bytes queued for the host so far, silenced ones included
    std::uint64_t taken_ = 0;  // bytes the host has taken
    std::uint64_t nowMicros_ = 0;
    std::uint64_t lastReadyMicros_ = 0;
    std::uint32_t lastTick_ = 0;
    bool seenTick_ = false;

    std::vector<std::uint8_t> hostBytes_;
    bool erased_ = false;
    bool aborted_ = false;
};

// Safety-test reports as the instrument stores them: CR LF lines, a form feed at the end.
std::vector<SimReport> SampleReports();
// `count` reports of about `bytes` bytes of report text each, for load and pacing.
std::vector<SimReport> GeneratedReports(std::size_t count, std::size_t bytes);
