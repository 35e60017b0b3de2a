// The download run: the host's side of the exchange with the instrument, from the information request to the
// erase.
#include "download/download_run.h"

#include <cstdio>
#include <cstring>

#include "download/protocol.h"
#include "download/report_files.h"
#include "link/clock.h"
#include "link/link.h"
#include "shared_state.h"
#include "ui/alerts.h"

namespace {

constexpr int PROGRESS_FORMAT_SIZE = 128;

unsigned char infoBlock[INFO_BLOCK_SIZE];
unsigned char chunkBuffer[CHUNK_MAX];
char reportName[REPORT_NAME_BUFFER_SIZE];

// A report file that could not be saved whole: the instrument is told to stop in place of the next request,
// the user is told, and the run ends. What arrived of the report stays as a cut-short report's does.
void AbortOnFileFailure(ReportFile* file) {
    LinkSendByte(ABORT_BYTE);
    ShowError(IDS_ERR_FILE);
    LinkClose();
    if (file != nullptr) {
        CloseCutReportFile(file);
    }
}

// The format is the string table's progress text, which takes exactly two unsigned numbers.
void ShowProgress(WindowHandle dialog, const char* format, unsigned reportNumber, unsigned reportCount) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    std::snprintf(scratchText, sizeof scratchText, format, reportNumber, reportCount);
#pragma GCC diagnostic pop
    InstalledWindowing().SetControlText(dialog, IDC_STATUS, scratchText);
}

// Reads bytes into `destination` until a zero or `capacity` bytes, each within `limitMs`. False on a
// time-out. Sets *endOfReport when a form feed is among them (when asked to look).
bool ReadFramed(unsigned char* destination, unsigned capacity, unsigned limitMs, bool* endOfReport) {
    for (unsigned position = 0; position < capacity; ++position) {
        int byte = LinkReadByte(limitMs);
        if (byte < 0) {
            return false;
        }
        destination[position] = static_cast<unsigned char>(byte);
        if (byte == END_OF_REPORT && endOfReport != nullptr) {
            *endOfReport = true;
        }
        if (byte == CHUNK_END) {
            return true;
        }
    }
    return true;
}

}  // namespace

void PumpOneMessage(WindowHandle dialog) {
    InstalledWindowing().HandleOneMessage(dialog);
}

int PollCancel(WindowHandle dialog) {
    PumpOneMessage(dialog);
    if (cancelRequested == 0) {
        return 0;
    }
    cancelRequested = 0;
    SetStatus(dialog, IDC_STATUS, IDS_STATUS_CANCELLED);
    LinkSendByte(ABORT_BYTE);
    InstalledClock().Sleep(ABORT_PAUSE_MS);
    LinkClose();
    return 1;
}

void AbortOnTimeout() {
    ShowError(IDS_ERR_TIMEOUT);
    LinkClose();
}

void RunDownload() {
    cancelRequested = 0;
    WindowHandle dialog = InstalledWindowing().ActiveWindow();
    char progressFormat[PROGRESS_FORMAT_SIZE];
    InstalledWindowing().LoadText(IDS_STATUS_RECEIVING, progressFormat, sizeof progressFormat);

    if (!PrepareReportFolder()) {
        ShowError(IDS_ERR_FOLDER);
        return;
    }
    if (LinkOpen() != 0) {
        ShowError(IDS_ERR_NOT_CONNECTED);
        return;
    }
    LinkSendText(CMD_GET_INFO, COMMAND_LENGTH);
    // A driver that hands over less than the whole block has not delivered it: the count would come from
    // whatever an earlier run left in the buffer.
    if (LinkReadBlock(infoBlock, INFO_BLOCK_SIZE, INFO_BLOCK_TIMEOUT_MS) !=
        static_cast<int>(INFO_BLOCK_SIZE)) {
        ShowError(IDS_ERR_NOT_USB_MODE);
        LinkClose();
        return;
    }
    const unsigned reportCount =
        infoBlock[REPORT_COUNT_OFFSET] | static_cast<unsigned>(infoBlock[REPORT_COUNT_OFFSET + 1]) << 8;
    if (reportCount == 0) {
        ShowError(IDS_ERR_NO_REPORTS);
        LinkClose();
        return;
    }
    LinkSendText(CMD_DOWNLOAD, COMMAND_LENGTH);

    for (unsigned long reportNumber = 1; reportNumber <= reportCount; ++reportNumber) {
        ShowProgress(dialog, progressFormat, static_cast<unsigned>(reportNumber), reportCount);
        for (;;) {
            int byte = LinkReadByte(REPORT_START_TIMEOUT_MS);
            if (byte < 0) {
                AbortOnTimeout();
                return;
            }
            if (byte == REPORT_START) {
                break;
            }
        }
        std::memset(reportName, 0, sizeof reportName);
        if (!ReadFramed(reinterpret_cast<unsigned char*>(reportName), REPORT_NAME_MAX, NAME_BYTE_TIMEOUT_MS,
                        nullptr)) {
            AbortOnTimeout();
            return;
        }
        if (PollCancel(dialog)) {
            return;
        }
        SanitizeReportName(reportName);
        MakeReportFileName(reportName, static_cast<unsigned>(reportNumber));
        ReportFile* file = OpenReportFile(reportName);
        if (file == nullptr) {
            AbortOnFileFailure(nullptr);
            return;
        }
        bool endOfReport = false;
        while (!endOfReport) {
            if (PollCancel(dialog)) {
                CloseCutReportFile(file);
                return;
            }
            LinkSendByte(NEXT_CHUNK);
            std::memset(chunkBuffer, 0, sizeof chunkBuffer);
            if (!ReadFramed(chunkBuffer, CHUNK_MAX, CHUNK_BYTE_TIMEOUT_MS, &endOfReport)) {
                AbortOnTimeout();
                CloseCutReportFile(file);
                return;
            }
            if (!WriteReportChunk(file, chunkBuffer)) {
                AbortOnFileFailure(file);
                return;
            }
        }
        // The acknowledgement goes out only once the report is safely on disk under its own name.
        if (!CloseReportFile(file)) {
            AbortOnFileFailure(nullptr);
            return;
        }
        LinkSendByte(NEXT_CHUNK);
    }

    SetStatus(dialog, IDC_STATUS, IDS_STATUS_DONE);
    if (ConfirmErase() == 1) {
        LinkSendText(CMD_ERASE, COMMAND_LENGTH);
        if (LinkReadByte(ERASE_ACK_TIMEOUT_MS) != ERASE_ACK) {
            AbortOnTimeout();
            return;
        }
        LinkReadByte(ERASE_TRAILING_MS);
    }
    LinkClose();
}
