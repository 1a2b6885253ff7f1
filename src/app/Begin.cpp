#include "app/Begin.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>

#include "app/About.h"
#include "platform/FileSystem.h"
#include "platform/FixedWindow.h"
#include "platform/ProgramFolder.h"

namespace {
QFrame *line(QWidget *parent, const char *name, const QRect &geometry) {
    auto *l = new QFrame(parent);
    l->setObjectName(name);
    l->setFrameShape(QFrame::HLine);
    l->setFrameShadow(QFrame::Sunken);
    l->setGeometry(geometry);
    return l;
}
}  // namespace

Begin::Begin(QWidget *parent) : QDialog(parent) {
    setObjectName("Begin");
    setWindowTitle("About Vantelbrook2");
    FixedWindow::make(this);
    setFixedSize(520, 430);

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(16, 16, 64, 64);
    Image1->setPixmap(QPixmap(":/images/logo.png"));

    Label2 = new QLabel("Vantelbrook2", this);
    Label2->setObjectName("Label2");
    Label2->setGeometry(96, 14, 300, 30);
    QFont big = Label2->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    Label2->setFont(big);

    lblVersion = new QLabel(QStringLiteral("Версия"), this);
    lblVersion->setObjectName("lblVersion");
    lblVersion->setGeometry(96, 48, 200, 18);

    Label4 = new QLabel("Vantelbrook2", this);
    Label4->setObjectName("Label4");
    Label4->setGeometry(400, 48, 104, 18);
    Label4->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    Line1 = line(this, "Line1", QRect(16, 88, 488, 2));

    lblDescription = new QLabel(this);
    lblDescription->setObjectName("lblDescription");
    lblDescription->setGeometry(16, 96, 488, 36);
    lblDescription->setWordWrap(true);
    lblDescription->setText(
        QStringLiteral("Мультимедийное приложение для профессиональной работы. "
                       "Лучший выбор для работы в театре, на радио, телевидении."));

    Line2 = line(this, "Line2", QRect(16, 138, 488, 2));

    WebBrowser1 = new QTextBrowser(this);
    WebBrowser1->setObjectName("WebBrowser1");
    WebBrowser1->setGeometry(16, 148, 488, 222);
    WebBrowser1->setOpenExternalLinks(true);

    Line3 = line(this, "Line3", QRect(16, 378, 488, 2));

    Command1 = new QPushButton("OK", this);
    Command1->setObjectName("Command1");
    Command1->setGeometry(424, 390, 81, 25);
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });

    Form_Load();
}

void Begin::Form_Load() {
    lblVersion->setText(About::VersionText());
    // The browser shows whatever it finds there; a missing page is no error.
    const QString page = ProgramFolder::shippedFile("index.htm");
    if (FileSystem::isExistingFile(page))
        WebBrowser1->setSource(QUrl::fromLocalFile(page));
}

void Begin::Command1_Click() {
    accept();
}

void Begin::ShowModal() {
    QPointer<Begin> window = new Begin(QApplication::activeWindow());
    window->exec();
    delete window.data();
}
