#include "core/UserInf.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include "core/Globals.h"
#include "platform/FixedWindow.h"
#include "platform/Settings.h"
#include "platform/TextFile.h"

namespace {
// Leading and trailing spaces go; spaces inside a name stay. A pasted line break goes too:
// each name is one line of the report's heading.
QString trimSpaces(QString text) {
    text = TextFile::oneLine(text);
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}
}  // namespace

UserInf::UserInf(QWidget *parent) : QDialog(parent) {
    setObjectName("UserInf");
    setWindowTitle("User Information");
    FixedWindow::make(this);
    setFixedSize(360, 200);

    Label1 = new QLabel("This information will be displayed in Stastistics", this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(12, 10, 336, 20);

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName("Frame1");
    Frame1->setGeometry(12, 34, 336, 114);

    auto row = [this](const char *labelName, const QString &caption, const char *boxName, int top,
                      QLabel *&label, QLineEdit *&box) {
        label = new QLabel(caption, Frame1);
        label->setObjectName(labelName);
        label->setGeometry(8, top, 90, 24);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        box = new QLineEdit(Frame1);
        box->setObjectName(boxName);
        box->setGeometry(106, top, 218, 24);
    };
    row("Label2", "Organization:", "Text3", 14, Label2, Text3);
    row("Label3", "Director:", "Text2", 46, Label3, Text2);
    row("Label4", "Engineer:", "Text1", 78, Label4, Text1);

    Command1 = new QPushButton("OK", this);
    Command1->setObjectName("Command1");
    Command1->setGeometry((360 - 81) / 2, 160, 81, 25);
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });

    Form_Load();
}

void UserInf::Form_Load() {
    // A missing setting gives an empty box.
    Text1->setText(Settings::get("Engineer"));
    Text2->setText(Settings::get("Manager"));
    Text3->setText(Settings::get("Organization"));
}

void UserInf::Command1_Click() {
    const QString engineer = trimSpaces(Text1->text());
    const QString manager = trimSpaces(Text2->text());
    const QString organization = trimSpaces(Text3->text());
    Settings::save("Engineer", engineer);
    Settings::save("Manager", manager);
    Settings::save("Organization", organization);
    UserEngineer = engineer;
    UserManager = manager;
    UserOrganization = organization;
    accept();
}

void UserInf::ShowModal() {
    QPointer<UserInf> window = new UserInf(QApplication::activeWindow());
    window->exec();
    delete window.data();
}
