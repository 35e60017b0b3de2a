// The setting store on Windows: one registry key, opened for reading and writing for each load or save.
#include "platform/windows/registry_store.h"

namespace {

constexpr char VALUE_NAME[] = "filepath";
// Reading and writing together (0x2001F), asked for on every open and on the creation alike.
constexpr REGSAM KEY_ACCESS = KEY_READ | KEY_WRITE;

}  // namespace

RegistryStore::~RegistryStore() {
    CloseKey();
}

bool RegistryStore::OpenKey() {
    CloseKey();
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath_, 0, KEY_ACCESS, &key) != ERROR_SUCCESS) {
        return false;
    }
    key_ = key;
    return true;
}

bool RegistryStore::CreateKey() {
    CloseKey();
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath_, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    key_ = key;
    return true;
}

bool RegistryStore::ReadValue(char* destination, unsigned capacity) {
    DWORD size = capacity;
    return key_ != nullptr && RegQueryValueExA(key_, VALUE_NAME, nullptr, nullptr,
                                               reinterpret_cast<BYTE*>(destination), &size) == ERROR_SUCCESS;
}

void RegistryStore::WriteValue(const char* text, unsigned length) {
    if (key_ != nullptr) {
        RegSetValueExA(key_, VALUE_NAME, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), length);
    }
}

void RegistryStore::CloseKey() {
    if (key_ != nullptr) {
        RegCloseKey(key_);
        key_ = nullptr;
    }
}
