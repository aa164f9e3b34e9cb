// The directory chooser: a drive box over a directory list. It works through the process's
// current directory, which stays at the last directory opened.
#pragma once

#include <QDialog>
#include <map>
#include <string>
#include <vector>

class QComboBox;
class QFrame;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace corvex {

class TDialogSelectDir : public QDialog {
    Q_OBJECT
  public:
    explicit TDialogSelectDir(QWidget* parent = nullptr);

    QFrame* Bevel1;
    QComboBox* DriveComboBox1;
    QListWidget* DirectoryListBox;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

    // The outcome of the last showing: true when it was closed with OK.
    bool DirectoryConfirmed = false;

    // The open directory of the list, as the system reports the current directory: no
    // trailing separator, except for a root.
    const std::string& OpenDirectory() const { return openDirectory_; }

    // Opens a directory as a double-click on its entry does. A directory that cannot be entered
    // is told in the standard error box and the list keeps what it had. Gives whether it opened.
    bool OpenPath(const std::string& path);

    // The roots the drive box offers: "/" and the mounted volumes.
    static std::vector<std::string> Roots();

  public slots:
    void OKBtnClick();
    void CancelBtnClick();
    void DirectoryListBoxDblClick(QListWidgetItem* item);
    void DriveComboBox1Change(int index);

  protected:
    void reject() override;

  private:
    void FillList();
    void FillDrives();
    std::string RootOf(const std::string& directory) const;

    std::string openDirectory_;
    std::map<std::string, std::string>
        lastDirectoryOfRoot_; // like each drive's own current directory
    bool filling_ = false;
};

extern TDialogSelectDir* DialogSelectDir;

// Shows DialogSelectDir modally and gives DirectoryConfirmed.
bool ChooseDirectory();

// The open directory of DialogSelectDir at the time of the call.
std::string ChosenDirectory();

} // namespace corvex
