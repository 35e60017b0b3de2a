// A disk that fills up, played by the process's file size limit: writes past it fail with EFBIG instead of
// killing the process, and the limit and the signal's handling are restored when it goes out of scope.
// A test of a program that must survive the limit on its own leaves the signal alone (`ignoreSignal` false):
// programs started meanwhile inherit the limit, and an ignored signal would be inherited too.
#pragma once

#include <signal.h>
#include <sys/resource.h>

class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes, bool ignoreSignal = true) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = ignoreSignal ? signal(SIGXFSZ, SIG_IGN) : signal(SIGXFSZ, SIG_DFL);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit saved_{};
    sighandler_t previousHandler_;
};
