#pragma once
// The talk-level window "Talk Level": a slider from 0 to 42 dB of attenuation that
// sets the talk level (the setting "LastFadeLevel") as it changes. Modeless, above
// all windows; loaded on demand and unloaded by "OK", its close box or the frame's Exit.
#include <QWidget>

class QCloseEvent;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;

class Faders : public QWidget {
    Q_OBJECT
  public:
    // The loaded window, or nullptr.
    static Faders *loaded();
    // Loads the window, hidden, if it is not loaded (its Form_Load runs).
    static Faders &load();
    // Unloads the window; nothing when it is not loaded.
    static void unload();

    // Shows the window at its designed size, above all windows, 700 px right of and
    // 48 px below the console's top-left corner (kept on the screen).
    void showTopmost(QWidget *console);

    void Form_Load();
    void Slider1_Scroll();
    void Slider1_Change();
    void Command1_Click();

    QGroupBox *Frame1 = nullptr;
    QSlider *Slider1 = nullptr;  // talk level, 0..42
    QLabel *Label1 = nullptr;    // "-18dB"
    QPushButton *Command1 = nullptr;

  protected:
    void closeEvent(QCloseEvent *event) override;

  private:
    Faders();
    ~Faders() override;
};
