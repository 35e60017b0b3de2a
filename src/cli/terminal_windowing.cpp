// The terminal front end's windowing.
#include "cli/terminal_windowing.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "shared_state.h"
#include "ui/strings.h"

namespace {

// Win32's fields of a message box's style: which buttons, which icon.
constexpr unsigned BUTTONS_MASK = 0x0Fu;
constexpr unsigned ICON_MASK = 0xF0u;

// The string-table id of a text the run showed, or 0 for a text made from a format (the progress line).
int TextIdOf(const char* text) {
    for (int id = IDS_STATUS_IDLE; id <= IDS_CANCEL; ++id) {
        const char* tableText = StringTableText(id);
        if (tableText != nullptr && std::strcmp(tableText, text) == 0) {
            return id;
        }
    }
    return 0;
}

}  // namespace

TerminalWindowing::TerminalWindowing(std::FILE* output, int input, const TerminalSettings& settings,
                                     volatile std::sig_atomic_t* interrupt)
    : output_(output), input_(input), settings_(settings), interrupt_(interrupt) {}

int TerminalWindowing::LoadText(int textId, char* buffer, int capacity) {
    return LoadTableText(textId, buffer, capacity);
}

void TerminalWindowing::SetControlText(WindowHandle /*dialog*/, int controlId, const char* text) {
    if (controlId != IDC_STATUS) {
        return;  // the Exit/Cancel label: Ctrl-C is the terminal's Cancel button
    }
    statusTextId_ = TextIdOf(text);
    if (settings_.quiet) {
        return;
    }
    if (settings_.outputIsTerminal) {
        std::fprintf(output_, "\r%s\033[K", text);
        statusLineOpen_ = true;
    } else {
        std::fprintf(output_, "%s\n", text);
    }
    std::fflush(output_);
}

int TerminalWindowing::GetControlText(WindowHandle /*dialog*/, int /*controlId*/, char* buffer,
                                      int capacity) {
    if (capacity > 0) {
        buffer[0] = '\0';
    }
    return 0;
}

int TerminalWindowing::ShowMessageBox(WindowHandle /*owner*/, const char* body, const char* /*caption*/,
                                      unsigned flags) {
    if ((flags & BUTTONS_MASK) == MB_YESNO) {
        switch (settings_.erase) {
            case EraseAnswer::Yes:
                return IDYES;
            case EraseAnswer::No:
                return IDNO;
            case EraseAnswer::Ask:
                return settings_.inputIsTerminal ? Ask(body) : IDNO;
        }
    }
    EndStatusLine();
    std::fprintf(output_, "%s\n", body);
    std::fflush(output_);
    if ((flags & ICON_MASK) == MB_ICONERROR) {
        int textId = TextIdOf(body);
        if (errorTextId_ == 0) {
            errorTextId_ = textId;
        }
        if (afterError) {
            afterError(textId);
        }
    }
    return IDOK;
}

int TerminalWindowing::Ask(const char* question) {
    EndStatusLine();
    std::fprintf(output_, "%s [y/N] ", question);
    std::fflush(output_);
    char first = '\0';
    for (;;) {
        // poll, unlike a read, comes back on Ctrl-C whatever the handler's flags: Ctrl-C answers No.
        pollfd in{input_, POLLIN, 0};
        if (poll(&in, 1, -1) < 0) {
            if (errno != EINTR) {
                return IDNO;
            }
            if (interrupt_ != nullptr) {
                *interrupt_ = 0;
            }
            std::fputc('\n', output_);
            std::fflush(output_);
            return IDNO;
        }
        char byte = '\0';
        ssize_t count = read(input_, &byte, 1);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {  // end of input answers No, on a fresh line
            std::fputc('\n', output_);
            std::fflush(output_);
            return IDNO;
        }
        if (byte == '\n') {
            break;
        }
        if (first == '\0' && byte != ' ' && byte != '\t') {
            first = byte;
        }
    }
    return first == 'y' || first == 'Y' ? IDYES : IDNO;
}

void TerminalWindowing::HandleOneMessage(WindowHandle /*dialog*/) {
    if (interrupt_ != nullptr && *interrupt_ != 0) {
        *interrupt_ = 0;
        cancelRequested = 1;
    }
}

void TerminalWindowing::EndStatusLine() {
    if (statusLineOpen_) {
        std::fputc('\n', output_);
        statusLineOpen_ = false;
    }
}

void TerminalWindowing::Finish() {
    EndStatusLine();
    std::fflush(output_);
}
