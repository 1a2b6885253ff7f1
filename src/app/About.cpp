#include "app/About.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <exception>

#include "app/Base.h"
#include "console/DJPlayer.h"
#include "core/Globals.h"
#include "core/HelpOfDay.h"
#include "core/WarningWindows.h"
#include "platform/ProgramFolder.h"
#include "platform/Settings.h"

namespace {
About *shownSplash = nullptr;

QString userSetting(const QString &key) {
    // "Unknown" only for a missing key; a stored empty name stays empty.
    return Settings::find(key).value_or(QStringLiteral("Unknown"));
}
}  // namespace

About::About(QWidget *parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName("About");
    setWindowTitle("Vantelbrook2");
    const QPixmap picture(":/images/splash.png");
    const QSize size = picture.isNull() ? QSize(480, 300) : picture.size();
    setFixedSize(size.width(), size.height() + 64);
    setStyleSheet("About { background: #10263f; } QLabel { color: #e8f0fa; }");

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(0, 0, size.width(), size.height());
    Image1->setPixmap(picture);

    lblDescription = new QLabel(this);
    lblDescription->setObjectName("lblDescription");
    lblDescription->setGeometry(16, size.height() + 6, size.width() - 32, 34);
    lblDescription->setWordWrap(true);
    lblDescription->setText(
        QStringLiteral("Мультимедийное приложение для профессиональной работы. "
                       "Лучший выбор для театра, радио, телевидения"));

    lblVersion = new QLabel(this);
    lblVersion->setObjectName("lblVersion");
    lblVersion->setGeometry(16, size.height() + 42, size.width() - 32, 18);
    lblVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblVersion->setText(QStringLiteral("Версия"));
}

About::~About() {
    if (shownSplash == this)
        shownSplash = nullptr;
}

QString About::VersionText() {
    return QStringLiteral("Version %1.%2.%3")
        .arg(VB2_VERSION_MAJOR)
        .arg(VB2_VERSION_MINOR)
        .arg(VB2_VERSION_REVISION);
}

void About::Unload() {
    if (shownSplash) {
        About *splash = shownSplash;
        shownSplash = nullptr;
        splash->close();
    }
}

void About::Form_Load() {
    // Every window of the program is designed in the same font.
    QApplication::setFont(DesignFont());
    lblVersion->setText(VersionText());

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    raise();
    shownSplash = this;
    QApplication::processEvents();

    UserEngineer = userSetting("Engineer");
    UserManager = userSetting("Manager");
    UserOrganization = userSetting("Organization");

    // The user's files live outside the build and install folders; the first start
    // makes their folder. An existing folder is the normal case; nothing here is
    // worth a message (a folder that cannot be made shows when a file is written).
    ProgramFolder::make();
    QDir().mkdir(ProgramFolder::file("Statistics"));

    try {
        DJPlayerInstance().Show();
    } catch (const std::exception &e) {
        WarningWindows(QString("Unknown error in loading the console: ") + e.what(), 0);
    }
    // The frame came up with the console; its first activation ends the splash,
    // and where the desktop does not activate it, this does.
    QApplication::processEvents();
    Unload();

    if (HelpOfDay::ShowTipsSetting())
        HelpOfDay::ShowModal();
}
