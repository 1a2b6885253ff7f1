#pragma once
// The about window: version, program name and the about page of the program folder.
#include <QDialog>

class QLabel;
class QFrame;
class QPushButton;
class QTextBrowser;

class Begin : public QDialog {
    Q_OBJECT
  public:
    explicit Begin(QWidget *parent = nullptr);

    // Shows the window modally; returns when "OK" closed it.
    static void ShowModal();

    void Form_Load();
    void Command1_Click();

    QTextBrowser *WebBrowser1 = nullptr;
    QPushButton *Command1 = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *lblDescription = nullptr;
    QLabel *Image1 = nullptr;
    QFrame *Line1 = nullptr;
    QFrame *Line2 = nullptr;
    QFrame *Line3 = nullptr;
};
