// The report folder loaded in a child process and handed back through a pipe.
#include "platform/posix/report_folder_apart.h"

#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "settings/report_folder.h"
#include "shared_state.h"

namespace {

// The child's whole life: load, hand the buffer over, and leave without running exit handlers or flushing
// stdio buffers it shares with the parent.
[[noreturn]] void LoadAndHandOver(int pipeOut) {
    LoadReportFolder();
    std::size_t sent = 0;
    while (sent < sizeof reportFolder) {
        ssize_t count = write(pipeOut, reportFolder + sent, sizeof reportFolder - sent);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            _exit(1);
        }
        sent += static_cast<std::size_t>(count);
    }
    _exit(0);
}

// Reads until `length` bytes or the end of the pipe; the number read.
std::size_t ReadFully(int pipeIn, char* destination, std::size_t length) {
    std::size_t got = 0;
    while (got < length) {
        ssize_t count = read(pipeIn, destination + got, length - got);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            break;
        }
        got += static_cast<std::size_t>(count);
    }
    return got;
}

}  // namespace

bool LoadReportFolderApart() {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        return false;
    }
    pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        LoadAndHandOver(ends[1]);
    }
    close(ends[1]);
    if (child < 0) {
        close(ends[0]);
        return false;
    }
    char folder[sizeof reportFolder];
    std::size_t got = ReadFully(ends[0], folder, sizeof folder);
    close(ends[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // Only a child that finished its work counts: a folder from a child that died may be half written.
    bool handedOver = got == sizeof folder && WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
                      std::memchr(folder, '\0', sizeof folder) != nullptr;
    if (handedOver) {
        std::memcpy(reportFolder, folder, sizeof reportFolder);
    }
    return handedOver;
}
