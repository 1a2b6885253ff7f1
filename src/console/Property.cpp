#include "console/Property.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <utility>

#include "console/ConsoleGlobals.h"
#include "console/DJPlayer.h"
#include "console/Deck.h"
#include "core/ApplicationFunctions.h"
#include "core/OpenSaveFiles.h"
#include "core/WarningWindows.h"
#include "platform/FixedWindow.h"

namespace {

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, QRect where, bool bold) {
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(where);
    if (bold) {
        QFont f = label->font();
        f.setBold(true);
        label->setFont(f);
    }
    return label;
}

}  // namespace

Property::Property(DJPlayer &console) : QDialog(&console), w_(console) {
    setObjectName(QStringLiteral("Property"));
    setWindowTitle(QStringLiteral("Property"));
    FixedWindow::make(this);
    setFixedSize(353, 97);  // 5295 x 1455 twips
    Label1 = makeLabel(this, "Label1", QStringLiteral("Name:"), {8, 6, 48, 16}, true);
    Label8 = makeLabel(this, "Label8", QString(), {60, 6, 288, 16}, false);
    Label4 = makeLabel(this, "Label4", QStringLiteral("Date:"), {8, 24, 48, 16}, true);
    Label5 = makeLabel(this, "Label5", QString(), {60, 24, 288, 16}, false);
    Label6 = makeLabel(this, "Label6", QStringLiteral("Size:"), {8, 42, 48, 16}, true);
    Label7 = makeLabel(this, "Label7", QString(), {60, 42, 288, 16}, false);
    Label2 = makeLabel(this, "Label2", QStringLiteral("Path:"), {8, 60, 48, 16}, true);
    Label3 = makeLabel(this, "Label3", QString(), {60, 60, 288, 32}, false);
    for (QLabel *value : {Label8, Label3}) {
        value->setWordWrap(true);
        value->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    for (QLabel *value : {Label8, Label5, Label7, Label3})
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void Property::fitTexts() {
    // A long name or a deep path takes more lines than designed: its row grows, and the
    // rows below it and the window move down by as much.
    const std::pair<QLabel *, QLabel *> rows[] = {
        {Label1, Label8}, {Label4, Label5}, {Label6, Label7}, {Label2, Label3}};
    int top = 6;
    for (const auto &[caption, value] : rows) {
        const int designed = value == Label3 ? 32 : 16;
        const int height = std::max(designed, value->wordWrap() ? value->heightForWidth(value->width()) : 0);
        caption->move(caption->x(), top);
        value->setGeometry(value->x(), top, value->width(), height);
        top += height + 2;
    }
    setFixedSize(353, std::max(97, top + 3));
}

QString Property::DateText(const QDateTime &when) {
    const QDate date = when.date();
    return DayMonthText(date) + QLatin1Char(' ') +
           QString::number(date.year()).rightJustified(4, QLatin1Char('0')) + QStringLiteral("  ") +
           when.time().toString(QStringLiteral("HH:mm"));
}

QString Property::SizeText(qint64 bytes) {
    QLocale locale = QLocale::system();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    // Hundredths rounded half away from zero, as the format "0.00" does.
    const double hundredths = std::floor(static_cast<double>(bytes) * 100.0 / 1048576.0 + 0.5);
    return locale.toString(hundredths / 100.0, 'f', 2) + QStringLiteral(" Mb (") + QString::number(bytes) +
           QStringLiteral(" bytes)");
}

bool Property::Form_Load() {
    if (FocusPlayer != QLatin1String("A") && FocusPlayer != QLatin1String("B"))
        return false;
    DeckRefs d = deckRefs(w_, FocusPlayer == QLatin1String("A") ? 0 : 1);
    const int row = Deck::activeRow(d.names);
    if (row < 0 || row >= d.paths->count())
        return false;
    const QString path = Deck::itemText(d.paths, row);
    if (!ApplicationFunctionsInstance().CheckIsFile(path))
        return false;
    const QFileInfo info(path);
    Label8->setText(d.title->text());
    Label3->setText(path);
    Label5->setText(DateText(info.lastModified()));
    Label7->setText(SizeText(info.size()));
    fitTexts();
    return true;
}

void Property::ShowFor(DJPlayer &console) {
    Property window(console);
    if (!window.Form_Load()) {
        WarningWindows(QStringLiteral("File is not found. Probably it is removed or moved to other folder."),
                       0);
        return;
    }
    window.exec();
}
