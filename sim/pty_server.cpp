// The pseudo-terminal server: the instrument's bytes out through the master side, the host's bytes in.
#include "sim/pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <utility>

namespace {

constexpr std::size_t OUTBOX_SIZE = 4096;

}  // namespace

PtyServer::PtyServer(const SimSetup& setup, Clock& clock) : setup_(setup), clock_(clock) {
    outbox_.reserve(OUTBOX_SIZE);
}

PtyServer::~PtyServer() {
    for (int fd : {watch_, slave_, master_}) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

bool PtyServer::Open() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        return false;
    }
    const char* name = ptsname(master_);
    if (name == nullptr) {
        return false;
    }
    path_ = name;
    slave_ = open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave_ < 0) {
        return false;
    }
    watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    return watch_ >= 0 && inotify_add_watch(watch_, path_.c_str(), IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) >= 0;
}

void PtyServer::StartSession(std::vector<SimReport> reports) {
    instrument_.emplace();
    instrument_->SetReports(std::move(reports));
    instrument_->SetChunkSize(setup_.chunkSize);
    instrument_->SetFaults(setup_.faults);
    instrument_->SetPace(setup_.bytesPerSecond);
    holding_ = false;
    outbox_.clear();
    outboxSent_ = 0;
}

void PtyServer::EndSession() {
    // The host's last bytes may still be on their way through the terminal when its close is reported; a read
    // brings in whatever is on its way, so they reach the session they belong to before it ends.
    while (ReadHost()) {
    }
    if (trace != nullptr) {
        std::fprintf(trace, "closed\n");
        std::fflush(trace);
    }
    // What the last host left unread must not greet the next one.
    tcflush(slave_, TCIFLUSH);
    StartSession(instrument_->Reports());
}

bool PtyServer::ReadHost() {
    std::uint8_t bytes[4096];
    ssize_t count = read(master_, bytes, sizeof bytes);
    if (count <= 0) {
        return false;
    }
    if (trace != nullptr) {
        std::fprintf(trace, "host");
        for (ssize_t i = 0; i < count; ++i) {
            std::fprintf(trace, " %02x", bytes[i]);
        }
        std::fprintf(trace, "\n");
        std::fflush(trace);
    }
    instrument_->Receive(bytes, static_cast<std::size_t>(count), clock_.TickCount());
    return true;
}

void PtyServer::TakeDueBytes(std::uint32_t now) {
    std::size_t due = instrument_->Available(now);
    if (due == 0) {
        return;
    }
    if (setup_.latencyMs > 0 && setup_.bytesPerSecond > 0) {
        if (!holding_) {
            holding_ = true;
            heldSince_ = now;
        }
        if (now - heldSince_ < setup_.latencyMs) {
            return;
        }
    }
    if (outboxSent_ == outbox_.size()) {
        outbox_.clear();
        outboxSent_ = 0;
    }
    std::size_t room = OUTBOX_SIZE - outbox_.size();
    std::size_t start = outbox_.size();
    outbox_.resize(start + std::min(due, room));
    std::size_t taken = instrument_->Take(outbox_.data() + start, outbox_.size() - start, now);
    outbox_.resize(start + taken);
    holding_ = false;
}

bool PtyServer::WriteOutbox() {
    while (outboxSent_ < outbox_.size()) {
        ssize_t count = write(master_, outbox_.data() + outboxSent_, outbox_.size() - outboxSent_);
        if (count > 0) {
            outboxSent_ += static_cast<std::size_t>(count);
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else {
            return count < 0 &&
                   errno == EAGAIN;  // the host is slow: the rest goes when the terminal takes it
        }
    }
    return true;
}

int PtyServer::MillisecondsToWake(std::uint32_t now) {
    if (holding_) {
        std::uint32_t held = now - heldSince_;
        return held >= setup_.latencyMs ? 0 : static_cast<int>(setup_.latencyMs - held);
    }
    std::uint32_t due = 0;
    if (!instrument_->MillisecondsUntil(1, now, &due)) {
        return -1;  // nothing on its way: sleep until the host sends something
    }
    return due > INT_MAX ? INT_MAX : static_cast<int>(due);
}

PtyServer::End PtyServer::Serve(const volatile std::sig_atomic_t* stop) {
    StartSession(setup_.reports);
    while (*stop == 0) {
        std::uint32_t now = clock_.TickCount();
        TakeDueBytes(now);
        if (!WriteOutbox()) {
            return End::Failed;
        }
        if (instrument_->Unplugged() && outboxSent_ == outbox_.size()) {
            if (trace != nullptr) {
                std::fprintf(trace, "unplugged\n");
                std::fflush(trace);
            }
            close(master_);  // the host's end hangs up
            master_ = -1;
            return End::Unplugged;
        }
        bool outboxWaiting = outboxSent_ < outbox_.size();
        pollfd events[2] = {{master_, static_cast<short>(POLLIN | (outboxWaiting ? POLLOUT : 0)), 0},
                            {watch_, POLLIN, 0}};
        int ready = poll(events, 2, outboxWaiting ? -1 : MillisecondsToWake(now));
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return End::Failed;
        }
        if ((events[0].revents & POLLIN) != 0) {
            ReadHost();
        }
        if ((events[1].revents & POLLIN) != 0) {
            alignas(inotify_event) char buffer[1024];
            ssize_t length = read(watch_, buffer, sizeof buffer);
            bool closed = false;
            for (ssize_t at = 0; at < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                closed = closed || (event->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) != 0;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
            if (closed) {
                EndSession();
            }
        }
    }
    return End::Stopped;
}
