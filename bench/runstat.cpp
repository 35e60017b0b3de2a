// fetchwell-runstat COMMAND [ARG...]: runs a command and prints its wall time, CPU time and peak memory.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
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

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: fetchwell-runstat COMMAND [ARG...]\n");
        return 2;
    }
    double start = Now();
    pid_t child = fork();
    if (child == 0) {
        execvp(argv[1], argv + 1);
        std::perror("fetchwell-runstat: exec");
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child) {
        std::perror("fetchwell-runstat");
        return 1;
    }
    double wall = Now() - start;
    double cpu = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    // One line of name=value pairs for the scripts; the child's own status is the last.
    std::printf("wall_s=%.3f user_s=%.3f sys_s=%.3f cpu_share_percent=%.3f max_rss_kib=%ld exit=%d\n", wall,
                Seconds(usage.ru_utime), Seconds(usage.ru_stime), wall > 0 ? 100.0 * cpu / wall : 0.0,
                usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    return 0;
}
