#pragma once
// The user information: the engineer, director and organisation named in the
// heading of each day's statistics report.
#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class UserInf : public QDialog {
    Q_OBJECT
  public:
    explicit UserInf(QWidget *parent = nullptr);

    // Shows the window modally; returns when it is closed.
    static void ShowModal();

    void Form_Load();
    void Command1_Click();

    QLabel *Label1 = nullptr;
    QGroupBox *Frame1 = nullptr;
    QLabel *Label2 = nullptr;    // "Organization:"
    QLabel *Label3 = nullptr;    // "Director:"
    QLabel *Label4 = nullptr;    // "Engineer:"
    QLineEdit *Text1 = nullptr;  // engineer
    QLineEdit *Text2 = nullptr;  // manager (director)
    QLineEdit *Text3 = nullptr;  // organisation
    QPushButton *Command1 = nullptr;
};
