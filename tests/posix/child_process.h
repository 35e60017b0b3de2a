// A program run by a test, with its standard output and error captured and every wait bounded.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

class ChildProcess {
  public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts the program with standard input from /dev/null and `environment` ("NAME=value") added to ours.
    bool Start(const std::vector<std::string>& arguments, const std::vector<std::string>& environment = {});
    // Reads standard output until a whole line satisfies `wanted`; false if none does within the time.
    bool WaitForLine(const std::function<bool(const std::string&)>& wanted, std::chrono::milliseconds within,
                     std::string* line = nullptr);
    void Signal(int signal) const;
    // Waits for the end, reading all output meanwhile. The exit status, 128 + N after signal N; -1 when the
    // program did not end in time (it is then killed). Once it has ended, the same status again.
    int Wait(std::chrono::milliseconds within);

    const std::string& Output() const { return output_; }
    const std::string& Errors() const { return errors_; }
    pid_t Pid() const { return pid_; }

  private:
    // Reads what is there, waiting at most until `deadline`. False once both pipes are at their end.
    bool Pump(std::chrono::steady_clock::time_point deadline);

    pid_t pid_ = -1;
    int status_ = -1;
    int outputPipe_ = -1;
    int errorPipe_ = -1;
    std::string output_;
    std::string errors_;
    std::size_t lineStart_ = 0;  // WaitForLine's place in output_
};

// The command that runs one of our programs in a test: the words of FETCHWELL_TEST_WRAPPER first when it is
// set (scripts/valgrind puts memcheck there), then the program and its arguments.
std::vector<std::string> UnderTestWrapper(std::vector<std::string> command);
