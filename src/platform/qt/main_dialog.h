// The main dialog in Qt Widgets: the Windows template's seven controls at their places, and every user action
// turned into the message Windows would send to the shared dialog procedure.
#pragma once

#include <QDialog>
#include <QRect>
#include <cstdint>

class QCloseEvent;
class QFont;

// Horizontal and vertical dialog base units of a font, in pixels, worked out as Windows does for a dialog
// font: the average width of the 52 letters, rounded, and the character height.
struct DialogBaseUnits {
    int x;
    int y;
};

DialogBaseUnits BaseUnitsOf(const QFont& font);
// A rectangle in dialog units to pixels: x and width in quarters of the horizontal base unit, y and height in
// eighths of the vertical one, each rounded to the nearest pixel.
QRect DialogUnitsToPixels(const QRect& units, DialogBaseUnits base);

// One control of the template, in template order (the Tab order).
struct ControlTemplate {
    enum class Kind { PushButton, DefaultPushButton, StaticText, Edit };

    int id;
    Kind kind;
    const char* text;
    QRect units;  // position and size in dialog units
};

inline constexpr int DIALOG_WIDTH_UNITS = 241;
inline constexpr int DIALOG_HEIGHT_UNITS = 81;
extern const char* const DIALOG_TITLE;
extern const ControlTemplate DIALOG_CONTROLS[7];

class MainDialog : public QDialog {
  public:
    explicit MainDialog(QWidget* parent = nullptr);

    // WM_INITDIALOG, before the window is first shown.
    void Initialise();
    // Initialises the dialog and runs it modally until it is ended; returns its result.
    int Run();
    // The control with a template id, or null.
    QWidget* Control(int controlId) const;
    // Ends the dialog with a result; a command that is still running (a download) finishes first.
    void End(int result);

    // Esc: IDCANCEL, which the dialog ignores, so the window stays.
    void reject() override;

  protected:
    // The close box: WM_CLOSE.
    void closeEvent(QCloseEvent* event) override;

  private:
    int Send(unsigned message, std::uintptr_t wParam);

    bool ending_ = false;
};
