// fetchwell-runstat COMMAND [ARG...]: runs a command and prints its wall time, CPU time and peak memory: the
// peak of the process tree (the largest of the command and its children) and the command's own.
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

double Now() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The VmHWM line of a living process, in KiB; -1 when it cannot be read.
long OwnPeakKib(pid_t pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/status", static_cast<int>(pid));
    std::FILE* status = std::fopen(path, "r");
    if (status == nullptr) {
        return -1;
    }
    long kib = -1;
    char line[256];
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::strncmp(line, "VmHWM:", 6) == 0) {
            kib = std::strtol(line + 6, nullptr, 10);
        }
    }
    std::fclose(status);
    return kib;
}

// Follows the traced command to its exit, passing its signals on, and reads its own peak at the exit stop,
// while its memory is still there. The command's children are not traced.
long FollowToExit(pid_t child) {
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFSTOPPED(status)) {  // the stop at exec
        return -1;
    }
    if (ptrace(PTRACE_SETOPTIONS, child, nullptr, PTRACE_O_TRACEEXIT) != 0) {
        ptrace(PTRACE_DETACH, child, nullptr, nullptr);
        return -1;
    }
    long peak = -1;
    int pass = 0;
    for (;;) {
        if (ptrace(PTRACE_CONT, child, nullptr, pass) != 0) {
            return peak;
        }
        if (waitpid(child, &status, __WALL) != child || !WIFSTOPPED(status)) {
            return peak;
        }
        if (status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
            peak = OwnPeakKib(child);
            ptrace(PTRACE_DETACH, child, nullptr, nullptr);
            return peak;
        }
        pass = WSTOPSIG(status);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: fetchwell-runstat COMMAND [ARG...]\n");
        return 2;
    }
    double start = Now();
    pid_t child = fork();
    if (child == 0) {
        ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        execvp(argv[1], argv + 1);
        std::perror("fetchwell-runstat: exec");
        _exit(127);
    }
    long ownPeak = child > 0 ? FollowToExit(child) : -1;
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child) {
        std::perror("fetchwell-runstat");
        return 1;
    }
    double wall = Now() - start;
    double cpu = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    // One line of name=value pairs for the scripts; the child's own status is the last.
    std::printf(
        "wall_s=%.3f user_s=%.3f sys_s=%.3f cpu_share_percent=%.3f max_rss_kib=%ld own_max_rss_kib=%ld "
        "exit=%d\n",
        wall, Seconds(usage.ru_utime), Seconds(usage.ru_stime), wall > 0 ? 100.0 * cpu / wall : 0.0,
        usage.ru_maxrss, ownPeak, WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    return 0;
}
