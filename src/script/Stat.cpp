#include "script/Stat.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QLabel>
#include <QLocale>
#include <QPalette>
#include <QPushButton>
#include <algorithm>
#include <exception>

#include "core/Globals.h"
#include "core/OpenSaveFiles.h"
#include "platform/FileSystem.h"
#include "platform/FixedWindow.h"
#include "platform/Guarded.h"
#include "script/ScriptsBox.h"

namespace {

int px(int twips) {
    return twips / 15;
}

void paintLabel(QLabel *label, const QColor &back, const QColor &fore) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, back);
    palette.setColor(QPalette::WindowText, fore);
    label->setPalette(palette);
}

}  // namespace

Stat::Stat(bool askBeforeReplacing, QWidget *parent)
    : QDialog(parent), askBeforeReplacing_(askBeforeReplacing) {
    setObjectName(QStringLiteral("Stat"));
    setWindowTitle(QStringLiteral("Open Statistics"));
    FixedWindow::make(this);
    setFixedSize(px(4800), px(5400));

    Label1 = new QLabel(QStringLiteral("Select date of the Statistics"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(px(120), px(90), px(4560), px(255));

    Calendar1 = new QCalendarWidget(this);
    Calendar1->setObjectName(QStringLiteral("Calendar1"));
    Calendar1->setGeometry(px(120), px(390), px(4560), px(3240));
    Calendar1->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);

    Command1 = new QPushButton(QStringLiteral("Search"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setToolTip(QStringLiteral("Поиск файла статистики"));
    Command1->setGeometry(px(120), px(3720), px(1320), px(375));
    Command1->setEnabled(false);

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(px(1560), px(3720), px(3120), px(375));
    Label2->setAutoFillBackground(true);
    // A result longer than the designed width (a long month's name with the year) goes on
    // a second line below; see showResult.
    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    Command2 = new QPushButton(QStringLiteral("OK"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(px(2040), px(4680), px(1215), px(375));
    Command2->setEnabled(false);

    Command3 = new QPushButton(QStringLiteral("Cancel"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setGeometry(px(3360), px(4680), px(1320), px(375));

    // A click on the day shown is no change of selection, so both count.
    connect(Calendar1, &QCalendarWidget::clicked, this, [this] { guarded([this] { Calendar1_Click(); }); });
    connect(Calendar1, &QCalendarWidget::selectionChanged, this, [this] {
        if (!settingCalendar_)
            guarded([this] { Calendar1_Click(); });
    });
    connect(Command1, &QPushButton::clicked, this, [this] { guarded([this] { Command1_Click(); }); });
    connect(Command2, &QPushButton::clicked, this, [this] { guarded([this] { Command2_Click(); }); });
    connect(Command3, &QPushButton::clicked, this, [this] { guarded([this] { Command3_Click(); }); });

    Form_Load();
}

void Stat::ShowModal(bool askBeforeReplacing) {
    try {
        Stat window(askBeforeReplacing, QApplication::activeWindow());
        window.exec();
    } catch (const std::exception &) {
    }
}

void Stat::Form_Load() {
    settingCalendar_ = true;
    Calendar1->setSelectedDate(QDate::currentDate());
    settingCalendar_ = false;
}

void Stat::Calendar1_Click() {
    const QDate day = Calendar1->selectedDate();
    ChosenDay = QString::number(day.day());
    ChosenMonth = QString::number(day.month());
    ChosenYear = QString::number(day.year());
    Command1->setEnabled(true);
    // A found report belongs to the day searched: another day must be searched again.
    Command2->setEnabled(false);
}

void Stat::Command1_Click() {
    const QDate date(ChosenYear.toInt(), ChosenMonth.toInt(), ChosenDay.toInt());
    if (!date.isValid())
        return;
    searched_ = date;
    SearchedDate = QLocale::system().toString(date, QLocale::ShortFormat);
    if (FileSystem::isExistingFile(StatisticsReportPath(date))) {
        const QPalette system = QApplication::palette();
        paintLabel(Label2, system.color(QPalette::Highlight), system.color(QPalette::HighlightedText));
        showResult(QStringLiteral(" Found a Statistics file about ") + DayMonthText(date) + QLatin1Char(' ') +
                   QString::number(date.year()));
        Command2->setEnabled(true);
    } else {
        // The light red of the design; yellow on it reads at barely 2:1, so the words are black.
        paintLabel(Label2, QColor(255, 128, 128), QColor(Qt::black));
        showResult(QStringLiteral(" Statistics file is not found"));
        Command2->setEnabled(false);
    }
}

void Stat::showResult(const QString &text) {
    Label2->setText(text);
    // Grows downwards from its designed place, never shrinks below its designed height.
    Label2->resize(Label2->width(), std::max(px(375), Label2->heightForWidth(Label2->width())));
}

void Stat::Command2_Click() {
    if (!searched_.isValid())
        return;
    ScriptsBox &box = ScriptsBoxInstance();
    if (askBeforeReplacing_ && !box.AskSaveChanges())
        return;
    QString path = StatisticsReportPath(searched_);
    box.OpenStatFile(path);
    accept();
}

void Stat::Command3_Click() {
    reject();
}
