#pragma once
// The statistics viewer: the user picks a day in the calendar, learns whether
// that day's statistics report exists, and opens it in the script box.
#include <QDate>
#include <QDialog>
#include <QString>

class QCalendarWidget;
class QLabel;
class QPushButton;

class Stat : public QDialog {
    Q_OBJECT
  public:
    // askBeforeReplacing: the script box's save-changes question comes before
    // a report replaces a modified script (false when it was asked already).
    explicit Stat(bool askBeforeReplacing, QWidget *parent = nullptr);

    // Shows a fresh window modally.
    static void ShowModal(bool askBeforeReplacing = true);

    void Form_Load();
    void Calendar1_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

    QLabel *Label1 = nullptr;
    QCalendarWidget *Calendar1 = nullptr;
    QPushButton *Command1 = nullptr;
    QLabel *Label2 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command3 = nullptr;

    QString ChosenDay, ChosenMonth, ChosenYear;
    QString SearchedDate;

  private:
    void showResult(const QString &text);
    bool askBeforeReplacing_;
    bool settingCalendar_ = false;
    QDate searched_;
};
