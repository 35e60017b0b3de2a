// The main dialog in Qt Widgets.
#include "platform/qt/main_dialog.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/dialog.h"
#include "ui/resource_ids.h"
#include "ui/win_constants.h"

const char* const DIALOG_TITLE = "ZT914 Report Download";

const ControlTemplate DIALOG_CONTROLS[7] = {
    {IDC_HELP, ControlTemplate::Kind::PushButton, "Help", QRect(179, 40, 53, 14)},
    {IDC_STATUS, ControlTemplate::Kind::StaticText, "Status:", QRect(11, 43, 164, 12)},
    {IDC_BROWSE, ControlTemplate::Kind::PushButton, "Browse", QRect(179, 19, 53, 14)},
    {IDC_FOLDER, ControlTemplate::Kind::Edit, "", QRect(10, 20, 164, 12)},
    {IDC_DOWNLOAD, ControlTemplate::Kind::DefaultPushButton, "Download Reports", QRect(10, 60, 79, 14)},
    {IDC_EXIT, ControlTemplate::Kind::PushButton, "Exit", QRect(179, 60, 53, 14)},
    {IDC_FOLDER_LABEL, ControlTemplate::Kind::StaticText, "Save report files to:", QRect(11, 7, 164, 12)},
};

namespace {

const char* const kControlIdProperty = "controlId";
constexpr unsigned BN_CLICKED = 0;

std::uintptr_t CommandParameter(int controlId, unsigned notification) {
    return static_cast<std::uintptr_t>(notification) << 16 | static_cast<std::uintptr_t>(controlId);
}

// units * base / divisor, rounded half away from zero as Windows' MulDiv does.
int Scale(int units, int base, int divisor) {
    long long twice = 2LL * units * base;
    long long rounded = (twice + (twice < 0 ? -divisor : divisor)) / (2LL * divisor);
    return static_cast<int>(rounded);
}

}  // namespace

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    QFontMetrics metrics(font);
    int letters = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return {(letters / 26 + 1) / 2, metrics.height()};
}

QRect DialogUnitsToPixels(const QRect& units, DialogBaseUnits base) {
    return QRect(Scale(units.x(), base.x, 4), Scale(units.y(), base.y, 8), Scale(units.width(), base.x, 4),
                 Scale(units.height(), base.y, 8));
}

MainDialog::MainDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(DIALOG_TITLE);
    // A title bar with a close box; no minimise, maximise or help button, and no resizing.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    const DialogBaseUnits base = BaseUnitsOf(font());
    setFixedSize(DialogUnitsToPixels(QRect(0, 0, DIALOG_WIDTH_UNITS, DIALOG_HEIGHT_UNITS), base).size());

    QWidget* previousTabStop = nullptr;
    for (const ControlTemplate& control : DIALOG_CONTROLS) {
        QWidget* widget = nullptr;
        const int controlId = control.id;
        switch (control.kind) {
            case ControlTemplate::Kind::PushButton:
            case ControlTemplate::Kind::DefaultPushButton: {
                auto* button = new QPushButton(control.text, this);
                button->setDefault(control.kind == ControlTemplate::Kind::DefaultPushButton);
                connect(button, &QPushButton::clicked, this,
                        [this, controlId] { Send(WM_COMMAND, CommandParameter(controlId, BN_CLICKED)); });
                widget = button;
                break;
            }
            case ControlTemplate::Kind::StaticText: {
                auto* label = new QLabel(control.text, this);
                label->setTextFormat(Qt::PlainText);
                label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                widget = label;
                break;
            }
            case ControlTemplate::Kind::Edit: {
                auto* edit = new QLineEdit(control.text, this);
                // Every change, typed, pasted or set by the program, is EN_CHANGE, as Windows sends it.
                connect(edit, &QLineEdit::textChanged, this,
                        [this, controlId] { Send(WM_COMMAND, CommandParameter(controlId, EN_CHANGE)); });
                widget = edit;
                break;
            }
        }
        widget->setProperty(kControlIdProperty, controlId);
        widget->setGeometry(DialogUnitsToPixels(control.units, base));
        if (widget->focusPolicy() & Qt::TabFocus) {
            if (previousTabStop != nullptr) {
                setTabOrder(previousTabStop, widget);
            }
            previousTabStop = widget;
        }
    }
}

void MainDialog::Initialise() {
    Send(WM_INITDIALOG, 0);
}

int MainDialog::Run() {
    Initialise();
    return exec();
}

QWidget* MainDialog::Control(int controlId) const {
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        QVariant id = child->property(kControlIdProperty);
        if (id.isValid() && id.toInt() == controlId) {
            return child;
        }
    }
    return nullptr;
}

void MainDialog::End(int result) {
    ending_ = true;
    done(result);
    ending_ = false;
}

void MainDialog::reject() {
    Send(WM_COMMAND, CommandParameter(IDCANCEL, BN_CLICKED));
}

void MainDialog::closeEvent(QCloseEvent* event) {
    if (ending_) {
        event->accept();
        return;
    }
    // The window stays until the dialog procedure ends it.
    event->ignore();
    Send(WM_CLOSE, 0);
}

// The handle is always the QWidget pointer, so that the windowing can turn it back into one.
int MainDialog::Send(unsigned message, std::uintptr_t wParam) {
    return MainDialogProc(static_cast<QWidget*>(this), message, wParam, 0);
}
