// QSettings behind the setting-store seam.
#include "platform/qt/qsettings_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>

namespace {

const char* const kValueName = "filepath";

std::unique_ptr<QSettings> OpenSettings() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, "Quillfen", "Fetchwell");
}

}  // namespace

QSettingsStore::QSettingsStore() = default;
QSettingsStore::~QSettingsStore() = default;

bool QSettingsStore::OpenKey() {
    settings_ = OpenSettings();
    QFileInfo file(settings_->fileName());
    if (!file.exists() || !file.isReadable() || settings_->status() != QSettings::NoError) {
        settings_.reset();
        return false;
    }
    return true;
}

bool QSettingsStore::CreateKey() {
    settings_ = OpenSettings();
    QFileInfo info(settings_->fileName());
    QFile file(info.filePath());
    if (!QDir().mkpath(info.absolutePath()) || !file.open(QIODevice::Append)) {
        settings_.reset();
        return false;
    }
    return true;
}

bool QSettingsStore::ReadValue(char* destination, unsigned capacity) {
    if (!settings_ || !settings_->contains(kValueName)) {
        return false;
    }
    QVariant value = settings_->value(kValueName);
    if (!value.canConvert<QString>()) {
        return false;
    }
    QByteArray bytes = value.toString().toUtf8();
    if (static_cast<unsigned long>(bytes.size()) + 1 > capacity) {
        // A text that exactly fills the buffer without its terminator is still the stored text.
        if (static_cast<unsigned long>(bytes.size()) != capacity) {
            return false;
        }
    }
    std::memcpy(destination, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (static_cast<unsigned long>(bytes.size()) < capacity) {
        destination[bytes.size()] = '\0';
    }
    return true;
}

void QSettingsStore::WriteValue(const char* text, unsigned length) {
    if (!settings_) {
        return;
    }
    // The stored length counts the terminator; QSettings keeps the text without it.
    qsizetype characters = length > 0 && text[length - 1] == '\0' ? length - 1 : length;
    settings_->setValue(kValueName, QString::fromUtf8(text, characters));
    settings_->sync();
}

void QSettingsStore::CloseKey() {
    settings_.reset();
}
