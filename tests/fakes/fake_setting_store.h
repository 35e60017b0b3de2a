// An in-memory setting store with failure switches, and a scripted folder picker.
#pragma once

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "settings/setting_store.h"

class FakeSettingStore : public SettingStore {
  public:
    bool OpenKey() override {
        ++opens;
        keyOpen = keyExists && !failOpen;
        return keyOpen;
    }
    bool CreateKey() override {
        ++creates;
        if (failCreate) {
            return false;
        }
        keyExists = true;
        keyOpen = true;
        return true;
    }
    bool ReadValue(char* destination, unsigned capacity) override {
        if (!keyOpen || !value || failRead || value->size() > capacity) {
            return false;
        }
        std::memcpy(destination, value->data(), value->size());
        return true;
    }
    void WriteValue(const char* text, unsigned length) override {
        if (keyOpen) {
            value = std::string(text, length);
            ++writes;
        }
    }
    void CloseKey() override {
        keyOpen = false;
        ++closes;
    }

    bool keyExists = false;
    bool keyOpen = false;
    bool failOpen = false;
    bool failCreate = false;
    bool failRead = false;
    std::optional<std::string> value;  // the stored bytes, terminator included when the writer wrote one
    int opens = 0;
    int creates = 0;
    int writes = 0;
    int closes = 0;
};

class FakeFolderPicker : public FolderPicker {
  public:
    bool PickFolder(void* owner, const char* title, char* path, unsigned capacity) override {
        shownOwner = owner;
        shownTitle = title;
        ++shown;
        if (!choice) {
            return false;
        }
        std::size_t length = std::min<std::size_t>(choice->size(), capacity - 1);
        std::memcpy(path, choice->data(), length);
        path[length] = '\0';
        return true;
    }

    std::optional<std::string> choice;  // nothing: the user cancelled
    void* shownOwner = nullptr;
    std::string shownTitle;
    int shown = 0;
};
