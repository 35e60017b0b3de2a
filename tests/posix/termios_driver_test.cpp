// The termios driver alone, over a pseudo-terminal whose other end the test holds: raw mode, the queued
// count, the wait, the hang-up, and the ports that will not open. Real time, short bounded waits.
#include "platform/posix/termios_driver.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "link/link.h"
#include "platform/posix/monotonic_clock.h"
#include "platform/posix/serial_ports.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(std::chrono::duration_cast<milliseconds>(Clock::now() - since).count());
}

class DriverOnPty : public ::testing::Test {
  protected:
    void SetUp() override {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(master, 0);
        ASSERT_EQ(grantpt(master), 0);
        ASSERT_EQ(unlockpt(master), 0);
        path = ptsname(master);
        driver = std::make_unique<TermiosDriver>(path);
    }
    void TearDown() override {
        if (opened) {
            driver->Close(handle);
        }
        if (master >= 0) {
            close(master);
        }
    }
    void Open() {
        ASSERT_EQ(driver->Open(0, &handle), DRIVER_OK);
        opened = true;
    }
    void FromInstrument(const std::string& bytes) const {
        ASSERT_EQ(write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    std::string ReadAll(std::uint32_t count) {
        std::string bytes(count, '\0');
        std::uint32_t returned = 0;
        EXPECT_EQ(driver->Read(handle, bytes.data(), count, &returned), DRIVER_OK);
        bytes.resize(returned);
        return bytes;
    }
    std::uint32_t Queued() {
        std::uint32_t queued = 0;
        EXPECT_EQ(driver->GetQueueStatus(handle, &queued), DRIVER_OK);
        return queued;
    }
    // The descriptor the driver opened, found by the device it is open on.
    int DriverDescriptor() const {
        struct stat terminal {};
        stat(path.c_str(), &terminal);
        for (int fd = 3; fd < 1024; ++fd) {
            struct stat status {};
            if (fd != master && fstat(fd, &status) == 0 && S_ISCHR(status.st_mode) &&
                status.st_rdev == terminal.st_rdev) {
                return fd;
            }
        }
        return -1;
    }

    int master = -1;
    std::string path;
    std::unique_ptr<TermiosDriver> driver;
    DeviceHandle handle = nullptr;
    bool opened = false;
};

TEST_F(DriverOnPty, LineIsRaw8N1At9600WithoutFlowControl) {
    Open();
    int fd = DriverDescriptor();
    ASSERT_GE(fd, 0);
    termios line{};
    ASSERT_EQ(tcgetattr(fd, &line), 0);
    EXPECT_EQ(line.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u);
    EXPECT_EQ(line.c_iflag & (ICRNL | INLCR | IGNCR | IXON | IXOFF | ISTRIP), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), static_cast<tcflag_t>(CS8));
    EXPECT_NE(line.c_cflag & CLOCAL, 0u);
    EXPECT_EQ(cfgetispeed(&line), static_cast<speed_t>(B9600));
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B9600));
    int exclusive = 0;
    ASSERT_EQ(ioctl(fd, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);
}

TEST_F(DriverOnPty, BytesPassUnchangedBothWaysAndNothingIsEchoed) {
    Open();
    const std::string fromInstrument("A\rB\r\nC\n\x03\x7f\xff\x11\x13", 11);
    FromInstrument(fromInstrument);
    driver->WaitForBytes(handle, static_cast<std::uint32_t>(fromInstrument.size()), 1000);
    EXPECT_EQ(ReadAll(static_cast<std::uint32_t>(fromInstrument.size())), fromInstrument)
        << "a CR arrives as CR";

    const std::string fromHost("GESI\r\n\x03", 7);
    std::uint32_t written = 0;
    ASSERT_EQ(driver->Write(handle, fromHost.data(), static_cast<std::uint32_t>(fromHost.size()), &written),
              DRIVER_OK);
    EXPECT_EQ(written, fromHost.size());
    char received[64] = {};
    pollfd ready{master, POLLIN, 0};
    ASSERT_EQ(poll(&ready, 1, 1000), 1);
    ssize_t count = read(master, received, sizeof received);
    EXPECT_EQ(std::string(received, static_cast<std::size_t>(count)), fromHost)
        << "what the host sends arrives as sent, with nothing echoed before it";
    EXPECT_EQ(poll(&ready, 1, 50), 0) << "nothing echoed afterwards either";
}

TEST_F(DriverOnPty, QueuedCountIsWhatHasArrivedAndNotYetBeenRead) {
    Open();
    EXPECT_EQ(Queued(), 0u);
    FromInstrument("0123456789");
    driver->WaitForBytes(handle, 10, 1000);
    EXPECT_EQ(Queued(), 10u);
    EXPECT_EQ(ReadAll(3), "012");
    EXPECT_EQ(Queued(), 7u);
    FromInstrument("abcde");
    driver->WaitForBytes(handle, 12, 1000);
    EXPECT_EQ(Queued(), 12u);
    EXPECT_EQ(ReadAll(12), "3456789abcde");
    EXPECT_EQ(Queued(), 0u);
}

TEST_F(DriverOnPty, QueuedCountComesFromTheKernelWhenNothingIsBuffered) {
    Open();
    FromInstrument("xyz");
    // No wait: the bytes have reached the terminal once the kernel counts them.
    auto start = Clock::now();
    std::uint32_t queued = 0;
    while ((queued = Queued()) < 3 && ElapsedMs(start) < 1000) {
        driver->WaitForBytes(handle, 3, 10);
    }
    EXPECT_EQ(queued, 3u);
}

TEST_F(DriverOnPty, WaitWakesWhenDataArrives) {
    Open();
    std::thread instrument([this] {
        std::this_thread::sleep_for(milliseconds(60));
        FromInstrument("*");
    });
    auto start = Clock::now();
    driver->WaitForBytes(handle, 1, 3000);
    long waited = ElapsedMs(start);
    instrument.join();
    EXPECT_GE(waited, 50);
    EXPECT_LT(waited, 1500) << "woken by the byte, not by the time limit";
    EXPECT_EQ(Queued(), 1u);
}

TEST_F(DriverOnPty, WaitForSeveralBytesLastsUntilAllHaveCome) {
    Open();
    std::thread instrument([this] {
        FromInstrument(std::string(100, 'a'));
        std::this_thread::sleep_for(milliseconds(60));
        FromInstrument(std::string(164, 'b'));
    });
    auto start = Clock::now();
    driver->WaitForBytes(handle, 264, 3000);
    long waited = ElapsedMs(start);
    instrument.join();
    EXPECT_GE(waited, 50);
    EXPECT_LT(waited, 1500);
    EXPECT_EQ(Queued(), 264u);
}

TEST_F(DriverOnPty, WaitEndsWhenTheTimeIsUp) {
    Open();
    auto start = Clock::now();
    driver->WaitForBytes(handle, 1, 120);
    long waited = ElapsedMs(start);
    EXPECT_GE(waited, 120);
    EXPECT_LT(waited, 1000);
    EXPECT_EQ(Queued(), 0u);
}

TEST_F(DriverOnPty, HangUpIsADriverFailure) {
    Open();
    FromInstrument("partial");
    close(master);
    master = -1;
    auto start = Clock::now();
    driver->WaitForBytes(handle, 100, 3000);
    EXPECT_LT(ElapsedMs(start), 1000) << "a hang-up ends the wait at once";
    std::uint32_t value = 0;
    char byte = 0;
    EXPECT_NE(driver->GetQueueStatus(handle, &value), DRIVER_OK);
    EXPECT_NE(driver->Read(handle, &byte, 1, &value), DRIVER_OK);
    EXPECT_NE(driver->Write(handle, "C", 1, &value), DRIVER_OK);
    EXPECT_EQ(driver->Close(handle), DRIVER_OK);
    opened = false;
}

TEST_F(DriverOnPty, LinkReadsOverTheDriverKeepTheirRules) {
    MonotonicClock clock;
    InstallClock(&clock);
    InstallDriver(driver.get());
    ASSERT_EQ(LinkOpen(), 0);
    FromInstrument(std::string(263, 'i'));
    std::uint8_t block[300];
    auto start = Clock::now();
    EXPECT_EQ(LinkReadBlock(block, 264, 150), LINK_TIMEOUT);
    EXPECT_GE(ElapsedMs(start), 150);
    EXPECT_EQ(LinkQueuedBytes(), 263) << "a block is never taken in part";
    FromInstrument(std::string(37, 'j'));
    EXPECT_EQ(LinkReadBlock(block, 264, 500), 264);
    EXPECT_EQ(LinkQueuedBytes(), 36);
    EXPECT_EQ(LinkReadByte(0), 'j') << "a queued byte is taken whatever the limit";
    LinkClose();
}

TEST_F(DriverOnPty, CloseLeavesTheTerminalOpenToOthers) {
    int ours = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);  // as fetchwell-sim keeps its terminal open
    ASSERT_GE(ours, 0);
    Open();
    int exclusive = 0;
    ASSERT_EQ(ioctl(ours, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);
    ASSERT_EQ(driver->Close(handle), DRIVER_OK);
    opened = false;
    ASSERT_EQ(ioctl(ours, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    close(ours);
}

TEST_F(DriverOnPty, SecondOpenOfAnOpenPortIsBusy) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "the super-user may open an exclusive terminal again";
    }
    Open();
    TermiosDriver other(path);
    DeviceHandle otherHandle = nullptr;
    EXPECT_NE(other.Open(0, &otherHandle), DRIVER_OK);
    EXPECT_EQ(other.LastOpenFailure().error, EBUSY);
    EXPECT_EQ(other.LastOpenFailure().path, path);
}

TEST(TermiosDriverOpen, MissingPortFailsWithItsReason) {
    TermiosDriver driver("/nonexistent/ttyFW0");
    DeviceHandle handle = nullptr;
    EXPECT_NE(driver.Open(0, &handle), DRIVER_OK);
    EXPECT_EQ(driver.LastOpenFailure().path, "/nonexistent/ttyFW0");
    EXPECT_EQ(driver.LastOpenFailure().error, ENOENT);
}

TEST(TermiosDriverOpen, AFileThatIsNoTerminalFails) {
    TermiosDriver driver("/dev/null");
    DeviceHandle handle = nullptr;
    EXPECT_NE(driver.Open(0, &handle), DRIVER_OK);
    EXPECT_EQ(driver.LastOpenFailure().error, ENOTTY);
}

TEST(TermiosDriverOpen, NamedPortIsDeviceZeroOnly) {
    TermiosDriver driver("/dev/null");
    DeviceHandle handle = nullptr;
    EXPECT_NE(driver.Open(1, &handle), DRIVER_OK);
    EXPECT_EQ(driver.LastOpenFailure().error, ENODEV);
}

TEST(TermiosDriverOpen, WithoutAnFtdiPortDeviceZeroIsNotFound) {
    std::string present;
    if (FtdiPortPath(ListSerialPorts(), 0, &present)) {
        GTEST_SKIP() << "an FTDI port is plugged in here: " << present;
    }
    TermiosDriver driver;
    DeviceHandle handle = nullptr;
    EXPECT_NE(driver.Open(0, &handle), DRIVER_OK);
    EXPECT_EQ(driver.LastOpenFailure().error, ENODEV);
    EXPECT_EQ(driver.LastOpenFailure().path, "");
}

}  // namespace
