// fetchwell-ptycopy BYTES CHUNK [--round-trip]: the raw speed of a pseudo-terminal on this machine, the
// yardstick of the host ceiling benchmark. BYTES go from the master side, CHUNK bytes a write, to a reader on
// the raw terminal side. With --round-trip the writer waits for one byte from the reader before each chunk,
// and the reader sends it once it has the whole previous chunk: a download's exchange with no work on either
// side, the fastest any host and instrument can go that ask for each chunk.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

namespace {

double Now() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    const bool roundTrip = argc == 4 && std::string(argv[3]) == "--round-trip";
    if (argc != 3 && !roundTrip) {
        std::fprintf(stderr, "usage: fetchwell-ptycopy BYTES CHUNK [--round-trip]\n");
        return 2;
    }
    const std::size_t total = std::strtoull(argv[1], nullptr, 10);
    const std::size_t chunk = std::strtoull(argv[2], nullptr, 10);
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 || chunk == 0) {
        std::perror("fetchwell-ptycopy");
        return 1;
    }
    int terminal = open(ptsname(master), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios line{};
    tcgetattr(terminal, &line);
    cfmakeraw(&line);
    tcsetattr(terminal, TCSANOW, &line);

    std::vector<unsigned char> source(chunk);
    for (std::size_t i = 0; i < chunk; ++i) {
        source[i] = static_cast<unsigned char>(1 + i % 255);
    }
    double start = Now();
    std::thread writer([&] {
        for (std::size_t sent = 0; sent < total;) {
            std::size_t length = total - sent < chunk ? total - sent : chunk;
            unsigned char request = 0;
            if (roundTrip && read(master, &request, 1) != 1) {
                return;
            }
            ssize_t count = write(master, source.data(), length);
            if (count <= 0) {
                return;
            }
            sent += static_cast<std::size_t>(count);
        }
    });
    std::vector<unsigned char> buffer(8192);
    std::size_t received = 0;
    std::size_t requested = 0;  // the bytes asked for so far
    while (received < total) {
        if (roundTrip && received == requested) {
            if (write(terminal, "\x06", 1) != 1) {
                break;
            }
            requested += chunk;
        }
        pollfd ready{terminal, POLLIN, 0};
        if (poll(&ready, 1, 5000) <= 0) {
            break;
        }
        ssize_t count = read(terminal, buffer.data(), buffer.size());
        if (count > 0) {
            received += static_cast<std::size_t>(count);
        }
    }
    double seconds = Now() - start;
    writer.join();
    std::printf("bytes=%zu seconds=%.3f mb_per_s=%.2f\n", received, seconds,
                static_cast<double>(received) / 1e6 / seconds);
    return received == total ? 0 : 1;
}
