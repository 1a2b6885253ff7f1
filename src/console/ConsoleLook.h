#pragma once
// The console's shapes and lamps, drawn by themselves in colours taken from the
// palette at paint time: a mark shows as clearly on a dark palette as on a light one,
// and the engineer reads it at a glance under stage lighting.
#include <QColor>
#include <QFrame>
#include <QLabel>

class QPalette;
class QSlider;

namespace ConsoleLook {

// Contrast ratio of two colours (relative luminance, 1 to 21).
double contrast(const QColor &a, const QColor &b);
// The colour of filled marks (pause bars, stop square, play triangle): the window's text.
QColor markColor(const QPalette &palette);
// Borders of the shapes: softer than the text, yet at least 3.5:1 against the window.
QColor lineColor(const QPalette &palette);
// A lit lamp of the running light: green, dark on a light window, bright on a dark one.
QColor lampColor(const QPalette &palette);
// The text on a filled lamp: the wanted colour when it reads on the fill, else black or white.
QColor textOn(const QColor &fill, const QColor &wanted);

// A shape of the console.
class Shape : public QFrame {
  public:
    enum Kind {
        Fill,       // filled with the mark colour (pause bars, stop square)
        Outline,    // a rectangle's border (the running light's column, the time boxes' frames)
        Rounded,    // a rounded rectangle's border (the state marks' frame)
        Banner,     // filled red, no border (the emergency banner)
        StateLamp,  // the on-air lamp: its "BackStyle" (1 opaque, 0 transparent) and
                    // "BackColor" (0x00BBGGRR) properties give its fill, inside a rounded border
    };
    Shape(QWidget *parent, Kind kind);
    Kind kind() const { return kind_; }

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    Kind kind_;
};

// One lamp of the running light: a label that, when shown, is lit.
class Lamp : public QLabel {
  public:
    explicit Lamp(QWidget *parent);

  protected:
    void paintEvent(QPaintEvent *event) override;
};

// A ring around a control that shows while the control has the keyboard: the engineer
// sees which playlist the keys Space, S, F and T act on.
class FocusRing : public QWidget {
  public:
    // Made beside the control, in its parent, and kept under it.
    explicit FocusRing(QWidget *control);
    static constexpr int Width = 2;

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

  private:
    void follow();
    QWidget *control_;
};

// The width a small window needs so the window manager shows its title whole: the
// title's text and room for the title bar's buttons.
int titleRoom(const QString &title);

// The ring's colour: the palette's highlight where it stands out from the window, else the text.
QColor focusColor(const QPalette &palette);

// Draws the slider's tick marks in the line colour: the style's own ticks (its window colour
// a little darker) all but vanish on a dark window.
void drawTicks(QSlider *slider);

}  // namespace ConsoleLook
