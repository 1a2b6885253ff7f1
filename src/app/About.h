#pragma once
// The splash window. Its Form_Load is the program's start-up routine: it shows
// the splash, reads the user information, makes the statistics folder, brings
// up the console inside the frame and, when wanted, shows the tip of the day.
#include <QWidget>

class QLabel;

class About : public QWidget {
    Q_OBJECT
  public:
    explicit About(QWidget *parent = nullptr);
    ~About() override;

    // Start-up; returns once the tip of the day (if shown) is closed.
    void Form_Load();
    // Unloads the splash window if it is shown (the frame's activation does this).
    static void Unload();
    // "Version <major>.<minor>.<revision>".
    static QString VersionText();

    QLabel *Image1 = nullptr;
    QLabel *lblDescription = nullptr;
    QLabel *lblVersion = nullptr;
};
