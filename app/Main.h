// The main window: the build list in ModeCreate, the opened cabinet's files in ModeExtract.
// Handlers are named after their control and event; each starts one operation.
#pragma once

#include "app/ListModels.h"
#include "app/Prompts.h"
#include "app/State.h"

#include <QMainWindow>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QStatusBar;
class QToolBar;
class QToolButton;
class QTreeView;

namespace corvex {

class TUpDown;

class TFormMain : public QMainWindow {
    Q_OBJECT
  public:
    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    void SetWindowMode(TWindowMode mode);
    void UpdateStatusLine();
    void InitialiseControls();
    // An empty path asks for the file in OpenDialog; any other is opened unchanged.
    void OpenCabinet(const std::string& path);

    // The rows of both lists, and the list of the current mode.
    TBuildListModel* BuildListModel() const { return buildModel_; }
    TExtractListModel* ExtractListModel() const { return extractModel_; }
    QTreeView* ActiveList() const;
    QString StatusText() const;

    // The main menu.
    QMenuBar* MainMenu;
    QMenu* MenuItemCabinet;
    QMenu* MenuItemAdd;
    QMenu* MenuItemExtract;
    QMenu* Convert1;
    QMenu* Select1;
    QAction* MenuItemOptions; // a command on the menu bar itself
    QMenu* MenuItemHelp;
    QAction* MenuItemNew;
    QAction* MenuItemOpen;
    QAction* MenuItemSave;
    QAction* N1;
    QAction* MenuItemExit;
    QAction* MenuItemAddFiles;
    QAction* MenuItemAddDirectory;
    QAction* MenuItemExtractAll;
    QAction* MenuItemExtractSelected;
    QAction* CABtoEXE1;
    QAction* EXEtoCAB1;
    QAction* All1;
    QAction* Invert1;
    QAction* MenuItemContents;
    QAction* MenuItemAbout;

    // The cool bar's three bands.
    QToolBar* ToolBarCreate;
    QToolBar* ToolBarCreateOptions;
    QToolBar* ToolBarExtract;
    std::vector<QPixmap> ImageListToolBar;
    QToolButton* ToolButtonNew;
    QToolButton* ToolButtonOpen;
    QToolButton* ToolButtonSave;
    QToolButton* ToolButtonAddFiles;
    QToolButton* ToolButtonRemoveFiles;
    QToolButton* ToolButtonAddDirectory;
    QLabel* Label1;
    QComboBox* ComboBoxSize;
    QLabel* Label2;
    QComboBox* ComboBoxCompressionType;
    QLineEdit* EditLZXMemory;
    TUpDown* UpDownLZXMemory;
    QToolButton* ToolButtonOpen2;
    QToolButton* ToolButtonExtractAll;
    QToolButton* ToolButtonExtractSelected;

    QTreeView* ListViewCreate;
    QTreeView* ListViewExtract;
    QStatusBar* StatusBarMain;

    // The three file dialogs, one object each for the whole run.
    FileDialogOptions OpenDialog;
    FileDialogOptions DialogAddFile;
    FileDialogOptions DialogSave;

  public slots:
    void MenuItemNewClick();
    void MenuItemOpenClick();
    void MenuItemSaveClick();
    void MenuItemExitClick();
    void MenuItemAddFilesClick();
    void MenuItemAddDirectoryClick();
    void MenuItemExtractAllClick();
    void MenuItemExtractSelectedClick();
    void CABtoEXE1Click();
    void EXEtoCAB1Click();
    void All1Click();
    void Invert1Click();
    void MenuItemOptionsClick();
    void MenuItemContentsClick();
    void MenuItemAboutClick();

    void ToolButtonNewClick();
    void ToolButtonOpenClick();
    void ToolButtonSaveClick();
    void ToolButtonAddFilesClick();
    void ToolButtonRemoveFilesClick();
    void ToolButtonAddDirectoryClick();
    void ToolButtonOpen2Click();
    void ToolButtonExtractAllClick();
    void ToolButtonExtractSelectedClick();

    void ComboBoxCompressionTypeChange();
    void ListViewCreateKeyDown(int key, Qt::KeyboardModifiers shift);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildMenu();
    void BuildToolBars();
    void BuildLists();
    QToolButton* AddToolButton(QToolBar* bar, int picture, const char* toolTip,
                               void (TFormMain::*handler)());
    QTreeView* MakeReportList(QAbstractItemModel* model, const ListColumn* columns, int count);

    TBuildListModel* buildModel_;
    TExtractListModel* extractModel_;
    QAction* editLZXMemoryAction_ = nullptr; // their places in the tool bar, to show and hide them
    QAction* upDownLZXMemoryAction_ = nullptr;
    QLabel* statusPanel_;
};

extern TFormMain* FormMain;

} // namespace corvex
