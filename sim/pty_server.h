// The simulated instrument on a new pseudo-terminal, the engine of fetchwell-sim: the host opens the
// terminal's other end as it would open the instrument's USB-serial port.
#pragma once

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "link/clock.h"
#include "sim/instrument.h"

// What each host's instrument starts from.
struct SimSetup {
    std::vector<SimReport> reports;
    std::size_t chunkSize = 512;
    FaultPlan faults;
    std::uint32_t bytesPerSecond = 0;  // 0: as fast as the terminal takes them
    // With a pace, bytes are held back and sent together once the first of them has waited this long, as a
    // USB-serial bridge's latency timer does (16 ms on an FTDI bridge). 0: each byte as soon as it is due.
    std::uint32_t latencyMs = 0;
};

class PtyServer {
  public:
    enum class End { Stopped, Unplugged, Failed };

    PtyServer(const SimSetup& setup, Clock& clock);
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Creates the pseudo-terminal. False, with errno, when it cannot.
    bool Open();
    // The terminal the host opens, e.g. /dev/pts/3.
    const std::string& Path() const { return path_; }

    // Serves one host after another until *stop is set, or until the fault plan unplugs the instrument: the
    // terminal then hangs up and Serve returns. Each time a host closes the terminal, the next host finds a
    // fresh instrument that holds the reports still there (none after an erase).
    End Serve(const volatile std::sig_atomic_t* stop);

    // When set, every byte from the host ("host 47 45 53 49 0d"), every host's close ("closed") and the
    // unplugging ("unplugged") are written here, a line each.
    std::FILE* trace = nullptr;

  private:
    void StartSession(std::vector<SimReport> reports);
    void EndSession();
    // True when a host has closed the terminal since the last look.
    bool HostClosed();
    // One read of the host's bytes, appended; false when there were none.
    bool ReadHost(std::string* bytes);
    // The host's bytes to the instrument (and the trace).
    void Feed(const std::string& bytes);
    void TakeDueBytes(std::uint32_t now);
    bool WriteOutbox();
    int MillisecondsToWake(std::uint32_t now);

    SimSetup setup_;
    Clock& clock_;
    std::optional<SimInstrument> instrument_;
    std::string path_;
    int master_ = -1;
    // The server keeps the terminal open itself, so that it does not hang up between hosts; it learns of a
    // host's close from inotify.
    int slave_ = -1;
    int watch_ = -1;
    bool holding_ = false;  // due bytes held back by the latency timer since heldSince_
    std::uint32_t heldSince_ = 0;
    std::vector<std::uint8_t> outbox_;
    std::size_t outboxSent_ = 0;
};
