#pragma once
// The program's toolbox of path, time, text and list functions, and the M3U writer.
// Paths use "/" where the Windows program used "\".
#include <QString>
#include <QStringList>

class ApplicationFunctions {
  public:
    // Path with a trailing "/" (an empty path gives "/").
    QString OStrk(const QString &Path) const;
    // Name without its last four characters; fewer than four raises VbError.
    QString FileNameOnly(const QString &Name) const;
    // An existing regular file (or a link to one); never fails.
    bool CheckIsFile(const QString &Path) const;
    // "nn:ss"; a negative Seconds is set to 0 in the caller's variable too.
    // An hour or more shows whole minutes past 59 (3725 s gives "62:05").
    QString TimeForm(int &Seconds) const;
    double ConvToPositiveNum(double Digit) const;
    // "h:mm:ss" of floor(Time); 24 hours or more, or below 0, raises VbError.
    QString TimeFormHour(double Time) const;
    // The text after the last "/"; all of Path without one; "" when it ends with one.
    QString FileNameFromPath(const QString &Path) const;
    // "0" stays "0", anything else gets a leading "-".
    QString MinusToDigital(const QString &Data) const;
    // Appends the items of Combo to the end of List.
    void CopyListToList(const QStringList &Combo, QStringList &List) const;
    // Writes PLAYLIST.m3u-style text to Path (whole-file, through the safe write path).
    // Raises VbError when it cannot be written or PathList is shorter than NameList.
    void ConvertToM3U(const QStringList &NameList, const QStringList &PathList, const QString &Path) const;
};

// The one shared instance.
ApplicationFunctions &ApplicationFunctionsInstance();

// Seconds rounded to whole seconds, halves to even.
int RoundSeconds(double seconds);
