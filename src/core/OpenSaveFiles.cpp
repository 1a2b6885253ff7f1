#include "core/OpenSaveFiles.h"

#include <QFileInfo>
#include <QLocale>

#include "platform/FileSystem.h"
#include "platform/ProgramFolder.h"
#include "platform/TextFile.h"
#include "platform/VbError.h"

namespace {

// A text with a line break would split into two lines and shift every later entry.
void refuseLineBreaks(const QStringList &items, const QString &path) {
    for (const QString &item : items) {
        if (TextFile::holdsLineBreak(item))
            throw VbError(QStringLiteral("Bad file name or number: %1 cannot hold \"%2\"").arg(path, item),
                          52);
    }
}

QString yearFolder(const QDate &date) {
    return ProgramFolder::file(QStringLiteral("Statistics")) + QLatin1Char('/') +
           QString::number(date.year()).rightJustified(4, QLatin1Char('0'));
}

QStringList reportHeading(const QDate &date, const QString &AUI, const QString &EDI, const QString &ORG) {
    return {
        QStringLiteral("Статистические данные об аудио материалах, прозвучавших в программе вещания от ") +
            DayMonthText(date) + QLatin1Char(' ') + QString::number(date.year()) + QStringLiteral(" года."),
        QString(),
        QStringLiteral("Организация: ") + TextFile::oneLine(ORG),
        QStringLiteral("Ответственный редактор: ") + TextFile::oneLine(EDI),
        QStringLiteral("Звукорежиссер: ") + TextFile::oneLine(AUI),
        QString(),
        QStringLiteral("|Начало|Длител.| Название аудио материала"),
        QString()};
}

// Creates the day's report with its heading and first line, whole or not at all. Never
// replaces: an existing file makes this fail.
void createReport(const QString &path, const QStringList &lines) {
    TextFile::createLines(path, lines);
}

void appendReport(const QString &path, const QString &line) {
    FileSystem::setReadOnly(path, false);
    try {
        TextFile::appendLines(path, {line});
    } catch (...) {
        // The report stays read-only even when the line could not be added.
        try {
            FileSystem::setReadOnly(path, true);
        } catch (...) {
        }
        throw;
    }
    FileSystem::setReadOnly(path, true);
}

}  // namespace

bool OpenSaveFiles::OpenPlaylist(int SelectedIndex, const QString &Player, QStringList &NameList,
                                 QStringList &PathList) {
    const QStringList lines = TextFile::readLines(PlaylistPath(Player, SelectedIndex));
    // Pairs only: a last name without its path line is dropped, so the lists stay parallel.
    const qsizetype items = lines.size() / 2;
    NameList.reserve(NameList.size() + items);
    PathList.reserve(PathList.size() + items);
    for (qsizetype i = 0; i < items; ++i) {
        NameList << lines.at(2 * i);
        PathList << lines.at(2 * i + 1);
    }
    return false;
}

bool OpenSaveFiles::DeleteCheckedFiles(int Index, int Name, const QString &Player) {
    // A file already gone counts as deleted: the caller has removed its name, and the later
    // files must still move down to match the names.
    const QString doomed = PlaylistPath(Player, Name);
    if (FileSystem::isExistingFile(doomed))
        FileSystem::deleteFile(doomed);
    for (int k = Name + 1; k <= Index - 1; ++k) {
        const QString from = PlaylistPath(Player, k);
        // A missing later file leaves its slot empty; the ones after it still move down.
        if (!QFileInfo::exists(from))
            continue;
        FileSystem::renameFile(from, PlaylistPath(Player, k - 1));  // never overwrites
    }
    return false;
}

int OpenSaveFiles::SavePlaylist(const QString &Player, int Number, const QStringList &LName,
                                const QStringList &LPath) {
    const QString path = PlaylistPath(Player, Number);
    if (LPath.size() < LName.size())
        throw VbError(QStringLiteral("Subscript out of range: %1").arg(path), 9);
    QStringList lines;
    lines.reserve(2 * LName.size());
    for (qsizetype i = 0; i < LName.size(); ++i)
        lines << LName.at(i) << LPath.at(i);
    refuseLineBreaks(lines, path);
    TextFile::writeLines(path, lines);
    return LName.isEmpty() ? 0 : static_cast<int>(LName.size() - 1);
}

void OpenSaveFiles::SaveStatisticsDate(const QString &AUI, const QString &EDI, const QString &ORG,
                                       const QString &CON) {
    SaveStatisticsDate(AUI, EDI, ORG, CON, Today ? Today() : QDate::currentDate());
}

void OpenSaveFiles::SaveStatisticsDate(const QString &AUI, const QString &EDI, const QString &ORG,
                                       const QString &CON, const QDate &Date) {
    const QString path = StatisticsReportPath(Date);
    // One item, one line, whatever a title holds.
    const QString line = TextFile::oneLine(CON);
    QStringList lines = reportHeading(Date, AUI, EDI, ORG);
    lines << line;
    for (int attempt = 0;; ++attempt) {
        if (FileSystem::isExistingFile(path)) {
            appendReport(path, line);
            return;
        }
        try {
            createReport(path, lines);
            break;
        } catch (const VbError &) {
            if (attempt > 0)
                throw;
            if (QFileInfo::exists(path))
                continue;  // made meanwhile: the line is appended to it
            // The first line of a year: its folder is made, then the file once more.
            const QString folder = yearFolder(Date);
            if (QFileInfo::exists(folder))
                throw;
            FileSystem::makeFolder(folder);
        }
    }
    FileSystem::setReadOnly(path, true);
}

void OpenSaveFiles::OpenCombo(QStringList &Combo, const QString &Player) {
    const QString path = NameListPath(Player);
    QStringList names;
    try {
        names = TextFile::readLines(path);
    } catch (const VbError &) {
        // Only a missing list is created; an existing one that cannot be read is never emptied.
        if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
            throw;
        TextFile::createLines(path, {});
        names = TextFile::readLines(path);
    }
    Combo += names;
}

void OpenSaveFiles::SaveCombo(const QStringList &Combo, const QString &Player) {
    const QString path = NameListPath(Player);
    refuseLineBreaks(Combo, path);
    TextFile::writeLines(path, Combo);
}

QString OpenSaveFiles::NameListPath(const QString &Player) {
    return ProgramFolder::file(QStringLiteral("ALL") + Player + QStringLiteral(".lap"));
}

QString OpenSaveFiles::PlaylistPath(const QString &Player, int Number) {
    return ProgramFolder::file(Player + QString::number(Number) + QStringLiteral(".mxp"));
}

void OpenSaveFiles::AppendComboName(const QString &Player, const QString &Name) {
    const QString path = NameListPath(Player);
    refuseLineBreaks({Name}, path);
    TextFile::appendLines(path, {Name});
}

OpenSaveFiles &OpenSaveFilesInstance() {
    static OpenSaveFiles instance;
    return instance;
}

// The month in the form that follows a day number ("9 декабря" in Russian), as the
// system's own long dates write it, so report names match those of the Windows program.
QString DayMonthText(const QDate &date) {
    return QString::number(date.day()) + QLatin1Char(' ') +
           QLocale::system().monthName(date.month(), QLocale::LongFormat);
}

QString StatisticsReportPath(const QDate &date) {
    return yearFolder(date) + QLatin1Char('/') + DayMonthText(date) + QStringLiteral(".txt");
}
