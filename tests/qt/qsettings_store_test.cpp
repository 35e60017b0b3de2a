// The report folder setting over the real QSettings store, in a settings folder of the test's own.
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

#include "platform/posix/report_folder_apart.h"
#include "platform/qt/qsettings_store.h"
#include "settings/report_folder.h"
#include "settings/setting_store.h"
#include "shared_state.h"

namespace {
const char* const kDefault = "/home/tech/ZT914reports";
QString Folder() {
    return QString::fromUtf8(reportFolder);
}
}  // namespace

class QSettingsStoreTest : public QObject {
    Q_OBJECT

  private:
    QString SettingsFile() const { return settingsFolder_->filePath("Quillfen/Fetchwell.conf"); }
    // What the settings file holds, read as another program (or the next start) would.
    QVariant StoredValue() const {
        QSettings settings(SettingsFile(), QSettings::NativeFormat);
        return settings.value("filepath");
    }
    void Store(const QString& value) {
        QSettings settings(SettingsFile(), QSettings::NativeFormat);
        settings.setValue("filepath", value);
    }

    std::unique_ptr<QTemporaryDir> settingsFolder_;
    QSettingsStore store_;

  private slots:
    void init() {
        settingsFolder_ = std::make_unique<QTemporaryDir>();
        QVERIFY(settingsFolder_->isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder_->path());
        InstallSettingStore(&store_);
        SetDefaultReportFolder(kDefault);
        std::strcpy(reportFolder, "left over");
    }

    void firstStartCreatesTheSettingsFileWithTheDefault() {
        QVERIFY(!QFile::exists(SettingsFile()));

        LoadReportFolder();

        QCOMPARE(Folder(), QString(kDefault));
        QVERIFY(QFile::exists(SettingsFile()));
        QCOMPARE(StoredValue().toString(), QString(kDefault));
    }

    void missingValueGivesTheDefaultAndWritesNothing() {
        QDir().mkpath(settingsFolder_->filePath("Quillfen"));
        {
            QSettings settings(SettingsFile(), QSettings::NativeFormat);
            settings.setValue("other", "kept");
        }

        LoadReportFolder();

        QCOMPARE(Folder(), QString(kDefault));
        QVERIFY(!StoredValue().isValid());
    }

    void valuesRoundTrip_data() {
        QTest::addColumn<QString>("folder");
        QTest::newRow("empty") << "";
        QTest::newRow("plain") << "/srv/reports";
        QTest::newRow("not ASCII") << "/home/jürgen/Prüfberichte";
        QTest::newRow("backslashes") << "C:\\ZT914reports";
        QTest::newRow("INI punctuation") << "/data/a, b; c=d #1 [x] \"q\"";
    }
    void valuesRoundTrip() {
        QFETCH(QString, folder);
        LoadReportFolder();  // creates the file
        QByteArray bytes = folder.toUtf8();
        std::memcpy(reportFolder, bytes.constData(), static_cast<std::size_t>(bytes.size()) + 1);

        SaveReportFolder();
        std::strcpy(reportFolder, "left over");
        LoadReportFolder();

        QCOMPARE(Folder(), folder);
        QCOMPARE(StoredValue().toString(), folder);
    }

    void storedLength_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("loaded");  // -1: the default
        QTest::newRow("1022") << 1022 << 1022;
        QTest::newRow("1023") << 1023 << 1023;
        QTest::newRow("1024 fills the buffer: cut to 1023") << 1024 << 1023;
        QTest::newRow("1025 is too long: the default") << 1025 << -1;
        QTest::newRow("4000 is too long: the default") << 4000 << -1;
    }
    void storedLength() {
        QFETCH(int, length);
        QFETCH(int, loaded);
        const QString value(length, QChar('f'));
        QDir().mkpath(settingsFolder_->filePath("Quillfen"));
        Store(value);

        LoadReportFolder();

        if (loaded < 0) {
            QCOMPARE(Folder(), QString(kDefault));
        } else {
            QCOMPARE(Folder(), QString(loaded, QChar('f')));
        }
        QCOMPARE(StoredValue().toString(), value);  // loading never rewrites the stored value
    }

    void unusableSettingsFileKeepsEditsInMemoryOnly() {
        // A folder where the settings file should be: it can be neither opened nor created.
        QVERIFY(QDir().mkpath(SettingsFile()));

        LoadReportFolder();
        QCOMPARE(Folder(), QString(kDefault));
        std::strcpy(reportFolder, "/srv/elsewhere");
        SaveReportFolder();

        QVERIFY(QFileInfo(SettingsFile()).isDir());
        QCOMPARE(Folder(), QString("/srv/elsewhere"));
    }

    // fetchwell-cli loads the folder in a child process; every outcome must be the one of a load in-process.
    void loadedApartAsInProcess_data() {
        QTest::addColumn<QString>(
            "stored");  // a null string: no settings file; "<folder>": a folder in its place
        QTest::addColumn<QString>("loaded");  // the folder afterwards
        QTest::addColumn<QString>("storedAfter");
        QTest::newRow("first start stores the default") << QString() << kDefault << kDefault;
        QTest::newRow("stored folder") << "/srv/jürgen reports"
                                       << "/srv/jürgen reports"
                                       << "/srv/jürgen reports";
        QTest::newRow("empty stored folder") << ""
                                             << ""
                                             << "";
        QTest::newRow("unusable settings file gives the default") << "<folder>" << kDefault << QString();
    }
    void loadedApartAsInProcess() {
        QFETCH(QString, stored);
        QFETCH(QString, loaded);
        QFETCH(QString, storedAfter);
        if (stored == "<folder>") {
            QVERIFY(QDir().mkpath(SettingsFile()));
        } else if (!stored.isNull()) {
            QDir().mkpath(settingsFolder_->filePath("Quillfen"));
            Store(stored);
        }

        QVERIFY(LoadReportFolderApart());

        QCOMPARE(Folder(), loaded);
        if (storedAfter.isNull()) {
            QVERIFY(QFileInfo(SettingsFile()).isDir());
        } else {
            QCOMPARE(StoredValue().toString(), storedAfter);
        }
        // The same store loaded here gives the same folder.
        std::strcpy(reportFolder, "left over");
        LoadReportFolder();
        QCOMPARE(Folder(), loaded);
    }
};

QTEST_GUILESS_MAIN(QSettingsStoreTest)
#include "qsettings_store_test.moc"
