// The scenario player: records every link, window and disk event of one real download run, replays the bytes
// the host received to learn independently what it must have saved, and compares that with the folder.
#include "scenario_check.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "download/download_run.h"
#include "download/protocol.h"
#include "fakes/fake_windowing.h"
#include "file_size_limit.h"
#include "link/link.h"
#include "platform/posix/posix_directories.h"
#include "shared_state.h"
#include "sim/sim_driver.h"

namespace fs = std::filesystem;

namespace {

struct Event {
    enum Kind { OPEN, OPEN_REFUSED, CLOSE, SEND, RECEIVE, BOX, STATUS, CHECK, SYNC, RENAME };
    Kind kind;
    std::string bytes;   // SEND, RECEIVE: the bytes; BOX: the body; STATUS: the text; RENAME: the new name
    unsigned value = 0;  // RECEIVE: the length asked for; BOX: the style; RENAME: 1 when replacing
    int answer = 0;      // BOX: the button that closed it
    bool ok = true;      // SYNC, RENAME: whether it succeeded
};
using EventLog = std::vector<Event>;

// The driver seam between the run and the simulated instrument, writing down what crosses it.
class RecordingDriver : public Driver {
  public:
    RecordingDriver(SimDriver& inner, EventLog& events) : inner_(inner), log_(events) {}

    DriverStatus Open(int deviceNumber, DeviceHandle* handle) override {
        DriverStatus status = inner_.Open(deviceNumber, handle);
        log_.push_back({status == DRIVER_OK ? Event::OPEN : Event::OPEN_REFUSED, {}});
        open_ = status == DRIVER_OK;
        return status;
    }
    DriverStatus Close(DeviceHandle handle) override {
        log_.push_back({Event::CLOSE, {}});
        open_ = false;
        return inner_.Close(handle);
    }
    DriverStatus Write(DeviceHandle handle, const void* source, std::uint32_t length,
                       std::uint32_t* written) override {
        NoteUse();
        log_.push_back({Event::SEND, std::string(static_cast<const char*>(source), length)});
        return inner_.Write(handle, source, length, written);
    }
    DriverStatus Read(DeviceHandle handle, void* destination, std::uint32_t length,
                      std::uint32_t* returned) override {
        NoteUse();
        DriverStatus status = inner_.Read(handle, destination, length, returned);
        if (status == DRIVER_OK && *returned > 0) {
            log_.push_back(
                {Event::RECEIVE, std::string(static_cast<const char*>(destination), *returned), length});
        }
        return status;
    }
    DriverStatus GetQueueStatus(DeviceHandle handle, std::uint32_t* queued) override {
        NoteUse();
        return inner_.GetQueueStatus(handle, queued);
    }
    bool WaitForBytes(DeviceHandle handle, std::uint32_t wanted, std::uint32_t milliseconds) override {
        NoteUse();
        return inner_.WaitForBytes(handle, wanted, milliseconds);
    }

    int callsWhileClosed = 0;

  private:
    void NoteUse() {
        if (!open_) {
            ++callsWhileClosed;
        }
    }

    SimDriver& inner_;
    EventLog& log_;
    bool open_ = false;
};

// The fake windowing, writing the boxes, the status line and the cancel checks into the shared log.
class RecordingWindowing : public FakeWindowing {
  public:
    explicit RecordingWindowing(EventLog& events) : log_(events) {}

    void SetControlText(WindowHandle dialog, int controlId, const char* text) override {
        FakeWindowing::SetControlText(dialog, controlId, text);
        if (dialog != nullptr && controlId == IDC_STATUS) {
            log_.push_back({Event::STATUS, text});
        }
    }
    int ShowMessageBox(WindowHandle owner, const char* body, const char* caption, unsigned flags) override {
        int answer = FakeWindowing::ShowMessageBox(owner, body, caption, flags);
        log_.push_back({Event::BOX, body, flags, answer});
        return answer;
    }
    void HandleOneMessage(WindowHandle dialog) override {
        log_.push_back({Event::CHECK, {}});
        FakeWindowing::HandleOneMessage(dialog);
    }

  private:
    EventLog& log_;
};

// The real directories, with one refused sync or rename on demand, writing both into the shared log.
class RecordingDirectories : public PosixDirectories {
  public:
    RecordingDirectories(EventLog& events, unsigned failSyncAt, unsigned failRenameAt)
        : log_(events), failSyncAt_(failSyncAt), failRenameAt_(failRenameAt) {}

    bool SyncFile(std::FILE* file) override {
        bool ok = ++syncs_ != failSyncAt_ && PosixDirectories::SyncFile(file);
        log_.push_back({Event::SYNC, {}, 0, 0, ok});
        return ok;
    }
    bool RenameFile(const char* from, const char* to, bool replace) override {
        bool ok = ++renames_ != failRenameAt_ && PosixDirectories::RenameFile(from, to, replace);
        log_.push_back({Event::RENAME, to, replace ? 1u : 0u, 0, ok});
        return ok;
    }

  private:
    EventLog& log_;
    unsigned failSyncAt_;
    unsigned failRenameAt_;
    unsigned syncs_ = 0;
    unsigned renames_ = 0;
};

const std::string kGetInfo(CMD_GET_INFO, COMMAND_LENGTH);
const std::string kDownload(CMD_DOWNLOAD, COMMAND_LENGTH);
const std::string kErase(CMD_ERASE, COMMAND_LENGTH);
const std::string kNextChunk(1, static_cast<char>(NEXT_CHUNK));
const std::string kAbort(1, static_cast<char>(ABORT_BYTE));
const char kReplacedInNames[] = "\"*./:<>?\\|";

// The file name a report must get: its name with the ten unsafe bytes replaced, then its number.
std::string ExpectedFileName(const std::string& name, unsigned number) {
    std::string fileName = name;
    for (char& byte : fileName) {
        if (std::strchr(kReplacedInNames, byte) != nullptr) {
            byte = '_';
        }
    }
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "-R%03u.TXT", number);
    return fileName + suffix;
}

// The shape every report file has: up to 32 safe name bytes, "-R", three to five digits, ".TXT".
bool IsReportFileName(const std::string& fileName) {
    const std::string extension = ".TXT";
    std::size_t dash = fileName.rfind("-R");
    if (dash == std::string::npos || dash > REPORT_NAME_MAX || fileName.size() < extension.size() ||
        fileName.compare(fileName.size() - extension.size(), extension.size(), extension) != 0) {
        return false;
    }
    std::string digits = fileName.substr(dash + 2, fileName.size() - extension.size() - dash - 2);
    if (digits.size() < 3 || digits.size() > 5 ||
        digits.find_first_not_of("0123456789") != std::string::npos || std::stoul(digits) == 0 ||
        std::stoul(digits) > 65535) {
        return false;
    }
    for (std::size_t i = 0; i < dash; ++i) {
        if (fileName[i] == '\0' || std::strchr(kReplacedInNames, fileName[i]) != nullptr) {
            return false;
        }
    }
    return true;
}

// The name the host reads for a report while the stream stays in step: up to its first zero, at most 32
// bytes.
std::string NameAsRead(const std::string& sent) {
    std::string name = sent.substr(0, sent.find('\0'));
    return name.substr(0, REPORT_NAME_MAX);
}

int TextIdOfBody(const std::string& body) {
    for (int id = IDS_STATUS_IDLE; id <= IDS_CANCEL; ++id) {
        const char* text = StringTableText(id);
        if (text != nullptr && body == text) {
            return id;
        }
    }
    return 0;
}

int OpenDescriptors() {
    int count = 0;
    if (DIR* directory = opendir("/proc/self/fd")) {
        while (readdir(directory) != nullptr) {
            ++count;
        }
        closedir(directory);
    }
    return count;
}

std::string Printable(const std::string& bytes, std::size_t limit = 48) {
    std::string shown;
    for (std::size_t i = 0; i < bytes.size() && i < limit; ++i) {
        unsigned char byte = static_cast<unsigned char>(bytes[i]);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
            shown += static_cast<char>(byte);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            shown += hex;
        }
    }
    return bytes.size() > limit ? shown + "...(" + std::to_string(bytes.size()) + " bytes)" : shown;
}

std::string Describe(const Event& e) {
    switch (e.kind) {
        case Event::OPEN:
            return "open";
        case Event::OPEN_REFUSED:
            return "open refused";
        case Event::CLOSE:
            return "close";
        case Event::SEND:
            return "send " + Printable(e.bytes);
        case Event::RECEIVE:
            return "receive " + Printable(e.bytes) + (e.value > 1 ? " (block)" : "");
        case Event::BOX:
            return "box " + Printable(e.bytes) + " answered " + std::to_string(e.answer);
        case Event::STATUS:
            return "status " + e.bytes;
        case Event::CHECK:
            return "cancel check";
        case Event::SYNC:
            return e.ok ? "sync" : "sync refused";
        case Event::RENAME:
            return std::string(e.ok ? "rename onto " : "rename refused onto ") + Printable(e.bytes) +
                   (e.value != 0 ? " (replacing)" : "");
    }
    return "?";
}

// What the host must have made of the bytes it received, worked out from the log alone.
struct ReceivedReport {
    unsigned number = 0;
    std::string name;
    std::string text;           // the text of every complete chunk, in order
    int checksAfterName = 0;    // cancel checks between its name and its first request
    bool fileOpened = false;    // its file was certainly created
    bool synced = false;        // after its last chunk
    bool renamed = false;       // onto its own name, after the sync
    bool acknowledged = false;  // the host said it has the report
    bool savedBeforeAck = false;
    std::string FileName() const { return ExpectedFileName(name, number); }
};

class Replay {
  public:
    explicit Replay(std::optional<unsigned> count) : count_(count) {}

    // The run hears Cancel only at its checks: one right after each name, one right before each chunk
    // request.
    void Feed(const Event& e, std::vector<std::string>& broken) {
        if (checkDue_ && e.kind != Event::CHECK) {
            broken.push_back("no cancel check right after a report's name");
        }
        checkDue_ = false;
        FeedEvent(e, broken);
        previousWasCheck_ = e.kind == Event::CHECK;
    }
    void Finish(std::vector<std::string>& broken) const {
        if (checkDue_) {
            broken.push_back("no cancel check right after the last report's name");
        }
    }

    bool AllIn() const { return phase_ == ALL_IN; }
    bool AwaitingStart() const { return phase_ == AWAIT_START; }

    std::vector<ReceivedReport> reports;
    bool eraseSent = false;
    int aborts = 0;

  private:
    void FeedEvent(const Event& e, std::vector<std::string>& broken) {
        switch (e.kind) {
            case Event::RECEIVE:
                if (e.value > 1) {
                    if (phase_ != BEFORE_INFO) {
                        broken.push_back("a second block read");
                    }
                    phase_ = INFO_READ;
                    return;
                }
                for (char byte : e.bytes) {
                    Received(static_cast<unsigned char>(byte), broken);
                }
                return;
            case Event::SEND:
                Sent(e.bytes, broken);
                return;
            case Event::CHECK:
                if (phase_ == NAME_READ && ++reports.back().checksAfterName >= 2) {
                    reports.back().fileOpened = true;  // the check before the first request follows the open
                }
                return;
            case Event::SYNC:
                if (phase_ == AWAIT_ACK && e.ok) {
                    reports.back().synced = true;
                }
                return;
            case Event::RENAME:
                if (phase_ == AWAIT_ACK && e.ok && e.value != 0 && reports.back().synced &&
                    e.bytes == reports.back().FileName()) {
                    reports.back().renamed = true;
                }
                return;
            default:
                return;
        }
    }

    enum Phase {
        BEFORE_INFO,
        INFO_READ,
        AWAIT_START,
        NAME,
        NAME_READ,
        CHUNK,
        AWAIT_REQUEST,
        AWAIT_ACK,
        ALL_IN
    };

    void Received(unsigned char byte, std::vector<std::string>& broken) {
        switch (phase_) {
            case AWAIT_START:
                if (byte == REPORT_START) {
                    reports.push_back({});
                    reports.back().number = static_cast<unsigned>(reports.size());
                    phase_ = NAME;
                }
                return;
            case NAME:
                if (byte == CHUNK_END) {
                    phase_ = NAME_READ;
                    checkDue_ = true;
                    return;
                }
                reports.back().name += static_cast<char>(byte);
                if (reports.back().name.size() == REPORT_NAME_MAX) {
                    phase_ = NAME_READ;
                    checkDue_ = true;
                }
                return;
            case CHUNK:
                chunk_ += static_cast<char>(byte);
                lastChunk_ = lastChunk_ || byte == END_OF_REPORT;
                if (byte == CHUNK_END || chunk_.size() == CHUNK_MAX) {
                    reports.back().text += chunk_.substr(0, chunk_.find('\0'));
                    chunk_.clear();
                    phase_ = lastChunk_ ? AWAIT_ACK : AWAIT_REQUEST;
                }
                return;
            case ALL_IN:
                return;  // the answer to the erase command
            default:
                broken.push_back("a byte was read while the host had asked for none");
                return;
        }
    }

    void Sent(const std::string& bytes, std::vector<std::string>& broken) {
        if (bytes == kGetInfo) {
            if (phase_ != BEFORE_INFO) {
                broken.push_back("the information request was sent twice");
            }
        } else if (bytes == kDownload) {
            if (phase_ != INFO_READ) {
                broken.push_back("the download command came without an information block");
            }
            phase_ = AWAIT_START;
        } else if (bytes == kNextChunk) {
            if (phase_ == NAME_READ || phase_ == AWAIT_REQUEST) {
                if (!previousWasCheck_ || (phase_ == NAME_READ && reports.back().checksAfterName != 2)) {
                    broken.push_back("a chunk request without a cancel check of its own right before it");
                }
                reports.back().fileOpened = true;
                lastChunk_ = false;
                phase_ = CHUNK;
            } else if (phase_ == AWAIT_ACK) {
                ReceivedReport& report = reports.back();
                report.acknowledged = true;
                report.savedBeforeAck = report.synced && report.renamed;
                phase_ = count_ && reports.size() >= *count_ ? ALL_IN : AWAIT_START;
            } else {
                broken.push_back("a chunk request or acknowledgement out of turn");
            }
        } else if (bytes == kAbort) {
            ++aborts;
        } else if (bytes == kErase) {
            eraseSent = true;
            if (phase_ != ALL_IN) {
                broken.push_back("the erase command before every report was in");
            }
        } else {
            broken.push_back("unknown bytes sent: " + Printable(bytes));
        }
    }

    std::optional<unsigned> count_;
    Phase phase_ = BEFORE_INFO;
    bool checkDue_ = false;
    bool previousWasCheck_ = false;
    std::string chunk_;
    bool lastChunk_ = false;
};

// Every entry below `root`, by path relative to it; directories marked with a trailing slash.
std::map<std::string, std::string> Tree(const fs::path& root) {
    std::map<std::string, std::string> entries;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(root, error); !error && it != fs::end(it);
         it.increment(error)) {
        std::string relative = fs::relative(it->path(), root, error).string();
        if (it->is_directory(error) && !it->is_symlink(error)) {
            entries[relative + "/"] = "";
        } else {
            std::FILE* file = std::fopen(it->path().c_str(), "rb");
            std::string bytes;
            if (file != nullptr) {
                char buffer[4096];
                for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
                    bytes.append(buffer, got);
                }
                std::fclose(file);
            }
            entries[relative] = bytes;
        }
    }
    return entries;
}

class Player {
  public:
    Player(const DownloadScenario& scenario, const fs::path& root) : s_(scenario), root_(root) {}

    ScenarioOutcome Play();

  private:
    void Arrange();
    void Check();
    void CheckLink();
    void CheckInformationBlock();
    void CheckEnding();
    void CheckProgress();
    void CheckFiles();
    void CheckErase();
    void Broken(const std::string& what) { outcome_.broken.push_back(what); }
    std::optional<unsigned> CountFromBlock() const;

    const DownloadScenario& s_;
    fs::path root_;
    fs::path folder_;  // the report folder
    EventLog log_;
    std::map<std::string, std::string> earlier_;  // files of an earlier run, by name
    std::map<std::string, std::string> tree_;     // what lies below root_ afterwards
    bool removed_ = false;
    int descriptorsBefore_ = 0;
    int descriptorsAfter_ = 0;

    SimInstrument instrument_;
    VirtualClock clock_{s_.clockStart};
    SimDriver sim_{instrument_, clock_};
    RecordingDriver driver_{sim_, log_};
    RecordingWindowing windowing_{log_};
    // Made in the run's own folder, which relative report folders then resolve against.
    RecordingDirectories directories_{log_, s_.failSyncAt, s_.failRenameAt};
    std::unique_ptr<Replay> replay_;

    // Worked out by Check.
    int errorId_ = 0;
    bool cancelActed_ = false;
    ScenarioOutcome outcome_;
};

void Player::Arrange() {
    instrument_.SetReports(s_.reports);
    instrument_.SetChunkSize(s_.chunkSize);
    instrument_.SetFaults(s_.faults);
    instrument_.SetPace(s_.bytesPerSecond);
    clock_.stepPerReading = s_.pollingDriver ? s_.stepPerReading : 0;
    sim_.failOpen = s_.openFails;
    sim_.canWait = !s_.pollingDriver;
    sim_.failQueueStatus = s_.queueStatusFails;
    windowing_.active = !s_.noActiveWindow;
    windowing_.answers = {s_.eraseFirstYes ? IDYES : IDNO, s_.eraseSecondYes ? IDYES : IDNO};
    windowing_.onPump = [this](WindowHandle) {
        if (static_cast<unsigned>(windowing_.pumps) == s_.removeFolderAtCheck) {
            std::error_code ignored;
            fs::remove_all(folder_, ignored);
            removed_ = true;
        }
        if (static_cast<unsigned>(windowing_.pumps) == s_.cancelAtCheck) {
            cancelRequested = 1;
        }
    };

    folder_ = root_ / "reports" / "today";
    std::string folderText = s_.relativeFolder ? "reports/today" : folder_.string();
    std::snprintf(reportFolder, sizeof reportFolder, "%s", folderText.c_str());
    if (s_.earlierFiles) {
        fs::create_directories(folder_);
        for (std::size_t i = 0; i < s_.reports.size(); ++i) {
            unsigned number = static_cast<unsigned>(i + 1);
            std::string name = ExpectedFileName(NameAsRead(s_.reports[i].name), number);
            std::string text = EarlierReportText(number);
            if (std::FILE* file = std::fopen((folder_ / name).c_str(), "wb")) {
                std::fwrite(text.data(), 1, text.size(), file);
                std::fclose(file);
                earlier_[name] = text;
            }
        }
    }
    InstallDriver(&driver_);
    InstallClock(&clock_);
    InstallWindowing(&windowing_);
    InstallDirectories(&directories_);
}

ScenarioOutcome Player::Play() {
    Arrange();
    descriptorsBefore_ = OpenDescriptors();
    if (s_.fileSizeLimit != 0) {
        FileSizeLimit limit(s_.fileSizeLimit);
        RunDownload();
    } else {
        RunDownload();
    }
    descriptorsAfter_ = OpenDescriptors();
    tree_ = Tree(root_);
    Check();
    if (!outcome_.broken.empty()) {
        for (const Event& e : log_) {
            outcome_.events += Describe(e) + "\n";
        }
    }
    return outcome_;
}

std::optional<unsigned> Player::CountFromBlock() const {
    for (const Event& e : log_) {
        if (e.kind == Event::RECEIVE && e.value > 1) {
            // A driver that hands over less than the whole block leaves the count unknown.
            if (e.bytes.size() < REPORT_COUNT_OFFSET + 2) {
                return std::nullopt;
            }
            return static_cast<unsigned char>(e.bytes[REPORT_COUNT_OFFSET]) |
                   static_cast<unsigned>(static_cast<unsigned char>(e.bytes[REPORT_COUNT_OFFSET + 1])) << 8;
        }
    }
    return std::nullopt;
}

void Player::Check() {
    std::optional<unsigned> count = CountFromBlock();
    replay_ = std::make_unique<Replay>(count);
    for (const Event& e : log_) {
        replay_->Feed(e, outcome_.broken);
    }
    replay_->Finish(outcome_.broken);
    for (const Event& e : log_) {
        if (e.kind == Event::BOX && (e.value & 0xF) == MB_OK) {
            if (errorId_ != 0) {
                Broken("a second error box");
            }
            errorId_ = TextIdOfBody(e.bytes);
            if (e.value != (MB_OK | MB_ICONERROR) || errorId_ < IDS_ERR_NOT_CONNECTED ||
                errorId_ > IDS_ERR_FILE) {
                Broken("an error box that is not one of the download's: " + Printable(e.bytes));
            }
        }
    }
    cancelActed_ = s_.cancelAtCheck != 0 && static_cast<unsigned>(windowing_.pumps) >= s_.cancelAtCheck;
    for (const ReceivedReport& report : replay_->reports) {
        outcome_.reportsSaved += report.acknowledged ? 1 : 0;
    }
    outcome_.eraseSent = replay_->eraseSent;
    outcome_.ending = errorId_ != 0 ? StringTableText(errorId_) : cancelActed_ ? "cancelled" : "done";
    outcome_.ending = outcome_.ending.substr(0, outcome_.ending.find('\n'));

    CheckLink();
    CheckInformationBlock();
    CheckEnding();
    CheckProgress();
    CheckFiles();
    CheckErase();
    if (descriptorsAfter_ != descriptorsBefore_) {
        Broken("the run left " + std::to_string(descriptorsAfter_ - descriptorsBefore_) +
               " descriptors open");
    }
}

void Player::CheckLink() {
    int opens = 0;
    int closes = 0;
    std::size_t openAt = log_.size();
    std::size_t closeAt = log_.size();
    for (std::size_t i = 0; i < log_.size(); ++i) {
        const Event& e = log_[i];
        if (e.kind == Event::OPEN || e.kind == Event::OPEN_REFUSED) {
            ++opens;
            openAt = e.kind == Event::OPEN ? i : openAt;
        } else if (e.kind == Event::CLOSE) {
            ++closes;
            closeAt = i;
        } else if ((e.kind == Event::SEND || e.kind == Event::RECEIVE) && (i < openAt || i > closeAt)) {
            Broken("the link was used while it was not open: " + Describe(e));
        } else if (e.kind == Event::BOX && (e.value & 0xF) == MB_OK && openAt < log_.size() &&
                   (i < openAt || i > closeAt)) {
            Broken("an error box while the link was closed");
        }
    }
    if (opens > 1) {
        Broken("the link was opened " + std::to_string(opens) + " times");
    }
    bool opened = openAt < log_.size();
    if (opened ? closes != 1 : closes != 0) {
        Broken("the link was closed " + std::to_string(closes) + " times after " +
               (opened ? "opening it" : "not opening it"));
    }
    if (driver_.callsWhileClosed != 0) {
        Broken("driver calls while the link was closed");
    }
    if ((errorId_ == IDS_ERR_NOT_CONNECTED) != s_.openFails) {
        Broken("\"not connected\" does not match a link that " +
               std::string(s_.openFails ? "could not" : "could") + " be opened");
    }
    if (errorId_ == IDS_ERR_FOLDER) {
        Broken("a folder that can be made was reported as not accessible");
    }
}

// The information block's two errors: none came whole, or it counted no reports.
void Player::CheckInformationBlock() {
    bool wholeBlock = false;
    for (const Event& e : log_) {
        wholeBlock =
            wholeBlock || (e.kind == Event::RECEIVE && e.value > 1 && e.bytes.size() == INFO_BLOCK_SIZE);
    }
    std::optional<unsigned> count = CountFromBlock();
    if (errorId_ == IDS_ERR_NOT_USB_MODE && wholeBlock) {
        Broken("\"not set to USB MODE\" after a whole information block");
    }
    if (wholeBlock && count && (*count == 0) != (errorId_ == IDS_ERR_NO_REPORTS)) {
        Broken("\"no reports\" does not match a count of " + std::to_string(*count));
    }
}

void Player::CheckEnding() {
    // Sends after the error box, and where the abort byte stands.
    std::size_t boxAt = log_.size();
    std::size_t lastSend = log_.size();
    std::size_t lastSendBeforeBox = log_.size();
    for (std::size_t i = 0; i < log_.size(); ++i) {
        const Event& e = log_[i];
        if (e.kind == Event::BOX && (e.value & 0xF) == MB_OK) {
            boxAt = i;
        } else if (e.kind == Event::SEND) {
            lastSend = i;
            if (boxAt == log_.size()) {
                lastSendBeforeBox = i;
            } else {
                Broken("sent after the error box: " + Describe(e));
            }
        }
    }
    const int aborts = replay_->aborts;
    outcome_.abortSent = aborts > 0;
    if (aborts > 1) {
        Broken("the abort byte was sent " + std::to_string(aborts) + " times");
    }
    bool abortExpected = cancelActed_ || errorId_ == IDS_ERR_FILE;
    if ((aborts > 0) != abortExpected) {
        Broken(aborts > 0 ? "the abort byte on a run that was neither cancelled nor failed on a file"
                          : "no abort byte although the run ended by cancel or a file failure");
    }
    if (aborts > 0 && log_[lastSend].bytes != kAbort) {
        Broken("something was sent after the abort byte");
    }
    if (errorId_ == IDS_ERR_FILE &&
        (lastSendBeforeBox == log_.size() || log_[lastSendBeforeBox].bytes != kAbort)) {
        Broken("the file failure box without the abort byte just before it");
    }
    if (cancelActed_ && errorId_ != 0) {
        Broken("a box on a cancelled run");
    }
    std::vector<std::uint32_t> pause;
    if (cancelActed_) {
        pause.push_back(ABORT_PAUSE_MS);
    }
    if (clock_.sleeps != pause) {
        Broken("the pause after the abort byte is wrong");
    }
    if (!s_.noActiveWindow) {
        const char* expected = errorId_ == 0 && !cancelActed_ ? "Status: DONE" : "Status: CANCELLED";
        if (windowing_.texts[IDC_STATUS] != expected) {
            Broken("the status line reads \"" + windowing_.texts[IDC_STATUS] + "\", not \"" + expected +
                   "\"");
        }
    }
    if (errorId_ == 0 && !cancelActed_) {
        std::optional<unsigned> count = CountFromBlock();
        if (!count || outcome_.reportsSaved != *count) {
            Broken("a run told as done without every report saved");
        }
    }
}

void Player::CheckProgress() {
    if (s_.noActiveWindow) {
        return;
    }
    std::optional<unsigned> count = CountFromBlock();
    unsigned expected = 1;
    for (const Event& e : log_) {
        unsigned number = 0;
        unsigned of = 0;
        if (e.kind != Event::STATUS ||
            std::sscanf(e.bytes.c_str(), "Status: Receiving report #%u of %u", &number, &of) != 2) {
            continue;
        }
        if (number != expected || (count && of != *count) || number > of) {
            Broken("progress line out of step: " + e.bytes);
        }
        ++expected;
    }
    unsigned lines = expected - 1;
    auto begun = static_cast<unsigned>(replay_->reports.size());
    if (lines != begun && !(lines == begun + 1 && replay_->AwaitingStart())) {
        Broken("progress lines (" + std::to_string(lines) + ") do not match the reports begun (" +
               std::to_string(begun) + ")");
    }
}

void Player::CheckFiles() {
    // Nothing may lie anywhere but directly in the report folder.
    const std::set<std::string> folders = {"reports/", "reports/today/"};
    std::map<std::string, std::string> files;
    for (const auto& [path, bytes] : tree_) {
        if (folders.count(path) != 0) {
            continue;
        }
        if (path.rfind("reports/today/", 0) != 0 || path.back() == '/' ||
            path.find('/', std::strlen("reports/today/")) != std::string::npos) {
            Broken("an entry outside the report folder: " + Printable(path));
            continue;
        }
        files[path.substr(std::strlen("reports/today/"))] = bytes;
    }
    outcome_.files = files;
    if (removed_) {
        if (!files.empty()) {
            Broken("files in a report folder that was deleted");
        }
        return;
    }
    for (const auto& [name, bytes] : files) {
        if (earlier_.count(name) == 0 && !IsReportFileName(name)) {
            Broken("a file whose name is not a report file's: " + Printable(name));
        }
        if (bytes.find('\0') != std::string::npos) {
            Broken("a zero byte in " + Printable(name));
        }
    }

    // What each report leaves: a complete one its text; a cut one its text so far where no earlier file was.
    std::map<std::string, std::string> expected = earlier_;
    std::optional<std::pair<std::string, std::string>> mayBePrefix;
    // A cut-short report's file is closed without a box of its own (the run already tells the cut): a full
    // disk may leave it shorter, a refused rename without it.
    const bool cutFileMayFail = s_.fileSizeLimit != 0 || s_.failRenameAt != 0;
    for (const ReceivedReport& report : replay_->reports) {
        const std::string name = report.FileName();
        if (report.acknowledged) {
            expected[name] = report.text;
            if (!report.savedBeforeAck) {
                Broken("report " + std::to_string(report.number) +
                       " was acknowledged before it was synced "
                       "and under its own name");
            }
        } else if (earlier_.count(name) != 0) {
            continue;  // an earlier file stays exactly as it was
        } else if (errorId_ == IDS_ERR_FILE || cutFileMayFail) {
            mayBePrefix = {name, report.text};  // whatever reached the disk before it failed
        } else if (report.fileOpened) {
            expected[name] = report.text;
        }
    }
    for (const auto& [name, bytes] : files) {
        auto wanted = expected.find(name);
        if (wanted != expected.end()) {
            if (bytes != wanted->second) {
                Broken("file " + Printable(name) + " holds " + Printable(bytes) + " instead of " +
                       Printable(wanted->second));
            }
        } else if (mayBePrefix && mayBePrefix->first == name) {
            if (mayBePrefix->second.compare(0, bytes.size(), bytes) != 0) {
                Broken("the file that failed holds bytes that were not received: " + Printable(name));
            }
        } else {
            Broken("an unexpected file: " + Printable(name) + " holding " + Printable(bytes));
        }
    }
    for (const auto& [name, bytes] : expected) {
        if (files.count(name) == 0) {
            Broken("missing file " + Printable(name));
        }
    }
}

void Player::CheckErase() {
    std::vector<const Event*> questions;
    for (const Event& e : log_) {
        if (e.kind == Event::BOX && (e.value & 0xF) == MB_YESNO) {
            questions.push_back(&e);
        }
    }
    outcome_.eraseQuestions = static_cast<unsigned>(questions.size());
    if (questions.size() > 2) {
        Broken("more than two erase questions");
    }
    if (!questions.empty()) {
        std::optional<unsigned> count = CountFromBlock();
        bool allSaved = count && outcome_.reportsSaved == *count && replay_->AllIn() && !removed_;
        for (const ReceivedReport& report : replay_->reports) {
            allSaved = allSaved && report.savedBeforeAck;
        }
        if (!allSaved) {
            Broken("the erase was offered before every report was safely on disk");
        }
    }
    if (questions.size() == 2 && questions[0]->answer != IDYES) {
        Broken("the second erase question after a No");
    }
    bool twiceYes = questions.size() == 2 && questions[0]->answer == IDYES && questions[1]->answer == IDYES;
    if (replay_->eraseSent != twiceYes) {
        Broken(replay_->eraseSent ? "the erase was sent without two Yes answers"
                                  : "two Yes answers and no erase command");
    }
}

}  // namespace

std::string EarlierReportText(unsigned number) {
    return "earlier report " + std::to_string(number) + "\r\n\f";
}

ScenarioOutcome PlayScenario(const DownloadScenario& scenario, const fs::path& workFolder) {
    ScenarioOutcome outcome;
    std::string pattern = (workFolder / "run-XXXXXX").string();
    int startDirectory = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (mkdtemp(pattern.data()) == nullptr || chdir(pattern.c_str()) != 0) {
        outcome.broken.push_back("no folder for the run below " + workFolder.string());
    } else {
        outcome = Player(scenario, pattern).Play();
    }
    if (fchdir(startDirectory) != 0) {
        outcome.broken.push_back("the start directory cannot be entered again");
    }
    close(startDirectory);
    std::error_code ignored;
    fs::permissions(pattern, fs::perms::owner_all, ignored);
    fs::remove_all(pattern, ignored);
    return outcome;
}
