#include "app/Main.h"

#include "app/About.h"
#include "app/Help.h"
#include "app/Pictures.h"
#include "app/Startup.h"
#include "app/UpDown.h"
#include "build/BuildCommands.h"
#include "cabinet/Listing.h"
#include "common/Helpers.h"
#include "convert/Extraction.h"
#include "convert/SfxCommands.h"
#include "settings/Options.h"
#include "settings/SelectDirectory.h"
#include "settings/Settings.h"

#include <QAction>
#include <QFontMetrics>
#include <QComboBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace corvex {

TFormMain* FormMain = nullptr;


TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(U("Talvern Corvex"));
    setFont(QFont(U("新細明體")));
    resize(640, 420);
    buildModel_ = new TBuildListModel(this);
    extractModel_ = new TExtractListModel(this);
    BuildMenu();
    BuildToolBars();
    BuildLists();
    StatusBarMain = new QStatusBar(this);
    statusPanel_ = new QLabel(StatusBarMain);
    StatusBarMain->addWidget(statusPanel_, 1);
    setStatusBar(StatusBarMain);

    OpenDialog.title = U("開啟 Cabinet");
    OpenDialog.filter = U("Cabinet 檔案 (*.cab)");
    OpenDialog.defaultSuffix = QStringLiteral("cab");
    DialogAddFile.title = U("加入檔案到 Cabinet");
    DialogAddFile.filter = U("所有檔案 (*)");
    DialogAddFile.multiple = true;
    DialogAddFile.followLinks = false;
    DialogSave.title = U("Cabinet file name");
    DialogSave.filter = U("Cabinet 檔案 (*.cab)");
    DialogSave.defaultSuffix = QStringLiteral("cab");

    LoadSettings();
    CheckBuilderPresent();
    InitialiseControls();
    SetWindowMode(ModeCreate);
    UpdateStatusLine();
    if (!CommandLineText.empty())
        OpenCabinet(CommandLineText);
}

TFormMain::~TFormMain() = default;

void TFormMain::BuildMenu() {
    MainMenu = menuBar();
    auto command = [this](QMenu* menu, const char* caption, QKeySequence shortcut,
                          void (TFormMain::*handler)()) {
        QAction* action = menu->addAction(U(caption));
        action->setShortcut(shortcut);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    MenuItemCabinet = MainMenu->addMenu(U("&Cabinet"));
    MenuItemNew = command(MenuItemCabinet, "新增", QKeySequence(Qt::CTRL | Qt::Key_N),
                          &TFormMain::MenuItemNewClick);
    MenuItemOpen = command(MenuItemCabinet, "開啟", QKeySequence(Qt::CTRL | Qt::Key_O),
                           &TFormMain::MenuItemOpenClick);
    MenuItemSave = command(MenuItemCabinet, "儲存", QKeySequence(Qt::CTRL | Qt::Key_S),
                           &TFormMain::MenuItemSaveClick);
    N1 = MenuItemCabinet->addSeparator();
    MenuItemExit = command(MenuItemCabinet, "結束", QKeySequence(Qt::CTRL | Qt::Key_X),
                           &TFormMain::MenuItemExitClick);

    MenuItemAdd = MainMenu->addMenu(U("加入"));
    MenuItemAddFiles = command(MenuItemAdd, "檔案&F...", QKeySequence(Qt::CTRL | Qt::Key_F),
                               &TFormMain::MenuItemAddFilesClick);
    MenuItemAddDirectory = command(MenuItemAdd, "目錄(&D)", QKeySequence(Qt::CTRL | Qt::Key_D),
                                   &TFormMain::MenuItemAddDirectoryClick);

    MenuItemExtract = MainMenu->addMenu(U("展開(&E)"));
    MenuItemExtractAll =
        command(MenuItemExtract, "所有檔案&A...", QKeySequence(Qt::CTRL | Qt::Key_E),
                &TFormMain::MenuItemExtractAllClick);
    MenuItemExtractSelected =
        command(MenuItemExtract, "已選擇的檔案&S", QKeySequence(Qt::CTRL | Qt::Key_W),
                &TFormMain::MenuItemExtractSelectedClick);

    Convert1 = MainMenu->addMenu(U("轉換(&N)"));
    CABtoEXE1 = command(Convert1, "CAB 轉 SFX CAB...", QKeySequence(), &TFormMain::CABtoEXE1Click);
    EXEtoCAB1 = command(Convert1, "SFX CAB 轉 CAB...", QKeySequence(), &TFormMain::EXEtoCAB1Click);

    Select1 = MainMenu->addMenu(U("選取&S"));
    All1 = command(Select1, "全部", QKeySequence(Qt::CTRL | Qt::Key_A), &TFormMain::All1Click);
    Invert1 =
        command(Select1, "反向選擇", QKeySequence(Qt::CTRL | Qt::Key_I), &TFormMain::Invert1Click);

    MenuItemOptions = MainMenu->addAction(U("選項(&O)..."));
    connect(MenuItemOptions, &QAction::triggered, this, &TFormMain::MenuItemOptionsClick);

    MenuItemHelp = MainMenu->addMenu(U("說明"));
    MenuItemContents = command(MenuItemHelp, "內容(&C)", QKeySequence(Qt::Key_F1),
                               &TFormMain::MenuItemContentsClick);
    MenuItemAbout =
        command(MenuItemHelp, "關於&A...", QKeySequence(), &TFormMain::MenuItemAboutClick);
}

QToolButton* TFormMain::AddToolButton(QToolBar* bar, int picture, const char* toolTip,
                                      void (TFormMain::*handler)()) {
    auto* button = new QToolButton(bar);
    button->setIcon(QIcon(ImageListToolBar[size_t(picture)]));
    button->setIconSize(QSize(32, 32));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    if (toolTip)
        button->setToolTip(U(toolTip));
    connect(button, &QToolButton::clicked, this, handler);
    bar->addWidget(button);
    return button;
}

void TFormMain::BuildToolBars() {
    ImageListToolBar = ToolBarPictures();
    setContextMenuPolicy(Qt::NoContextMenu); // the bands are fixed: no menu to hide them
    auto band = [this](const char* name) {
        auto* bar = new QToolBar(U(name), this);
        bar->setObjectName(U(name));
        bar->setMovable(false);
        bar->setFloatable(false);
        bar->setIconSize(QSize(32, 32));
        addToolBar(Qt::TopToolBarArea, bar);
        return bar;
    };
    ToolBarCreate = band("ToolBarCreate");
    ToolButtonNew =
        AddToolButton(ToolBarCreate, PictureNew, "新 Cabinet", &TFormMain::ToolButtonNewClick);
    ToolButtonOpen =
        AddToolButton(ToolBarCreate, PictureOpen, "開啟 Cabinet", &TFormMain::ToolButtonOpenClick);
    ToolButtonSave =
        AddToolButton(ToolBarCreate, PictureSave, "儲存 Cabinet", &TFormMain::ToolButtonSaveClick);
    ToolBarCreate->addSeparator();
    ToolButtonAddFiles = AddToolButton(ToolBarCreate, PictureAddFiles, "加入檔案到 Cabinet",
                                       &TFormMain::ToolButtonAddFilesClick);
    ToolButtonRemoveFiles = AddToolButton(ToolBarCreate, PictureRemoveFiles, "從 Cabinet 移除檔案",
                                          &TFormMain::ToolButtonRemoveFilesClick);
    ToolButtonAddDirectory = AddToolButton(ToolBarCreate, PictureAddDirectory, "加入目錄到 Cabinet",
                                           &TFormMain::ToolButtonAddDirectoryClick);

    ToolBarCreateOptions = band("ToolBarCreateOptions");
    Label1 = new QLabel(U("磁碟大小 "), ToolBarCreateOptions);
    ToolBarCreateOptions->addWidget(Label1);
    ComboBoxSize = new QComboBox(ToolBarCreateOptions);
    for (const char* item : {"沒有限制", "1.44M", "720K", "ZIP 100M", "Flyer 230M", "自訂"})
        ComboBoxSize->addItem(U(item));
    ComboBoxSize->setCurrentIndex(-1);
    ComboBoxSize->setToolTip(U("Cabinet size"));
    ToolBarCreateOptions->addWidget(ComboBoxSize);
    ToolBarCreateOptions->addSeparator();
    Label2 = new QLabel(U("壓縮率"), ToolBarCreateOptions);
    ToolBarCreateOptions->addWidget(Label2);
    ComboBoxCompressionType = new QComboBox(ToolBarCreateOptions);
    for (const char* item : {"LZX", "MSZIP", "無"})
        ComboBoxCompressionType->addItem(U(item));
    ComboBoxCompressionType->setCurrentIndex(-1);
    ComboBoxCompressionType->setMaxVisibleItems(4);
    ComboBoxCompressionType->setToolTip(U("Compression method"));
    connect(ComboBoxCompressionType, &QComboBox::activated, this,
            &TFormMain::ComboBoxCompressionTypeChange);
    ToolBarCreateOptions->addWidget(ComboBoxCompressionType);
    EditLZXMemory = new QLineEdit(ToolBarCreateOptions);
    EditLZXMemory->setReadOnly(true);
    EditLZXMemory->setFixedWidth(32);
    EditLZXMemory->setAlignment(Qt::AlignRight);
    EditLZXMemory->setToolTip(U("Memory used by compression codec"));
    editLZXMemoryAction_ = ToolBarCreateOptions->addWidget(EditLZXMemory);
    UpDownLZXMemory = new TUpDown(15, 21, 21, ToolBarCreateOptions);
    UpDownLZXMemory->SetAssociate(EditLZXMemory);
    upDownLZXMemoryAction_ = ToolBarCreateOptions->addWidget(UpDownLZXMemory);

    ToolBarExtract = band("ToolBarExtract");
    ToolButtonOpen2 =
        AddToolButton(ToolBarExtract, PictureOpen, nullptr, &TFormMain::ToolButtonOpen2Click);
    ToolBarExtract->addSeparator();
    ToolButtonExtractAll = AddToolButton(ToolBarExtract, PictureExtractAll, "展開所有的檔案",
                                         &TFormMain::ToolButtonExtractAllClick);
    ToolButtonExtractSelected = AddToolButton(ToolBarExtract, PictureExtractSelected, nullptr,
                                              &TFormMain::ToolButtonExtractSelectedClick);
}

QTreeView* TFormMain::MakeReportList(QAbstractItemModel* model, const ListColumn* columns,
                                     int count) {
    auto* list = new QTreeView(this);
    list->setModel(model);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setSortingEnabled(false);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setAllColumnsShowFocus(true);
    list->header()->setSectionsClickable(false);
    list->header()->setSectionsMovable(false);
    list->header()->setStretchLastSection(false);
    // The widths were chosen for a narrow 15-pixel font; where the font in use is wider, a
    // column grows so that a date or a size is never cut short.
    const QFontMetrics metrics(list->font());
    constexpr int kCellPadding = 12;
    for (int i = 0; i < count; ++i) {
        int width = columns[i].width;
        if (columns[i].sample)
            width = std::max(width, metrics.horizontalAdvance(QString::fromUtf8(columns[i].sample)) +
                                        kCellPadding);
        list->header()->resizeSection(i, width);
    }
    // The selection stays as visible when the list does not have the focus.
    QPalette palette = list->palette();
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    list->setPalette(palette);
    return list;
}

void TFormMain::BuildLists() {
    auto* area = new QWidget(this);
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    ListViewCreate = MakeReportList(buildModel_, TBuildListModel::Columns,
                                    int(std::size(TBuildListModel::Columns)));
    ListViewExtract = MakeReportList(extractModel_, TExtractListModel::Columns,
                                     int(std::size(TExtractListModel::Columns)));
    ListViewCreate->installEventFilter(this);
    layout->addWidget(ListViewCreate);
    layout->addWidget(ListViewExtract);
    setCentralWidget(area);
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListViewCreate && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Insert || key->key() == Qt::Key_Delete) {
            ListViewCreateKeyDown(key->key(), key->modifiers());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFormMain::InitialiseControls() {
    ComboBoxCompressionType->setCurrentIndex(0);
    ComboBoxSize->setCurrentIndex(0);
}

void TFormMain::SetWindowMode(TWindowMode mode) {
    WindowMode = mode;
    const bool create = mode == ModeCreate;
    ToolBarCreate->setVisible(create);
    ToolBarCreateOptions->setVisible(create);
    ToolBarExtract->setVisible(!create);
    MenuItemSave->setEnabled(create);
    MenuItemAddFiles->setEnabled(create);
    MenuItemAddDirectory->setEnabled(create);
    MenuItemExtractAll->setEnabled(!create);
    MenuItemExtractSelected->setEnabled(!create);
    ListViewCreate->setVisible(create);
    ListViewExtract->setVisible(!create);
}

QTreeView* TFormMain::ActiveList() const {
    return WindowMode == ModeCreate ? ListViewCreate : ListViewExtract;
}

void TFormMain::UpdateStatusLine() {
    const int rows = ActiveList()->model()->rowCount();
    statusPanel_->setText(
        U("%1 位元組在 %2 檔案").arg(QString::fromStdString(FormatGrouped(TotalBytes))).arg(rows));
}

QString TFormMain::StatusText() const {
    return statusPanel_->text();
}

void TFormMain::OpenCabinet(const std::string& given) {
    std::string path = given;
    if (path.empty()) {
        const QStringList chosen = CurrentPrompts().OpenFiles(this, OpenDialog);
        if (chosen.isEmpty())
            return;
        path = PathBytes(chosen.first());
        OpenDialog.initialPath = QFileInfo(chosen.first()).absolutePath();
    }
    std::optional<CabinetListing> listing = ReadCabinetListing(path);
    if (!listing) {
        CurrentPrompts().Message(this, U("Corvex 訊息: 開啟 Cabinet 檔案發生錯誤。"),
                                 U("Corvex 無法開啟這個檔案。這個檔案可能不是 Microsoft Cabinet \n"
                                   "檔案或者是這個檔案已經損壞。"));
        return;
    }
    CurrentCabinetPath = path;
    SetWindowMode(ModeExtract);
    extractModel_->SetRows(std::move(listing->Rows));
    TotalBytes = listing->TotalBytes;
    UpdateStatusLine();
}

// Extraction: the destination is asked for first, even when nothing is selected.

namespace {

void ExtractAll() {
    if (!ChooseDirectory())
        return;
    ExtractAllTo(ChosenDirectory());
}

// One extrac32 per selected row, in the listing's order, each given the name's bytes as the
// cabinet holds them, not the text drawn on screen.
void ExtractSelected(const TFormMain& form) {
    if (!ChooseDirectory())
        return;
    const std::string destination = ChosenDirectory();
    const std::vector<ExtractRow>& rows = form.ExtractListModel()->Rows();
    const QItemSelectionModel* selection = form.ListViewExtract->selectionModel();
    std::vector<std::string> names;
    const int count = int(rows.size());
    for (int row = 0; row < count; ++row) {
        if (selection->isRowSelected(row, {}))
            names.push_back(rows[size_t(row)].FileName);
    }
    ExtractNamesTo(destination, names);
}

} // namespace

// Menu commands.

void TFormMain::MenuItemNewClick() {
    NewCabinet(*this);
}
void TFormMain::MenuItemOpenClick() {
    OpenCabinet({});
}
void TFormMain::MenuItemSaveClick() {
    SaveCabinet(*this);
}
void TFormMain::MenuItemExitClick() {
    EndProgram(0);
}
void TFormMain::MenuItemAddFilesClick() {
    AddFiles(*this);
}
void TFormMain::MenuItemAddDirectoryClick() {
    AddDirectory(*this);
}
void TFormMain::MenuItemExtractAllClick() {
    ExtractAll();
}
void TFormMain::MenuItemExtractSelectedClick() {
    ExtractSelected(*this);
}
void TFormMain::CABtoEXE1Click() {
    ConvertCabToSfx(this);
}
void TFormMain::EXEtoCAB1Click() {
    ConvertSfxToCab(this);
}

void TFormMain::All1Click() {
    QTreeView* list = ActiveList();
    const int rows = list->model()->rowCount();
    if (rows == 0)
        return;
    const QItemSelection all(list->model()->index(0, 0), list->model()->index(rows - 1, 0));
    list->selectionModel()->select(all, QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void TFormMain::Invert1Click() {
    QTreeView* list = ActiveList();
    const int rows = list->model()->rowCount();
    if (rows == 0)
        return;
    const QItemSelection all(list->model()->index(0, 0), list->model()->index(rows - 1, 0));
    list->selectionModel()->select(all, QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
}

void TFormMain::MenuItemOptionsClick() {
    if (DialogOptions)
        CurrentPrompts().ExecModal(DialogOptions);
}

void TFormMain::MenuItemContentsClick() {
    ShowHelpContext(this, "Corvex.hlp", 101);
}

void TFormMain::MenuItemAboutClick() {
    if (AboutBox)
        CurrentPrompts().ExecModal(AboutBox);
}

// Tool buttons.

void TFormMain::ToolButtonNewClick() {
    NewCabinet(*this);
}
void TFormMain::ToolButtonOpenClick() {
    OpenCabinet({});
}
void TFormMain::ToolButtonSaveClick() {
    SaveCabinet(*this);
}
void TFormMain::ToolButtonAddFilesClick() {
    AddFiles(*this);
}
void TFormMain::ToolButtonRemoveFilesClick() {
    RemoveSelected(*this);
}
void TFormMain::ToolButtonAddDirectoryClick() {
    AddDirectory(*this);
}
void TFormMain::ToolButtonOpen2Click() {
    OpenCabinet({});
}
void TFormMain::ToolButtonExtractAllClick() {
    ExtractAll();
}
void TFormMain::ToolButtonExtractSelectedClick() {
    ExtractSelected(*this);
}

// Control events.

void TFormMain::ComboBoxCompressionTypeChange() {
    const bool lzx = ComboBoxCompressionType->currentIndex() == 0;
    editLZXMemoryAction_->setVisible(lzx);
    upDownLZXMemoryAction_->setVisible(lzx);
}

// Modifier keys are not looked at: Shift+Insert and Ctrl+Delete act like Insert and Delete.
void TFormMain::ListViewCreateKeyDown(int key, Qt::KeyboardModifiers) {
    if (key == Qt::Key_Insert)
        MenuItemAddFilesClick();
    else if (key == Qt::Key_Delete)
        ToolButtonRemoveFilesClick();
}

} // namespace corvex
