#pragma once
// "Jingle Custom": edits the twelve jingle slots. Whatever way it closes, the console
// reloads the set from jing.jin, so only what OK wrote is kept.
#include <QDialog>
#include <array>

class DriveList;
class FileList;
class FolderList;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class AddJingle : public QDialog {
    Q_OBJECT
  public:
    explicit AddJingle(QWidget *parent = nullptr);

    void Form_Load();
    void Form_Unload();
    void Option1_Click(int Index);
    void Combo1_Click();
    void Drive1_Change();
    void Dir1_Change();
    void File1_Click();
    void File1_DblClick();
    void Command5_Click();  // "Add"
    void Command3_Click();  // preview play
    void Command4_Click();  // preview stop
    void Command1_Click();  // OK
    void Command2_Click();  // Cancel

    // The slot being edited, 0..11.
    int JingleSlot = 0;

    QGroupBox *Frame1 = nullptr;
    std::array<QRadioButton *, 12> Option1{};
    DriveList *Drive1 = nullptr;
    FolderList *Dir1 = nullptr;
    FileList *File1 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr;
    QComboBox *Combo1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr;
    QPushButton *Command4 = nullptr, *Command5 = nullptr;

    void done(int result) override;

  private:
    // Stores the file chosen in the file list and the name box into the current slot;
    // false when no file is chosen (the slot then stays as it was).
    bool storeSlot();
    bool unloaded_ = false;
    // The set in force when the dialog opened: what Cancel returns to when the file cannot
    // be read back.
    std::array<QString, 12> keptPaths_, keptNames_;
};
