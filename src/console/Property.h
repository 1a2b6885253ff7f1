#pragma once
// "Property": the display name, last change, size and full path of the item of the
// player whose list last had the focus. No buttons; closed with its close box.
#include <QDialog>
#include <QString>

class DJPlayer;
class QLabel;

class Property : public QDialog {
    Q_OBJECT
  public:
    explicit Property(DJPlayer &console);

    QLabel *Label1 = nullptr, *Label8 = nullptr;  // "Name:"
    QLabel *Label4 = nullptr, *Label5 = nullptr;  // "Date:"
    QLabel *Label6 = nullptr, *Label7 = nullptr;  // "Size:"
    QLabel *Label2 = nullptr, *Label3 = nullptr;  // "Path:"

    // The item of the player in FocusPlayer: false (nothing filled) when there is no
    // such item or its file is gone.
    bool Form_Load();

    // "d mmmm yyyy  hh:nn" and "0.00 Mb (<bytes> bytes)".
    static QString DateText(const QDateTime &when);
    static QString SizeText(qint64 bytes);

    // Shows the window modally; when the item or its file is missing, says so instead.
    static void ShowFor(DJPlayer &console);

  private:
    void fitTexts();
    DJPlayer &w_;
};
