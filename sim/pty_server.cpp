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

#include "download/protocol.h"
#include "sim/byte_trace.h"

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
    // brings in whatever is on its way. When the server has fallen behind, the next host's first bytes may be
    // there too: a host begins with the information request, so that is where the next session starts.
    std::string pending;
    while (ReadHost(&pending)) {
    }
    std::size_t next = pending.find(CMD_GET_INFO);
    Feed(pending.substr(0, next));
    if (trace != nullptr) {
        std::fprintf(trace, "closed\n");
        std::fflush(trace);
    }
    // What the last host left unread must not greet the next one.
    tcflush(slave_, TCIFLUSH);
    StartSession(instrument_->Reports());
    if (next != std::string::npos) {
        Feed(pending.substr(next));
    }
}

bool PtyServer::HostClosed() {
    alignas(inotify_event) char buffer[1024];
    bool closed = false;
    ssize_t length = 0;
    while ((length = read(watch_, buffer, sizeof buffer)) > 0) {
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            closed = closed || (event->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) != 0;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return closed;
}

bool PtyServer::ReadHost(std::string* bytes) {
    char buffer[4096];
    ssize_t count = read(master_, buffer, sizeof buffer);
    if (count <= 0) {
        return false;
    }
    bytes->append(buffer, static_cast<std::size_t>(count));
    return true;
}

void PtyServer::Feed(const std::string& bytes) {
    if (bytes.empty()) {
        return;
    }
    if (trace != nullptr) {
        std::fprintf(trace, "host%s\n", HexBytes(bytes.data(), bytes.size()).c_str());
        std::fflush(trace);
    }
    instrument_->Receive(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                         clock_.TickCount());
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
        // A close first, whether or not poll has reported it yet: the bytes that follow may be the next
        // host's.
        if (HostClosed()) {
            EndSession();
        }
        if ((events[0].revents & POLLIN) != 0) {
            std::string bytes;
            ReadHost(&bytes);
            Feed(bytes);
        }
    }
    return End::Stopped;
}
