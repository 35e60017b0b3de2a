// The desktop program's dialog with real widgets on Qt's offscreen platform: its layout, and downloads from
// the simulated instrument on the virtual clock driven by clicks, with the message boxes and the folder
// picker answered as a user would.
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>

#include "download/directories.h"
#include "download/protocol.h"
#include "link/clock.h"
#include "link/driver.h"
#include "platform/posix/posix_directories.h"
#include "platform/qt/main_dialog.h"
#include "platform/qt/qsettings_store.h"
#include "platform/qt/qt_windowing.h"
#include "settings/setting_store.h"
#include "shared_state.h"
#include "sim/sim_driver.h"
#include "temp_folder.h"
#include "ui/resource_ids.h"
#include "ui/strings.h"

namespace {

struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton;
    QString statusLine;  // the dialog's status line while the box was up
};

// Answers the program's modal boxes and folder pickers as they come up: message boxes from a script of
// buttons, folder pickers with a folder or a cancel. It looks for them every few milliseconds from inside
// their own loops.
class ModalAnswerer : public QObject {
  public:
    ModalAnswerer() {
        timer_.setInterval(5);
        connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
        timer_.start();
    }

    QList<QMessageBox::StandardButton> answers;  // when they run out, the box's default button
    std::optional<QString> pickedFolder;         // nothing: the picker is cancelled
    std::function<QString()> statusLine;
    QList<SeenBox> boxes;
    QStringList pickerTitles;

  private:
    void Poll() {
        // Boxes live on the stack, so the next one may have the last one's address: each is marked when
        // answered.
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal->property("answered").toBool()) {
            return;
        }
        modal->setProperty("answered", true);
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            boxes.append({box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                          box->standardButton(box->defaultButton()), statusLine ? statusLine() : QString()});
            QAbstractButton* button =
                answers.isEmpty() ? box->defaultButton() : box->button(answers.takeFirst());
            QVERIFY(button != nullptr);
            button->click();
        } else if (auto* picker = qobject_cast<QFileDialog*>(modal)) {
            pickerTitles.append(picker->windowTitle());
            if (pickedFolder) {
                picker->selectFile(*pickedFolder);
                static_cast<QDialog*>(picker)->accept();  // public as a QDialog
            } else {
                picker->reject();
            }
        }
    }

    QTimer timer_;
};

QString Folder() {
    return QString::fromUtf8(reportFolder);
}

}  // namespace

class QtDialogTest : public QObject {
    Q_OBJECT

  private:
    template <typename Widget>
    Widget* Control(int controlId) {
        auto* control = qobject_cast<Widget*>(dialog_->Control(controlId));
        Q_ASSERT(control != nullptr);
        return control;
    }
    QString Status() { return Control<QLabel>(IDC_STATUS)->text(); }
    QVariant StoredFolder() {
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "Quillfen", "Fetchwell");
        return settings.value("filepath");
    }
    void Open() {
        dialog_->Initialise();
        dialog_->show();
        QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
    }
    // The modal loop, ended by force after ten seconds so that a dialog that fails to end fails the test
    // instead of hanging it.
    int RunModal() {
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, dialog_.get(), [this] { dialog_->done(-1); });
        guard.start(10000);
        return dialog_->Run();
    }
    void ClickDownload() { QTest::mouseClick(Control<QPushButton>(IDC_DOWNLOAD), Qt::LeftButton); }
    // Runs `action` at the download's first cancel check, which handles Qt's pending events.
    static void AtFirstCheck(std::function<void()> action) { QTimer::singleShot(0, std::move(action)); }

    std::unique_ptr<QTemporaryDir> settingsFolder_;
    std::unique_ptr<TempFolder> work_;
    std::unique_ptr<PosixDirectories> directories_;
    QtWindowing windowing_;
    QtFolderPicker picker_;
    QSettingsStore store_;
    std::unique_ptr<SimInstrument> instrument_;
    std::unique_ptr<VirtualClock> clock_;
    std::unique_ptr<SimDriver> driver_;
    std::unique_ptr<MainDialog> dialog_;
    std::unique_ptr<ModalAnswerer> answerer_;
    std::filesystem::path reports_;

  private slots:
    void init() {
        settingsFolder_ = std::make_unique<QTemporaryDir>();
        QVERIFY(settingsFolder_->isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder_->path());
        work_ = std::make_unique<TempFolder>();
        reports_ = work_->Path() / "reports";
        {
            QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "Quillfen", "Fetchwell");
            settings.setValue("filepath", QString::fromStdString(reports_.string()));
        }
        directories_ = std::make_unique<PosixDirectories>();
        instrument_ = std::make_unique<SimInstrument>();
        instrument_->SetReports(SampleReports());
        clock_ = std::make_unique<VirtualClock>();
        driver_ = std::make_unique<SimDriver>(*instrument_, *clock_);
        InstallWindowing(&windowing_);
        InstallFolderPicker(&picker_);
        InstallSettingStore(&store_);
        InstallDirectories(directories_.get());
        InstallDriver(driver_.get());
        InstallClock(clock_.get());
        SetDefaultReportFolder("/home/tech/ZT914reports");
        dialog_ = std::make_unique<MainDialog>();
        answerer_ = std::make_unique<ModalAnswerer>();
        answerer_->statusLine = [this] { return Status(); };
    }
    void cleanup() {
        answerer_.reset();
        dialog_.reset();
        directories_.reset();
        work_.reset();
    }

    void templateLayout_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QRect>("units");
        QTest::newRow("help") << IDC_HELP << "QPushButton"
                              << "Help" << QRect(179, 40, 53, 14);
        QTest::newRow("status") << IDC_STATUS << "QLabel"
                                << "Status:" << QRect(11, 43, 164, 12);
        QTest::newRow("browse") << IDC_BROWSE << "QPushButton"
                                << "Browse" << QRect(179, 19, 53, 14);
        QTest::newRow("folder") << IDC_FOLDER << "QLineEdit"
                                << "" << QRect(10, 20, 164, 12);
        QTest::newRow("download") << IDC_DOWNLOAD << "QPushButton"
                                  << "Download Reports" << QRect(10, 60, 79, 14);
        QTest::newRow("exit") << IDC_EXIT << "QPushButton"
                              << "Exit" << QRect(179, 60, 53, 14);
        QTest::newRow("label") << IDC_FOLDER_LABEL << "QLabel"
                               << "Save report files to:" << QRect(11, 7, 164, 12);
    }
    // Each control in template order, of its kind, with its text, id and place, before the dialog is
    // initialised.
    void templateLayout() {
        QFETCH(int, id);
        QFETCH(QString, kind);
        QFETCH(QString, text);
        QFETCH(QRect, units);
        QWidget* control = dialog_->Control(id);
        QVERIFY(control != nullptr);
        QCOMPARE(control->metaObject()->className(), kind);
        if (auto* button = qobject_cast<QPushButton*>(control)) {
            QCOMPARE(button->text(), text);
            QCOMPARE(button->isDefault(), id == IDC_DOWNLOAD);
        } else if (auto* label = qobject_cast<QLabel*>(control)) {
            QCOMPARE(label->text(), text);
        } else {
            QCOMPARE(qobject_cast<QLineEdit*>(control)->text(), text);
        }
        QVERIFY(control->isEnabled());
        QCOMPARE(control->geometry(), DialogUnitsToPixels(units, BaseUnitsOf(dialog_->font())));
    }

    void controlsComeInTemplateOrder() {
        QList<int> ids;
        for (QWidget* control : dialog_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            ids.append(control->property("controlId").toInt());
        }
        QCOMPARE(ids, (QList<int>{IDC_HELP, IDC_STATUS, IDC_BROWSE, IDC_FOLDER, IDC_DOWNLOAD, IDC_EXIT,
                                  IDC_FOLDER_LABEL}));
    }

    void dialogUnits_data() {
        QTest::addColumn<QRect>("units");
        QTest::addColumn<int>("baseX");
        QTest::addColumn<int>("baseY");
        QTest::addColumn<QRect>("pixels");
        // 179 * 7 / 4 = 313.25 and 53 * 7 / 4 = 92.75 round to the nearest pixel; halves round up.
        QTest::newRow("help button") << QRect(179, 40, 53, 14) << 7 << 16 << QRect(313, 80, 93, 28);
        QTest::newRow("halves") << QRect(1, 1, 2, 3) << 6 << 12 << QRect(2, 2, 3, 5);
        QTest::newRow("the classic 8-point font") << QRect(0, 0, 241, 81) << 6 << 13 << QRect(0, 0, 362, 132);
    }
    void dialogUnits() {
        QFETCH(QRect, units);
        QFETCH(int, baseX);
        QFETCH(int, baseY);
        QFETCH(QRect, pixels);
        QCOMPARE(DialogUnitsToPixels(units, DialogBaseUnits{baseX, baseY}), pixels);
    }

    void windowIsAFixedDialogWithACloseBox() {
        Open();
        QCOMPARE(dialog_->windowTitle(), QString("ZT914 Report Download"));
        const QSize size = DialogUnitsToPixels(QRect(0, 0, 241, 81), BaseUnitsOf(dialog_->font())).size();
        QCOMPARE(dialog_->minimumSize(), size);
        QCOMPARE(dialog_->maximumSize(), size);
        const Qt::WindowFlags flags = dialog_->windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowTitleHint));
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));
    }

    void opensCentredOnThePrimaryScreen() {
        dialog_->Initialise();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QSize size = dialog_->frameGeometry().size();
        QCOMPARE(dialog_->pos(), screen.topLeft() + QPoint((screen.width() - size.width()) / 2,
                                                           (screen.height() - size.height()) / 2));
    }

    void opensIdleWithTheStoredFolderAndDownloadFocused() {
        Open();
        QCOMPARE(Status(), QString("Status: IDLE"));
        QCOMPARE(Control<QLineEdit>(IDC_FOLDER)->text(), QString::fromStdString(reports_.string()));
        QCOMPARE(Control<QPushButton>(IDC_EXIT)->text(), QString("Exit"));
        QCOMPARE(QApplication::focusWidget(), dialog_->Control(IDC_DOWNLOAD));
    }

    void tabFollowsTheTemplateOrder() {
        Open();
        Control<QPushButton>(IDC_HELP)->setFocus();
        QList<int> order{IDC_HELP};
        for (int step = 0; step < 5; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order.append(QApplication::focusWidget()->property("controlId").toInt());
        }
        QCOMPARE(order, (QList<int>{IDC_HELP, IDC_BROWSE, IDC_FOLDER, IDC_DOWNLOAD, IDC_EXIT, IDC_HELP}));
    }

    void fullDownloadWithTheErase() {
        Open();
        answerer_->answers = {QMessageBox::Yes, QMessageBox::Yes};

        ClickDownload();

        QCOMPARE(Status(), QString("Status: DONE"));
        QCOMPARE(Control<QPushButton>(IDC_EXIT)->text(), QString("Exit"));
        for (int id : {IDC_DOWNLOAD, IDC_BROWSE, IDC_HELP, IDC_FOLDER}) {
            QVERIFY(dialog_->Control(id)->isEnabled());
        }
        const auto files = TempFolder::Files(reports_);
        QCOMPARE(files.size(), std::size_t{3});
        QCOMPARE(files.at("KETTLE 2200W-R001.TXT"), SampleReports()[0].text);
        QCOMPARE(files.at("DRILL 18V_CHG-R002.TXT"), SampleReports()[1].text);
        QCOMPARE(files.at("EXT LEAD 10M-R003.TXT"), SampleReports()[2].text);
        QVERIFY(instrument_->Erased());

        QCOMPARE(answerer_->boxes.size(), 2);
        const SeenBox& ask = answerer_->boxes[0];
        QCOMPARE(ask.title, QString("ERASE TEST RECORDS"));
        QCOMPARE(ask.text, QString("Erase Test Records in ZT914 memory?"));
        QCOMPARE(ask.icon, QMessageBox::NoIcon);
        QCOMPARE(ask.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(ask.defaultButton, QMessageBox::No);
        QCOMPARE(ask.statusLine, QString("Status: DONE"));
        const SeenBox& confirm = answerer_->boxes[1];
        QCOMPARE(confirm.title, QString("ERASE TEST RECORDS"));
        QCOMPARE(confirm.text, QString("Erase Test Records in ZT914 memory:\n\nAre you sure?"));
        QCOMPARE(confirm.icon, QMessageBox::Warning);
        QCOMPARE(confirm.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(confirm.defaultButton, QMessageBox::No);
    }

    void enterInTheFolderFieldPressesDownload() {
        Open();
        answerer_->answers = {QMessageBox::No};
        QTest::keyClick(Control<QLineEdit>(IDC_FOLDER), Qt::Key_Return);

        QCOMPARE(Status(), QString("Status: DONE"));
        QCOMPARE(TempFolder::Files(reports_).size(), std::size_t{3});
        QVERIFY(!instrument_->Erased());
    }

    // Enter started the download; pressed again while it runs, it must not reach Cancel. After the run it
    // starts the next download, as the default button.
    void enterDuringTheDownloadDoesNotCancelIt() {
        Open();
        answerer_->answers = {QMessageBox::No, QMessageBox::No};
        AtFirstCheck([] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); });

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);

        QCOMPARE(Status(), QString("Status: DONE"));
        QVERIFY(!instrument_->Aborted());
        QCOMPARE(TempFolder::Files(reports_).size(), std::size_t{3});
        // The offscreen platform does not give the activation back to the dialog when a box closes; a window
        // manager does.
        dialog_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
        QCOMPARE(QApplication::focusWidget(), dialog_->Control(IDC_DOWNLOAD));

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);

        QCOMPARE(answerer_->boxes.size(), 2);  // the second run's first erase question
        QVERIFY(dialog_->isVisible());
    }

    void cancelDuringTheDownload() {
        Open();
        QString labelWhenClicked;
        AtFirstCheck([this, &labelWhenClicked] {
            auto* cancel = Control<QPushButton>(IDC_EXIT);
            labelWhenClicked = cancel->text();
            QTest::mouseClick(cancel, Qt::LeftButton);
        });

        ClickDownload();

        QCOMPARE(labelWhenClicked, QString("Cancel"));
        QCOMPARE(Status(), QString("Status: CANCELLED"));
        QVERIFY(answerer_->boxes.isEmpty());
        QVERIFY(instrument_->Aborted());
        QVERIFY(TempFolder::Files(reports_).empty());  // heard right after the first name: no file begun
        QCOMPARE(Control<QPushButton>(IDC_EXIT)->text(), QString("Exit"));
        QVERIFY(dialog_->isVisible());
        QCOMPARE(downloadActive, 0);
    }

    void timeOutShowsTheErrorThenCancelled() {
        FaultPlan faults;
        faults.silentFromByte = INFO_BLOCK_SIZE + 40;  // inside the first report's text
        instrument_->SetFaults(faults);
        Open();

        ClickDownload();

        QCOMPARE(answerer_->boxes.size(), 1);
        const SeenBox& error = answerer_->boxes[0];
        QCOMPARE(error.title, QString("DOWNLOAD ERROR"));
        QCOMPARE(error.text, QString("Data transfer timeout"));
        QCOMPARE(error.icon, QMessageBox::Critical);
        QCOMPARE(error.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(error.statusLine, QString("Status: Receiving report #1 of 3..."));
        QCOMPARE(Status(), QString("Status: CANCELLED"));
        QCOMPARE(Control<QPushButton>(IDC_EXIT)->text(), QString("Exit"));
    }

    void helpShowsTheInstructions() {
        Open();
        QTest::mouseClick(Control<QPushButton>(IDC_HELP), Qt::LeftButton);

        QCOMPARE(answerer_->boxes.size(), 1);
        const SeenBox& help = answerer_->boxes[0];
        QCOMPARE(help.title, QString("Fetchwell HELP"));
        QCOMPARE(help.text, QString(StringTableText(IDS_HELP_TEXT)));
        QCOMPARE(help.icon, QMessageBox::NoIcon);
        QCOMPARE(help.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(Status(), QString("Status: IDLE"));
    }

    void folderFieldIsSavedOnEveryEdit() {
        Open();
        QLineEdit* field = Control<QLineEdit>(IDC_FOLDER);
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Backspace);
        QCOMPARE(StoredFolder().toString(), QString(""));
        QCOMPARE(Folder(), QString(""));

        const QString typed = "/srv/rep";
        for (qsizetype length = 1; length <= typed.size(); ++length) {
            QTest::keyClick(field, typed[length - 1].toLatin1());
            QCOMPARE(StoredFolder().toString(), typed.left(length));
        }
        QCOMPARE(Folder(), QString("/srv/rep"));
    }

    void longFolderTextIsCutToWholeCharacters_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("kept");
        const QString a1022(1022, QChar('a'));
        QTest::newRow("ASCII") << a1022 + "bcd" << a1022 + "b";
        // The 1023rd and 1024th bytes are one character: it is left out whole rather than cut in half.
        QTest::newRow("two-byte character across the end") << a1022 + QString::fromUtf8("\xC3\xBC") << a1022;
        QTest::newRow("two-byte character at the end")
            << QString(1021, QChar('a')) + QString::fromUtf8("\xC3\xBCz")
            << QString(1021, QChar('a')) + QString::fromUtf8("\xC3\xBC");
    }
    void longFolderTextIsCutToWholeCharacters() {
        QFETCH(QString, text);
        QFETCH(QString, kept);
        Open();
        Control<QLineEdit>(IDC_FOLDER)->setText(text);
        QCOMPARE(Folder(), kept);
        QCOMPARE(StoredFolder().toString(), kept);
    }

    void browseCancelledChangesNothing() {
        Open();
        const QString before = Control<QLineEdit>(IDC_FOLDER)->text();

        QTest::mouseClick(Control<QPushButton>(IDC_BROWSE), Qt::LeftButton);

        QCOMPARE(answerer_->pickerTitles, QStringList{"Select a folder for report files..."});
        QCOMPARE(Control<QLineEdit>(IDC_FOLDER)->text(), before);
        QCOMPARE(StoredFolder().toString(), before);
        QCOMPARE(Folder(), before);
    }

    void browseChosenIsShownAndSaved() {
        Open();
        const std::filesystem::path chosen = work_->Path() / "chosen";
        std::filesystem::create_directory(chosen);
        answerer_->pickedFolder = QString::fromStdString(chosen.string());

        QTest::mouseClick(Control<QPushButton>(IDC_BROWSE), Qt::LeftButton);

        QCOMPARE(Control<QLineEdit>(IDC_FOLDER)->text(), *answerer_->pickedFolder);
        QCOMPARE(StoredFolder().toString(), *answerer_->pickedFolder);
        QCOMPARE(Folder(), *answerer_->pickedFolder);
    }

    void escapeLeavesTheWindowOpen() {
        Open();
        QTest::keyClick(dialog_.get(), Qt::Key_Escape);
        QVERIFY(dialog_->isVisible());
    }

    void exitEndsTheModalDialogWithZero() {
        QTimer::singleShot(0, this,
                           [this] { QTest::mouseClick(Control<QPushButton>(IDC_EXIT), Qt::LeftButton); });
        QCOMPARE(RunModal(), 0);
        QVERIFY(!dialog_->isVisible());
    }

    void closeBoxEndsTheModalDialogWithZero() {
        QTimer::singleShot(0, this, [this] { dialog_->close(); });
        QCOMPARE(RunModal(), 0);
        QVERIFY(!dialog_->isVisible());
    }

    // The close box during a download ends the dialog, but the run goes on to its end, erase included, and
    // the modal loop returns only after it.
    void closeBoxDuringTheDownloadLetsTheRunFinish() {
        answerer_->answers = {QMessageBox::Yes, QMessageBox::Yes};
        bool downloadReturned = false;
        QTimer::singleShot(0, this, [this, &downloadReturned] {
            AtFirstCheck([this] { dialog_->close(); });
            ClickDownload();
            downloadReturned = true;
        });

        QCOMPARE(RunModal(), 0);

        QVERIFY(downloadReturned);
        QVERIFY(!dialog_->isVisible());
        QCOMPARE(TempFolder::Files(reports_).size(), std::size_t{3});
        QCOMPARE(answerer_->boxes.size(), 2);
        QVERIFY(instrument_->Erased());
        QVERIFY(!instrument_->Aborted());
    }
};

QTEST_MAIN(QtDialogTest)
#include "qt_dialog_test.moc"
