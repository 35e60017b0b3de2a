// The termios driver: exclusive raw tty, reads served from one buffer, waits that sleep in poll.
#include "platform/posix/termios_driver.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <utility>

#include "platform/posix/serial_ports.h"

namespace {

// The D2XX library's status values, for whoever reads them in a debugger; the link only tells 0 from the
// rest.
constexpr DriverStatus DEVICE_NOT_FOUND = 2;
constexpr DriverStatus DEVICE_NOT_OPENED = 3;

// A write the port has not taken within this time is a stuck port: the write fails, and the answer that does
// not come ends the run. At 9600 baud the kernel's output buffer drains in seconds; ours holds five bytes.
constexpr int WRITE_STALL_MS = 2000;

long long NowMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

bool SetRawLine(int fd) {
    termios line{};
    if (tcgetattr(fd, &line) != 0) {
        return false;
    }
    cfmakeraw(&line);  // no echo, no signals, no CR/LF translation in either direction, 8 data bits
    line.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS);
    line.c_cflag |= CS8 | CREAD | CLOCAL;  // CLOCAL: the bridge's modem lines mean nothing to us
    line.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    // VMIN 1 makes an empty non-blocking read EAGAIN, so a read of 0 bytes can only mean a hang-up.
    line.c_cc[VMIN] = 1;
    line.c_cc[VTIME] = 0;
    if (cfsetispeed(&line, B9600) != 0 || cfsetospeed(&line, B9600) != 0) {
        return false;
    }
    return tcsetattr(fd, TCSANOW, &line) == 0;
}

}  // namespace

TermiosDriver::TermiosDriver(std::string portPath) : portPath_(std::move(portPath)) {}

TermiosDriver::~TermiosDriver() {
    if (fd_ >= 0) {
        Close(this);
    }
}

DriverStatus TermiosDriver::Open(int deviceNumber, DeviceHandle* handle) {
    openFailure_ = {};
    if (fd_ >= 0) {
        openFailure_.error = EBUSY;
        return DEVICE_NOT_OPENED;
    }
    std::string path = portPath_;
    if (path.empty() ? !FtdiPortPath(ListSerialPorts(), deviceNumber, &path) : deviceNumber != 0) {
        openFailure_.error = ENODEV;
        return DEVICE_NOT_FOUND;
    }
    // Non-blocking: the open does not wait for a carrier, and a read never waits; the waits are in poll.
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        openFailure_ = {path, errno};
        return DEVICE_NOT_OPENED;
    }
    if (ioctl(fd, TIOCEXCL) != 0 || !SetRawLine(fd)) {
        openFailure_ = {path, errno};
        close(fd);
        return DEVICE_NOT_OPENED;
    }
    fd_ = fd;
    hungUp_ = false;
    begin_ = 0;
    end_ = 0;
    *handle = this;
    return DRIVER_OK;
}

DriverStatus TermiosDriver::Close(DeviceHandle handle) {
    if (fd_ < 0 || handle != this) {
        return DRIVER_IO_ERROR;
    }
    // The exclusive mark belongs to the tty, not to our descriptor: a tty that someone else keeps open (a
    // pseudo-terminal's server) would otherwise stay locked after us.
    ioctl(fd_, TIOCNXCL);
    int closed = close(fd_);
    fd_ = -1;
    return closed == 0 ? DRIVER_OK : DRIVER_IO_ERROR;
}

DriverStatus TermiosDriver::Write(DeviceHandle handle, const void* source, std::uint32_t length,
                                  std::uint32_t* written) {
    if (!Usable(handle)) {
        return DRIVER_IO_ERROR;
    }
    const auto* bytes = static_cast<const unsigned char*>(source);
    std::uint32_t done = 0;
    while (done < length) {
        ssize_t count = write(fd_, bytes + done, length - done);
        if (count > 0) {
            done += static_cast<std::uint32_t>(count);
            continue;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && errno == EAGAIN) {
            pollfd port{fd_, POLLOUT, 0};
            int ready = poll(&port, 1, WRITE_STALL_MS);
            if (ready > 0 && (port.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
                hungUp_ = true;
                break;
            }
            if (ready == 0) {
                break;
            }
            continue;
        }
        hungUp_ = true;
        break;
    }
    *written = done;
    return done == length ? DRIVER_OK : DRIVER_IO_ERROR;
}

bool TermiosDriver::TopUp() {
    if (begin_ > 0) {
        std::memmove(buffer_, buffer_ + begin_, Buffered());
        end_ -= begin_;
        begin_ = 0;
    }
    if (end_ == sizeof buffer_) {
        return true;
    }
    for (;;) {
        ssize_t count = read(fd_, buffer_ + end_, sizeof buffer_ - end_);
        if (count > 0) {
            end_ += static_cast<std::size_t>(count);
            return true;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && errno == EAGAIN) {
            return true;
        }
        // 0 bytes from a raw tty with VMIN 1 is a hang-up; EIO is a device that has gone.
        hungUp_ = true;
        return false;
    }
}

DriverStatus TermiosDriver::Read(DeviceHandle handle, void* destination, std::uint32_t length,
                                 std::uint32_t* returned) {
    if (!Usable(handle)) {
        return DRIVER_IO_ERROR;
    }
    if (Buffered() < length && !TopUp()) {
        return DRIVER_IO_ERROR;
    }
    std::size_t count = Buffered() < length ? Buffered() : length;
    std::memcpy(destination, buffer_ + begin_, count);
    begin_ += count;
    *returned = static_cast<std::uint32_t>(count);
    return DRIVER_OK;
}

DriverStatus TermiosDriver::GetQueueStatus(DeviceHandle handle, std::uint32_t* queued) {
    if (!Usable(handle)) {
        return DRIVER_IO_ERROR;
    }
    // While the buffer holds bytes it answers alone, so taking a byte costs no system call. The count is then
    // low by what the kernel holds besides, which costs nothing either: a reader that wants more waits, and
    // the wait first takes in what is already there. An empty buffer is topped up by one non-blocking read,
    // which counts and takes the kernel's bytes in the same call: a byte that has to be waited for then costs
    // that read, the poll and the read that takes it, with no separate count.
    if (Buffered() == 0 && !TopUp()) {
        return DRIVER_IO_ERROR;
    }
    *queued = static_cast<std::uint32_t>(Buffered());
    return DRIVER_OK;
}

bool TermiosDriver::WaitForBytes(DeviceHandle handle, std::uint32_t wanted, std::uint32_t milliseconds) {
    if (!Usable(handle)) {
        return true;  // the link's next call reports the failure
    }
    if (wanted > sizeof buffer_) {
        wanted = sizeof buffer_;
    }
    const long long deadline = NowMilliseconds() + milliseconds;
    while (Buffered() < wanted) {
        long long remaining = deadline - NowMilliseconds();
        if (remaining <= 0) {
            return true;
        }
        pollfd port{fd_, POLLIN, 0};
        int ready = poll(&port, 1, remaining > INT_MAX ? INT_MAX : static_cast<int>(remaining));
        if (ready == 0 || (ready < 0 && errno == EINTR)) {
            return true;  // time is up, or a signal: the link looks again and decides by its clock
        }
        if (ready < 0) {
            hungUp_ = true;
            return true;
        }
        if ((port.revents & POLLIN) != 0) {
            if (!TopUp()) {
                return true;
            }
        } else if ((port.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            hungUp_ = true;
            return true;
        }
    }
    return true;
}
