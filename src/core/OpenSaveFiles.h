#pragma once
// Playlist files and the statistics report. Every failure raises VbError to the
// caller; nothing here talks to the user.
//   ALL<letter>.lap: one playlist name per line.
//   <letter><n>.mxp: two lines per item, display name then full path.
#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>

class OpenSaveFiles {
  public:
    // Appends the items of playlist `SelectedIndex` of `Player` to the lists
    // (not cleared first). A last name without its path line is dropped.
    bool OpenPlaylist(int SelectedIndex, const QString &Player, QStringList &NameList, QStringList &PathList);
    // Deletes playlist file `Name` (already missing counts as deleted) and renames
    // the files Name+1 .. Index-1 down by one; never overwrites a file.
    bool DeleteCheckedFiles(int Index, int Name, const QString &Player);
    // Rewrites <Player><Number>.mxp whole; returns the index of the last item written, 0 when empty.
    int SavePlaylist(const QString &Player, int Number, const QStringList &LName, const QStringList &LPath);
    // Appends one item line to today's report, creating it with its heading.
    void SaveStatisticsDate(const QString &AUI, const QString &EDI, const QString &ORG, const QString &CON);
    // The same for the report of `Date`: the date is taken once, so a line written at
    // midnight goes wholly to one day's file with that day's heading.
    void SaveStatisticsDate(const QString &AUI, const QString &EDI, const QString &ORG, const QString &CON,
                            const QDate &Date);
    // Appends the names of ALL<Player>.lap to Combo (creates the file empty when missing).
    void OpenCombo(QStringList &Combo, const QString &Player);
    // Rewrites ALL<Player>.lap whole.
    void SaveCombo(const QStringList &Combo, const QString &Player);

    // Helpers the console shares.
    static QString NameListPath(const QString &Player);
    static QString PlaylistPath(const QString &Player, int Number);
    // Appends one name to ALL<Player>.lap (a missing last line end is mended first).
    static void AppendComboName(const QString &Player, const QString &Name);

    // Today's date for the statistics report; the system date when empty. Tests set a clock.
    std::function<QDate()> Today;
};

OpenSaveFiles &OpenSaveFilesInstance();

// The day's report: <program folder>/Statistics/<yyyy>/<d mmmm>.txt, month name
// from the system locale. The statistics viewer composes the same path.
QString StatisticsReportPath(const QDate &date);
// "d mmmm": the day without a leading zero, a space and the month's full stand-alone
// name in the system locale (QLocale::system()), as in report names and headings.
QString DayMonthText(const QDate &date);
