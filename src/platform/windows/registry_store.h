// The setting store on Windows: the value "filepath" of a key below HKEY_CURRENT_USER.
#pragma once

#include <windows.h>

#include "settings/setting_store.h"

inline constexpr char FETCHWELL_REGISTRY_KEY[] = "Software\\Quillfen\\Fetchwell";

class RegistryStore : public SettingStore {
  public:
    // `keyPath` is below HKEY_CURRENT_USER; tests pass a key of their own.
    explicit RegistryStore(const char* keyPath = FETCHWELL_REGISTRY_KEY) : keyPath_(keyPath) {}
    ~RegistryStore() override;
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    bool OpenKey() override;
    bool CreateKey() override;
    bool ReadValue(char* destination, unsigned capacity) override;
    void WriteValue(const char* text, unsigned length) override;
    void CloseKey() override;

  private:
    const char* keyPath_;
    HKEY key_ = nullptr;
};
