// A windowing for tests: records every call, keeps control texts and states, answers boxes from a script.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/strings.h"
#include "ui/windowing.h"

struct RecordedBox {
    WindowHandle owner;
    std::string body;
    std::string caption;
    unsigned flags;
};

class FakeWindowing : public Windowing {
  public:
    // The main dialog's handle as the fake hands it out.
    WindowHandle Dialog() { return &dialogToken_; }

    int LoadText(int textId, char* buffer, int capacity) override {
        return LoadTableText(textId, buffer, capacity);
    }
    void SetControlText(WindowHandle dialog, int controlId, const char* text) override {
        Note("text " + std::to_string(controlId) + " " + text);
        if (dialog == Dialog()) {
            texts[controlId] = text;
            if (controlId == IDC_STATUS) {
                statusHistory.push_back(text);
            }
        }
    }
    int GetControlText(WindowHandle, int controlId, char* buffer, int capacity) override {
        return LoadFrom(texts[controlId], buffer, capacity);
    }
    void EnableControl(WindowHandle, int controlId, bool enabled) override {
        Note(std::string(enabled ? "enable " : "disable ") + std::to_string(controlId));
        disabled[controlId] = !enabled;
    }
    void FocusControl(WindowHandle, int controlId) override {
        Note("focus " + std::to_string(controlId));
        focus = controlId;
    }
    void EndDialog(WindowHandle, int result) override {
        Note("end " + std::to_string(result));
        endResult = result;
    }
    WindowRect GetWindowRect(WindowHandle) override { return windowRect; }
    int GetScreenMetric(int which) override { return which == SM_CXSCREEN ? screenWidth : screenHeight; }
    void MoveWindowTo(WindowHandle, int x, int y) override {
        Note("move " + std::to_string(x) + " " + std::to_string(y));
        movedTo = {x, y};
    }
    WindowHandle ActiveWindow() override { return active ? Dialog() : nullptr; }
    int ShowMessageBox(WindowHandle owner, const char* body, const char* caption, unsigned flags) override {
        boxes.push_back({owner, body, caption, flags});
        int answer = IDOK;
        if ((flags & 0xF) == MB_YESNO) {
            answer = IDNO;
            if (!answers.empty()) {
                answer = answers.front();
                answers.pop_front();
            }
        }
        Note("box " + std::string(caption) + ": " + body);
        return answer;
    }
    void HandleOneMessage(WindowHandle dialog) override {
        ++pumps;
        Note("pump");
        if (onPump) {
            onPump(dialog);
        }
    }

    static int LoadFrom(const std::string& text, char* buffer, int capacity) {
        if (capacity <= 0) {
            return 0;
        }
        std::size_t length = std::min(text.size(), static_cast<std::size_t>(capacity - 1));
        text.copy(buffer, length);
        buffer[length] = '\0';
        return static_cast<int>(length);
    }

    // Where events go; tests that check the order of link events and boxes share one log with the driver.
    std::vector<std::string>* log = nullptr;
    std::map<int, std::string> texts;
    std::map<int, bool> disabled;
    std::vector<std::string> statusHistory;
    std::vector<RecordedBox> boxes;
    std::deque<int> answers;  // for Yes/No boxes; No once the script runs out
    std::function<void(WindowHandle)> onPump;
    int pumps = 0;
    int focus = 0;
    int endResult = -1;
    bool active = true;
    WindowRect windowRect{0, 0, 400, 150};
    int screenWidth = 1024;
    int screenHeight = 768;
    std::pair<int, int> movedTo{-99999, -99999};

  private:
    void Note(const std::string& event) {
        if (log != nullptr) {
            log->push_back(event);
        }
    }
    char dialogToken_ = 0;
};
