// Running programs from tests.
#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <sstream>

extern char** environ;

namespace {

int ReadInto(int fd, std::string* text) {
    char buffer[4096];
    ssize_t count = read(fd, buffer, sizeof buffer);
    if (count > 0) {
        text->append(buffer, static_cast<std::size_t>(count));
    }
    return static_cast<int>(count);
}

}  // namespace

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    for (int fd : {outputPipe_, errorPipe_}) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

bool ChildProcess::Start(const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment) {
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);

    std::vector<std::string> variables = environment;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        std::string name(*variable, std::strcspn(*variable, "="));
        bool overridden = false;
        for (const std::string& added : environment) {
            overridden = overridden || added.compare(0, name.size() + 1, name + "=") == 0;
        }
        if (!overridden) {
            variables.emplace_back(*variable);
        }
    }
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& variable : variables) {
        envp.push_back(variable.data());
    }
    envp.push_back(nullptr);

    int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    outputPipe_ = out[0];
    errorPipe_ = err[0];
    if (spawned != 0) {
        pid_ = -1;
        return false;
    }
    return true;
}

bool ChildProcess::Pump(std::chrono::steady_clock::time_point deadline) {
    pollfd pipes[2] = {{outputPipe_, POLLIN, 0}, {errorPipe_, POLLIN, 0}};
    if (outputPipe_ < 0 && errorPipe_ < 0) {
        return false;
    }
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    int ready = poll(pipes, 2, left.count() > 0 ? static_cast<int>(left.count()) : 0);
    if (ready <= 0) {
        return true;
    }
    int* fds[2] = {&outputPipe_, &errorPipe_};
    std::string* texts[2] = {&output_, &errors_};
    for (int i = 0; i < 2; ++i) {
        if (pipes[i].revents != 0 && ReadInto(*fds[i], texts[i]) <= 0) {
            close(*fds[i]);
            *fds[i] = -1;
        }
    }
    return true;
}

bool ChildProcess::WaitForLine(const std::function<bool(const std::string&)>& wanted,
                               std::chrono::milliseconds within, std::string* line) {
    auto deadline = std::chrono::steady_clock::now() + within;
    for (;;) {
        std::size_t end;
        while ((end = output_.find('\n', lineStart_)) != std::string::npos) {
            std::string candidate = output_.substr(lineStart_, end - lineStart_);
            lineStart_ = end + 1;
            if (wanted(candidate)) {
                if (line != nullptr) {
                    *line = candidate;
                }
                return true;
            }
        }
        if (std::chrono::steady_clock::now() >= deadline || !Pump(deadline)) {
            return false;
        }
    }
}

void ChildProcess::Signal(int signal) const {
    if (pid_ > 0) {
        kill(pid_, signal);
    }
}

int ChildProcess::Wait(std::chrono::milliseconds within) {
    if (pid_ < 0) {
        return status_;
    }
    auto deadline = std::chrono::steady_clock::now() + within;
    while (std::chrono::steady_clock::now() < deadline && Pump(deadline)) {
    }
    // Both pipes at their end: the program is ending, if it has not ended already.
    int status = 0;
    pid_t ended = 0;
    while ((ended = waitpid(pid_, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline) {
        poll(nullptr, 0, 5);
    }
    if (ended != pid_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
        status_ = -1;
        return status_;
    }
    pid_ = -1;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return status_;
}

std::vector<std::string> UnderTestWrapper(std::vector<std::string> command) {
    const char* wrapper = std::getenv("FETCHWELL_TEST_WRAPPER");
    std::istringstream words(wrapper != nullptr ? wrapper : "");
    std::vector<std::string> wrapped;
    for (std::string word; words >> word;) {
        wrapped.push_back(word);
    }
    wrapped.insert(wrapped.end(), command.begin(), command.end());
    return wrapped;
}
