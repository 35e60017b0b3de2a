// Driving fetchwell.exe from outside.
#include "program_driver.h"

namespace {

bool IsButton(HWND window) {
    char className[32];
    GetClassNameA(window, className, sizeof className);
    LONG style = GetWindowLongA(window, GWL_STYLE);
    return lstrcmpiA(className, "Button") == 0 && (style & WS_VISIBLE) != 0;
}

struct Search {
    DWORD processId;
    std::string title;  // empty: any dialog of the program
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM parameter) {
    Search* search = reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[32];
    GetClassNameA(window, className, sizeof className);
    if (owner == search->processId && IsWindowVisible(window) && lstrcmpA(className, "#32770") == 0 &&
        (search->title.empty() || WindowText(window) == search->title)) {
        search->found.push_back(window);
    }
    return TRUE;
}

struct BoxParts {
    std::vector<std::string> texts;
    std::vector<int> buttons;
    int defaultButton = 0;
};

BOOL CALLBACK CollectBoxPart(HWND child, LPARAM parameter) {
    BoxParts* parts = reinterpret_cast<BoxParts*>(parameter);
    char className[32];
    GetClassNameA(child, className, sizeof className);
    if (IsButton(child)) {
        parts->buttons.push_back(GetDlgCtrlID(child));
        if ((GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
            parts->defaultButton = GetDlgCtrlID(child);
        }
    } else if (lstrcmpiA(className, "Static") == 0) {
        std::string text = WindowText(child);
        if (!text.empty()) {
            parts->texts.push_back(text);
        }
    }
    return TRUE;
}

MessageBoxView ViewOf(HWND window) {
    MessageBoxView box;
    box.window = window;
    box.caption = WindowText(window);
    BoxParts parts;
    EnumChildWindows(window, CollectBoxPart, reinterpret_cast<LPARAM>(&parts));
    box.texts = parts.texts;
    box.text = parts.texts.empty() ? "" : parts.texts.back();
    box.buttons = parts.buttons;
    box.defaultButton = parts.defaultButton;
    return box;
}

}  // namespace

std::string WindowText(HWND window) {
    char text[2048] = {};
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, PATIENCE_MS, &length)) {
        return "<no answer>";
    }
    return std::string(text, length);
}

std::vector<HWND> VisibleDialogs(DWORD processId, const std::string& title) {
    Search search{processId, title, {}};
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

ProgramDriver::~ProgramDriver() {
    if (process_.hProcess != nullptr) {
        if (Running()) {
            TerminateProcess(process_.hProcess, 255);
            WaitForSingleObject(process_.hProcess, PATIENCE_MS);
        }
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
}

bool ProgramDriver::Start(const std::string& program, const std::string& folder) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + program + "\"";
    return CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &startup, &process_) != FALSE;
}

bool ProgramDriver::WaitForDialog() {
    return WaitUntil([this] {
        std::vector<HWND> dialogs = VisibleDialogs(process_.dwProcessId, "ZT914 Report Download");
        dialog_ = dialogs.empty() ? nullptr : dialogs.front();
        return dialog_ != nullptr;
    });
}

std::string ProgramDriver::Text(int controlId) const {
    return WindowText(GetDlgItem(dialog_, controlId));
}

bool ProgramDriver::Enabled(int controlId) const {
    return IsWindowEnabled(GetDlgItem(dialog_, controlId)) != FALSE;
}

void ProgramDriver::Click(int controlId) const {
    PostMessageA(GetDlgItem(dialog_, controlId), BM_CLICK, 0, 0);
}

void ProgramDriver::Command(int commandId) const {
    PostMessageA(dialog_, WM_COMMAND, MAKEWPARAM(commandId, BN_CLICKED), 0);
}

void ProgramDriver::CloseBox() const {
    PostMessageA(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void ProgramDriver::Type(const std::string& characters) const {
    HWND field = GetDlgItem(dialog_, 101);
    for (char character : characters) {
        PostMessageA(field, WM_CHAR, static_cast<unsigned char>(character), 1);
    }
}

void ProgramDriver::SelectAll() const {
    PostMessageA(GetDlgItem(dialog_, 101), EM_SETSEL, 0, -1);
}

void ProgramDriver::CaretToEnd() const {
    // Positions past the end stop at the end.
    PostMessageA(GetDlgItem(dialog_, 101), EM_SETSEL, 0x7FFFFFFF, 0x7FFFFFFF);
}

bool ProgramDriver::WaitForBox(const std::string& caption, MessageBoxView* box) const {
    return WaitUntil([&] {
        std::vector<HWND> boxes = VisibleDialogs(process_.dwProcessId, caption);
        if (boxes.empty()) {
            return false;
        }
        *box = ViewOf(boxes.front());
        // A box is ready once its text and buttons are there.
        return !box->buttons.empty();
    });
}

bool ProgramDriver::AnyBox(MessageBoxView* box) const {
    for (HWND window : VisibleDialogs(process_.dwProcessId, "")) {
        if (window != dialog_) {
            *box = ViewOf(window);
            return true;
        }
    }
    return false;
}

void ProgramDriver::Answer(const MessageBoxView& box, int buttonId) const {
    PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0);
}

bool ProgramDriver::WaitUntilClosed(const MessageBoxView& box) const {
    return WaitUntil([&] { return !IsWindow(box.window) || !IsWindowVisible(box.window); });
}

bool ProgramDriver::WaitForExit(DWORD* exitCode, DWORD milliseconds) {
    if (WaitForSingleObject(process_.hProcess, milliseconds) != WAIT_OBJECT_0) {
        return false;
    }
    return GetExitCodeProcess(process_.hProcess, exitCode) != FALSE;
}

bool ProgramDriver::Running() const {
    return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}
