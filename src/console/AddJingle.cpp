#include "console/AddJingle.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QStyle>
#include <QVBoxLayout>

#include "console/DJPlayer.h"
#include "console/MediaFiles_Jingles.h"
#include "console/SelFol.h"
#include "core/ApplicationFunctions.h"
#include "core/Globals.h"
#include "core/WarningWindows.h"
#include "media/MediaPlayer.h"
#include "platform/FixedWindow.h"
#include "platform/ProgramFolder.h"
#include "platform/Settings.h"
#include "platform/TextFile.h"

namespace {

const QString AllAudio = QStringLiteral("*.mp3;*.wav;*.wma;*.mid");

QPushButton *button(QWidget *parent, const char *name, const QString &caption, const QString &tip) {
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(tip);
    return b;
}

// The folder of the last file picked in the dialog, for its next opening.
QString &lastFolderUsed() {
    static QString folder;
    return folder;
}

// Where the browser opens when the slot has no file: the last folder used (this run's, else
// the stored one), else the user's music folder, else home. A stored "C:" is no folder here.
QString startFolder() {
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    for (const QString &folder :
         {lastFolderUsed(), Settings::get(QStringLiteral("LastDir"), QString()), music})
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    return QDir::homePath();
}

}  // namespace

AddJingle::AddJingle(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AddJingle"));
    setWindowTitle(QStringLiteral("Jingle Custom"));
    setModal(true);

    Frame1 = new QGroupBox(QStringLiteral("Jingles"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setToolTip(QStringLiteral("Джинглы"));
    auto *grid = new QGridLayout(Frame1);
    for (int k = 0; k < 12; ++k) {
        Option1[k] = new QRadioButton(QString(QChar('A' + k)), Frame1);
        Option1[k]->setObjectName(QStringLiteral("Option1(%1)").arg(k));
        grid->addWidget(Option1[k], k / 6, k % 6);
        connect(Option1[k], &QRadioButton::clicked, this, [this, k] { Option1_Click(k); });
    }

    Drive1 = new DriveList(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Dir1 = new FolderList(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    File1 = new FileList(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setPattern(AllAudio);
    Label2 = new QLabel(QStringLiteral("File Type:"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->addItems({"MP3 files", "WAV files", "WMA files", "MIDI files", "All audio files"});
    Label1 = new QLabel(QStringLiteral("File Name:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));

    Command3 = button(this, "Command3", QString(), QStringLiteral("Воспроизведение"));
    Command3->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    Command4 = button(this, "Command4", QString(), QStringLiteral("Остановка"));
    Command4->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    Command5 = button(this, "Command5", QStringLiteral("Add"), QStringLiteral("Применить"));
    Command1 = button(this, "Command1", QStringLiteral("OK"), QString());
    Command1->setDefault(true);
    Command2 = button(this, "Command2", QStringLiteral("Cancel"), QStringLiteral("Отменить"));
    for (QPushButton *b : {Command3, Command4, Command5, Command1})
        b->setEnabled(false);

    auto *browser = new QGridLayout;
    browser->addWidget(Drive1, 0, 0);
    browser->addWidget(Dir1, 1, 0);
    browser->addWidget(File1, 0, 1, 2, 1);
    browser->addWidget(Label2, 2, 0);
    browser->addWidget(Combo1, 2, 1);
    browser->addWidget(Label1, 3, 0);
    browser->addWidget(Text1, 3, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Command3);
    buttons->addWidget(Command4);
    buttons->addStretch();
    buttons->addWidget(Command5);
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addLayout(browser);
    layout->addLayout(buttons);
    FixedWindow::make(this);
    setFixedSize(460, 380);

    connect(Combo1, &QComboBox::activated, this, [this](int) { Combo1_Click(); });
    connect(Drive1, &DriveList::Change, this, [this] { Drive1_Change(); });
    connect(Dir1, &FolderList::Change, this, [this] { Dir1_Change(); });
    connect(File1, &QListWidget::itemClicked, this, [this] { File1_Click(); });
    connect(File1, &QListWidget::itemDoubleClicked, this, [this] { File1_DblClick(); });
    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    Form_Load();
}

void AddJingle::Form_Load() {
    keptPaths_ = JinglePath;
    keptNames_ = JingleName;
    Combo1->setCurrentIndex(4);
    Combo1_Click();
    const QString start = startFolder();
    Drive1->setDrive(start);
    try {
        Dir1->setPath(start);
    } catch (const std::exception &) {
        Drive1_Change();
    }
    JingleSlot = 0;
    Option1[0]->setChecked(true);
    Option1_Click(0);
}

void AddJingle::done(int result) {
    Form_Unload();
    QDialog::done(result);
}

void AddJingle::Form_Unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    // The set on file is the set: whatever the dialog changed without OK is dropped. A file
    // that cannot be read back leaves the set as it was when the dialog opened.
    try {
        MediaFiles::LoadJingles();
    } catch (const std::exception &) {
        JinglePath = keptPaths_;
        JingleName = keptNames_;
        DJPlayer &console = DJPlayerInstance();
        for (int k = 0; k < 12; ++k)
            console.Command11[k]->setToolTip(JingleName[k]);
        WarningWindows(QStringLiteral("Unknown error in opening file: ") + ProgramFolder::file("jing.jin"),
                       0);
    }
    DJPlayerInstance().JingleCheck();
}

void AddJingle::Option1_Click(int Index) {
    if (Index < 0 || Index > 11)
        return;
    JingleSlot = Index;
    const QString stored = JinglePath[Index];
    if (ApplicationFunctionsInstance().CheckIsFile(stored)) {
        File1->setFileName(stored);
        try {
            Dir1->setPath(File1->path());
        } catch (const std::exception &) {
        }
        Drive1->setDrive(Dir1->path());
    } else {
        Command3->setEnabled(false);
        Command4->setEnabled(false);
    }
    File1->setPattern(AllAudio);
}

void AddJingle::Combo1_Click() {
    static const char *patterns[] = {"*.mp3", "*.wav", "*.wma", "*.mid", "*.mp3;*.wav;*.wma;*.mid"};
    const int i = Combo1->currentIndex();
    if (i >= 0 && i < 5)
        File1->setPattern(QLatin1String(patterns[i]));
    else
        File1->refresh();
}

void AddJingle::Drive1_Change() {
    try {
        Dir1->setPath(Drive1->drive());
    } catch (const std::exception &) {
        WarningWindows(QStringLiteral("Device is not ready. Change it or insert a disk."), 0);
        Drive1->setDrive(QDir::currentPath());
    }
}

void AddJingle::Dir1_Change() {
    File1->setPath(Dir1->path());
    Command3->setEnabled(false);
    Command4->setEnabled(false);
}

void AddJingle::File1_Click() {
    const QString name = File1->fileName();
    if (name.isEmpty() || TextFile::holdsLineBreak(name))
        return;
    Text1->setText(name.size() >= 4 ? ApplicationFunctionsInstance().FileNameOnly(name) : name);
    lastFolderUsed() = File1->path();
    JinglePath[JingleSlot] = ApplicationFunctionsInstance().OStrk(File1->path()) + name;
    for (QPushButton *b : {Command3, Command4, Command5, Command1})
        b->setEnabled(true);
}

void AddJingle::File1_DblClick() {
    File1_Click();
    Command5_Click();
}

bool AddJingle::storeSlot() {
    const QString name = File1->fileName();
    // After a folder or slot change nothing may be chosen: a bare folder is no jingle. A
    // name with a line break cannot be one line of the jingle file.
    if (name.isEmpty() || TextFile::holdsLineBreak(name))
        return false;
    JinglePath[JingleSlot] = ApplicationFunctionsInstance().OStrk(File1->path()) + name;
    JingleName[JingleSlot] = TextFile::oneLine(Text1->text());
    return true;
}

void AddJingle::Command5_Click() {
    if (storeSlot())
        Command5->setEnabled(false);
}

void AddJingle::Command3_Click() {
    MediaPlayer *player = DJPlayerInstance().MediaPlayer4;
    try {
        player->setFileName(JinglePath[JingleSlot]);
        player->Play();
    } catch (const std::exception &) {
        // A preview that cannot play stays silent.
    }
}

void AddJingle::Command4_Click() {
    DJPlayerInstance().MediaPlayer4->Stop();
}

void AddJingle::Command1_Click() {
    if (Command5->isEnabled())
        storeSlot();
    try {
        MediaFiles::SaveJingles();
    } catch (const std::exception &) {
        // The old file stays whole and the dialog stays open, so no edit is lost yet.
        WarningWindows(QStringLiteral("Error. Jingle file cannot be saved."), 0);
        return;
    }
    accept();
}

void AddJingle::Command2_Click() {
    reject();
}
