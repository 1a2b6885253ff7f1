#pragma once
// The program's own message window: a banner, the text and the buttons of one
// of four sets. Each call of WarningWindows builds its own window, so a message
// raised while another is shown opens on top and answers for itself.
#include <QDialog>
#include <array>

class QLabel;
class QFrame;
class QPushButton;

class Warning : public QDialog {
    Q_OBJECT
  public:
    explicit Warning(QWidget *parent = nullptr);

    // Shows the banner and buttons of wType (outside 0..3: type 0) and the text.
    void Prepare(const QString &wPromt, int wType);
    // The answer: the pressed button's result, or the safe choice of the type
    // when the window was closed otherwise.
    int Answer() const { return answer_; }

    void Command1_Click(int Index);

    // The answer Escape or closing the window gives for a button set.
    static int SafeAnswer(int wType);

    QLabel *Image1 = nullptr;
    QLabel *Image2 = nullptr;
    QLabel *Label1 = nullptr;
    QFrame *Line1 = nullptr;
    std::array<QPushButton *, 8> Command1{};

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    // Grows the text area, the banner and the window to hold the message.
    void fitMessage();
    int answer_ = 0;
    int bannerHeight_ = 0;
};
