// The setting store on Linux: QSettings("Quillfen", "Fetchwell"), key "filepath", shared by fetchwell and
// fetchwell-cli (~/.config/Quillfen/Fetchwell.conf).
#pragma once

#include <QSettings>
#include <memory>

#include "settings/setting_store.h"

class QSettingsStore : public SettingStore {
  public:
    QSettingsStore();
    ~QSettingsStore() override;

    // The settings file is the "key": it opens when it exists and reads cleanly.
    bool OpenKey() override;
    // Makes sure the settings file exists and can be written.
    bool CreateKey() override;
    bool ReadValue(char* destination, unsigned capacity) override;
    void WriteValue(const char* text, unsigned length) override;
    void CloseKey() override;

  private:
    std::unique_ptr<QSettings> settings_;
};
