// The windowing and folder-picker seams in Qt Widgets.
#include "platform/qt/qt_windowing.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QSpacerItem>
#include <QStandardPaths>
#include <cstring>

#include "platform/qt/main_dialog.h"
#include "ui/strings.h"

namespace {

QWidget* ControlOf(WindowHandle dialog, int controlId) {
    auto* mainDialog = dynamic_cast<MainDialog*>(WidgetOf(dialog));
    return mainDialog == nullptr ? nullptr : mainDialog->Control(controlId);
}

QString TextOf(const QWidget* control) {
    if (const auto* edit = qobject_cast<const QLineEdit*>(control)) {
        return edit->text();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(control)) {
        return button->text();
    }
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        return label->text();
    }
    return QString();
}

// Copies at most capacity - 1 bytes and the terminator, never ending inside a character's UTF-8 bytes.
int CopyOut(const QByteArray& bytes, char* buffer, int capacity) {
    if (capacity <= 0) {
        return 0;
    }
    qsizetype length = std::min<qsizetype>(bytes.size(), capacity - 1);
    if (length < bytes.size()) {
        while (length > 0 && (static_cast<unsigned char>(bytes[length]) & 0xC0) == 0x80) {
            --length;
        }
    }
    std::memcpy(buffer, bytes.constData(), static_cast<std::size_t>(length));
    buffer[length] = '\0';
    return static_cast<int>(length);
}

constexpr int CAPTION_BUTTONS_ROOM = 120;

struct BoxButton {
    QMessageBox::StandardButton button;
    int answer;
};

// The buttons of a box by its style's low four bits, in the order Windows shows them (MB_DEFBUTTONn counts
// so).
QList<BoxButton> ButtonsOf(unsigned flags) {
    switch (flags & 0xFu) {
        case 1:  // MB_OKCANCEL
            return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
        case 3:  // MB_YESNOCANCEL
            return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
        case MB_YESNO:
            return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
        default:
            return {{QMessageBox::Ok, IDOK}};
    }
}

QMessageBox::Icon IconOf(unsigned flags) {
    switch (flags & 0xF0u) {
        case MB_ICONERROR:
            return QMessageBox::Critical;
        case 0x20u:  // MB_ICONQUESTION
            return QMessageBox::Question;
        case MB_ICONWARNING:
            return QMessageBox::Warning;
        case 0x40u:  // MB_ICONINFORMATION
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

// Windows measures the screen from the primary screen's top-left corner; Qt from the virtual desktop's, where
// the primary screen need not sit at the origin.
QPoint PrimaryScreenOrigin() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen == nullptr ? QPoint() : screen->geometry().topLeft();
}

}  // namespace

QWidget* WidgetOf(WindowHandle handle) {
    if (handle == nullptr) {
        return nullptr;
    }
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (static_cast<WindowHandle>(window) == handle) {
            return window;
        }
    }
    return nullptr;
}

int QtWindowing::LoadText(int textId, char* buffer, int capacity) {
    return LoadTableText(textId, buffer, capacity);
}

void QtWindowing::SetControlText(WindowHandle dialog, int controlId, const char* text) {
    QWidget* control = ControlOf(dialog, controlId);
    QString value = QString::fromUtf8(text);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(value);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(value);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(value);
    }
}

int QtWindowing::GetControlText(WindowHandle dialog, int controlId, char* buffer, int capacity) {
    return CopyOut(TextOf(ControlOf(dialog, controlId)).toUtf8(), buffer, capacity);
}

void QtWindowing::EnableControl(WindowHandle dialog, int controlId, bool enabled) {
    QWidget* control = ControlOf(dialog, controlId);
    if (control == nullptr) {
        return;
    }
    // Windows leaves the focus with a control that is disabled, where keys do nothing, and it is still there
    // when the control is enabled again. Qt hands it on to the next control, which during a download is
    // Cancel, so a second press of Enter would cancel the run. So the focus waits on the dialog itself
    // meanwhile (Enter there presses the default button, disabled too) and comes back when the control does.
    if (!enabled && control->hasFocus()) {
        control->window()->setFocus(Qt::OtherFocusReason);
        parkedFocus_ = control;
    }
    control->setEnabled(enabled);
    if (enabled && control == parkedFocus_) {
        QWidget* focus = control->window()->focusWidget();
        if (focus == nullptr || focus == control->window()) {
            control->setFocus(Qt::OtherFocusReason);
        }
        parkedFocus_ = nullptr;
    }
}

void QtWindowing::FocusControl(WindowHandle dialog, int controlId) {
    if (QWidget* control = ControlOf(dialog, controlId)) {
        control->setFocus(Qt::OtherFocusReason);
    }
}

void QtWindowing::EndDialog(WindowHandle dialog, int result) {
    if (auto* mainDialog = dynamic_cast<MainDialog*>(WidgetOf(dialog))) {
        mainDialog->End(result);
    }
}

WindowRect QtWindowing::GetWindowRect(WindowHandle window) {
    QWidget* widget = WidgetOf(window);
    if (widget == nullptr) {
        return {0, 0, 0, 0};
    }
    // Before the window is first shown its frame is not known yet, and this is the client area alone.
    QRect frame = widget->frameGeometry().translated(-PrimaryScreenOrigin());
    return {frame.left(), frame.top(), frame.left() + frame.width(), frame.top() + frame.height()};
}

int QtWindowing::GetScreenMetric(int which) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return 0;
    }
    return which == SM_CXSCREEN ? screen->geometry().width() : screen->geometry().height();
}

void QtWindowing::MoveWindowTo(WindowHandle window, int x, int y) {
    if (QWidget* widget = WidgetOf(window)) {
        widget->move(PrimaryScreenOrigin() + QPoint(x, y));
        if (widget->isVisible()) {
            widget->raise();
        }
    }
}

WindowHandle QtWindowing::ActiveWindow() {
    return static_cast<QWidget*>(QApplication::activeWindow());
}

int QtWindowing::ShowMessageBox(WindowHandle owner, const char* body, const char* caption, unsigned flags) {
    QMessageBox box(WidgetOf(owner));
    box.setWindowTitle(QString::fromUtf8(caption));
    box.setTextFormat(Qt::PlainText);
    box.setText(QString::fromUtf8(body));
    box.setIcon(IconOf(flags));
    const QList<BoxButton> buttons = ButtonsOf(flags);
    QMessageBox::StandardButtons standard;
    for (const BoxButton& button : buttons) {
        standard |= button.button;
    }
    box.setStandardButtons(standard);
    qsizetype defaultIndex = static_cast<qsizetype>((flags & 0xF00u) >> 8);
    box.setDefaultButton(buttons[defaultIndex < buttons.size() ? defaultIndex : 0].button);
    // Wide enough for the caption, as Windows sizes its boxes: a short body would cut "DOWNLOAD ERROR" in the
    // title bar. The room for the title bar's buttons is a guess; the window manager draws them.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int captionWidth =
            box.fontMetrics().horizontalAdvance(box.windowTitle()) + CAPTION_BUTTONS_ROOM;
        grid->addItem(new QSpacerItem(captionWidth, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (const BoxButton& button : buttons) {
        if (clicked != nullptr && clicked == box.button(button.button)) {
            return button.answer;
        }
    }
    // Closed without a button: what Windows answers for a box that was cancelled.
    return IDCANCEL;
}

void QtWindowing::HandleOneMessage(WindowHandle /*dialog*/) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool QtFolderPicker::PickFolder(void* owner, const char* title, char* path, unsigned capacity) {
    QString start = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (start.isEmpty() || !QDir(start).exists()) {
        start = QDir::homePath();
    }
    QString chosen = QFileDialog::getExistingDirectory(WidgetOf(owner), QString::fromUtf8(title), start,
                                                       QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty()) {
        return false;
    }
    QByteArray bytes = QFile::encodeName(QDir::toNativeSeparators(chosen));
    // A path that does not fit whole is no path: a cut one would name another folder.
    if (capacity == 0 || static_cast<unsigned long long>(bytes.size()) >= capacity) {
        return false;
    }
    std::memcpy(path, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    path[bytes.size()] = '\0';
    return true;
}
