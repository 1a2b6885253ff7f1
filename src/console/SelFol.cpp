#include "console/SelFol.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStorageInfo>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "core/WarningWindows.h"
#include "platform/FixedWindow.h"
#include "platform/ProgramFolder.h"
#include "platform/TextFile.h"
#include "platform/TextPrompt.h"
#include "platform/VbError.h"

// ---- DriveList ----

DriveList::DriveList(QWidget *parent) : QComboBox(parent) {
    QStringList roots{QStringLiteral("/")};
    for (const QStorageInfo &v : QStorageInfo::mountedVolumes())
        if (v.isValid() && !roots.contains(v.rootPath()))
            roots << v.rootPath();
    addItems(roots);
    connect(this, &QComboBox::activated, this, [this](int) { emit Change(); });
}

QString DriveList::drive() const {
    return currentText();
}

QString DriveList::driveOf(const QString &path) {
    const QStorageInfo info(path);
    return info.isValid() ? info.rootPath() : QStringLiteral("/");
}

void DriveList::setDrive(const QString &path) {
    const QString root = driveOf(path);
    int i = findText(root);
    if (i < 0) {
        addItem(root);
        i = count() - 1;
    }
    setCurrentIndex(i);
}

// ---- FolderList ----

namespace {

constexpr int DepthRole = Qt::UserRole + 1;

// Draws each folder indented by its depth below the root.
class IndentDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->rect.adjust(indent(index), 0, 0, 0);
    }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(indent(index), 0);
    }

  private:
    static int indent(const QModelIndex &index) { return 12 * index.data(DepthRole).toInt(); }
};

}  // namespace

FolderList::FolderList(QWidget *parent) : QListWidget(parent) {
    setItemDelegate(new IndentDelegate(this));
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        const QString target = item->data(Qt::UserRole).toString();
        try {
            setPath(target);
        } catch (const std::exception &) {
            // A folder that vanished or cannot be read: stay where we are.
        }
    });
}

void FolderList::setPath(const QString &path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir() || !info.isReadable() || !QDir(path).isReadable())
        throw VbError(QStringLiteral("Path not found: %1").arg(path), 76);
    const QString clean = QDir::cleanPath(info.absoluteFilePath());
    const bool changed = clean != path_;
    path_ = clean;
    refresh();
    if (changed)
        emit Change();
}

void FolderList::refresh() {
    clear();
    if (path_.isEmpty())
        return;
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    auto add = [this](const QString &text, const QString &path, int depth, const QIcon &icon) {
        auto *item = new QListWidgetItem(icon, text, this);
        item->setData(Qt::UserRole, path);
        item->setData(DepthRole, depth);
        item->setToolTip(path);
        return item;
    };
    // The root, then each folder on the way down to the open one.
    QString walked = QStringLiteral("/");
    QListWidgetItem *current = add(walked, walked, 0, open);
    const QStringList parts = path_.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (int i = 0; i < parts.size(); ++i) {
        walked = QDir::cleanPath(walked + QLatin1Char('/') + parts[i]);
        current = add(parts[i], walked, i + 1, open);
    }
    setCurrentItem(current);
    const QDir dir(path_);
    for (const QFileInfo &sub :
         dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase))
        add(sub.fileName(), sub.absoluteFilePath(), int(parts.size()) + 1, closed);
    scrollToItem(current);
}

// ---- FileList ----

FileList::FileList(QWidget *parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void FileList::setPath(const QString &path) {
    path_ = QDir::cleanPath(path);
    refresh();
}

void FileList::setPattern(const QString &pattern) {
    pattern_ = pattern;
    refresh();
}

QString FileList::fileName() const {
    const QList<QListWidgetItem *> sel = selectedItems();
    return sel.isEmpty() ? QString() : sel.first()->text();
}

void FileList::setFileName(const QString &fullPath) {
    const QFileInfo info(fullPath);
    path_ = QDir::cleanPath(info.absolutePath());
    refresh();
    const QList<QListWidgetItem *> found = findItems(info.fileName(), Qt::MatchExactly);
    if (!found.isEmpty()) {
        setCurrentItem(found.first());
        found.first()->setSelected(true);
    }
}

void FileList::refresh() {
    const QString kept = fileName();
    clear();
    if (path_.isEmpty())
        return;
    QDir dir(path_);
    // Name filters without QDir::CaseSensitive match "*.mp3" and "*.MP3" alike.
    dir.setNameFilters(pattern_.split(QLatin1Char(';'), Qt::SkipEmptyParts));
    for (const QString &name : dir.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase)) {
        if (TextFile::holdsLineBreak(name))
            continue;
        auto *item = new QListWidgetItem(name, this);
        if (name == kept) {
            setCurrentItem(item);
            item->setSelected(true);
        }
    }
}

// ---- SelFol ----

SelFol::SelFol(const QString &baseFolder, QWidget *parent) : QDialog(parent), base_(baseFolder) {
    setObjectName(QStringLiteral("SelFol"));
    setWindowTitle(QStringLiteral("Select Folder"));
    setModal(true);
    Drive1 = new DriveList(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Dir1 = new FolderList(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Command1 = new QPushButton(QStringLiteral("New folder..."), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setToolTip(QStringLiteral("Создать новую папку"));
    Command2 = new QPushButton(QStringLiteral("OK"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setDefault(true);
    Command3 = new QPushButton(QStringLiteral("Cancel"), this);
    Command3->setObjectName(QStringLiteral("Command3"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Command1);
    buttons->addStretch();
    buttons->addWidget(Command2);
    buttons->addWidget(Command3);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Drive1);
    layout->addWidget(Dir1);
    layout->addLayout(buttons);
    FixedWindow::make(this);
    setFixedSize(320, 300);

    connect(Drive1, &DriveList::Change, this, [this] { Drive1_Change(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    Form_Load();
}

void SelFol::Form_Load() {
    try {
        Dir1->setPath(base_);
        Drive1->setDrive(Dir1->path());
    } catch (const std::exception &) {
        try {
            Dir1->setPath(ProgramFolder::path());
            Drive1->setDrive(Dir1->path());
        } catch (const std::exception &) {
        }
    }
}

void SelFol::Drive1_Change() {
    try {
        Dir1->setPath(Drive1->drive());
    } catch (const std::exception &) {
        WarningWindows(QStringLiteral("Devise is not ready. Change it or insert a disk."), 0);
        Drive1->setDrive(QDir::currentPath());
        try {
            Dir1->setPath(ProgramFolder::path());
        } catch (const std::exception &) {
        }
    }
}

void SelFol::Command1_Click() {
    const QString name = TextPrompt::InputBox(QStringLiteral("Enter New Folder Name."),
                                              QStringLiteral("Create New Folder"), QString(), this);
    if (name.isEmpty())
        return;
    const QString target = Dir1->path() + (Dir1->path().endsWith('/') ? "" : "/") + name;
    // One level, inside the shown folder: no separators, no line breaks, nothing that exists.
    const bool valid = !name.contains(QLatin1Char('/')) && !TextFile::holdsLineBreak(name) &&
                       name != QLatin1String(".") && name != QLatin1String("..");
    if (!valid || QFileInfo::exists(target) || !QDir().mkdir(target)) {
        WarningWindows(QStringLiteral("Unknown error in creating folder: ") + target, 0);
        return;
    }
    Dir1->refresh();
}

void SelFol::Command2_Click() {
    chosen_ = Dir1->path();
    accept();
}

void SelFol::Command3_Click() {
    reject();
}
