// The main window on real widgets, offscreen: start-up, opening cabinets, the two modes and the
// status line. Dialogs are answered through a Prompts of our own.
#include "app/Main.h"
#include "app/Pictures.h"
#include "app/UpDown.h"
#include "tests/support/GuiTestSupport.h"

#include <QFontMetrics>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace corvex {
namespace {

namespace fs = std::filesystem;

const std::string kCabDir = std::string(CORVEX_FIXTURES_DIR) + "/cab/";
const std::string kThreeFiles =
    kCabDir + "libarchive-test_read_format_cab_1.cab"; // 0 + 60 + 78 bytes
const std::string kFourFiles = kCabDir + "libarchive-test_read_format_cab_2.cab";

using test::ProgramEnded;

std::string Numbered(int i) {
    std::string name = "f";
    name += std::to_string(i);
    return name;
}

// Tool bars show and hide their widgets when their layout runs.
void Settle() {
    QCoreApplication::processEvents();
}

const QString kOpenFailedCaption = U("Corvex 訊息: 開啟 Cabinet 檔案發生錯誤。");
const QString kOpenFailedText =
    U("Corvex 無法開啟這個檔案。這個檔案可能不是 Microsoft Cabinet \n檔案或者是這個檔案已經損壞。");

class MainWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = tree_.path().string();
        installDir_ = tree_.Dir("install/");
        test::InstallIdleBuilder(installDir_);
        env_.Set("XDG_CONFIG_HOME", dir_ + "/config");
        test::TakeOverProgram(prompts_, installDir_, [](int status) { throw ProgramEnded{status}; });
    }
    void TearDown() override {
        form_.reset();
        test::GiveBackProgram();
        env_.Restore();
    }

    TFormMain& Start(const std::string& commandLine = {}) {
        CommandLineText = commandLine;
        form_ = std::make_unique<TFormMain>();
        form_->show();
        return *form_;
    }

    static bool Shown(QWidget* w, const TFormMain& form) { return w->isVisibleTo(&form); }

    static QStringList Column(QAbstractItemModel* model, int column) {
        QStringList texts;
        for (int row = 0; row < model->rowCount(); ++row)
            texts << model->index(row, column).data().toString();
        return texts;
    }

    void ExpectCreateModeState(const TFormMain& f) {
        EXPECT_EQ(WindowMode, ModeCreate);
        EXPECT_TRUE(Shown(f.ToolBarCreate, f));
        EXPECT_TRUE(Shown(f.ToolBarCreateOptions, f));
        EXPECT_FALSE(Shown(f.ToolBarExtract, f));
        EXPECT_TRUE(Shown(f.ListViewCreate, f));
        EXPECT_FALSE(Shown(f.ListViewExtract, f));
        EXPECT_TRUE(f.MenuItemSave->isEnabled() && f.MenuItemAddFiles->isEnabled() &&
                    f.MenuItemAddDirectory->isEnabled());
        EXPECT_FALSE(f.MenuItemExtractAll->isEnabled() || f.MenuItemExtractSelected->isEnabled());
    }

    void ExpectExtractModeState(const TFormMain& f) {
        EXPECT_EQ(WindowMode, ModeExtract);
        EXPECT_FALSE(Shown(f.ToolBarCreate, f));
        EXPECT_FALSE(Shown(f.ToolBarCreateOptions, f));
        EXPECT_TRUE(Shown(f.ToolBarExtract, f));
        EXPECT_FALSE(Shown(f.ListViewCreate, f));
        EXPECT_TRUE(Shown(f.ListViewExtract, f));
        EXPECT_FALSE(f.MenuItemSave->isEnabled() || f.MenuItemAddFiles->isEnabled() ||
                     f.MenuItemAddDirectory->isEnabled());
        EXPECT_TRUE(f.MenuItemExtractAll->isEnabled() && f.MenuItemExtractSelected->isEnabled());
    }

    test::TempTree tree_;
    test::ScopedEnvironment env_;
    std::string dir_, installDir_;
    test::RecordingPrompts prompts_;
    std::unique_ptr<TFormMain> form_;
};

TEST_F(MainWindow, StartsEmptyInCreateMode) {
    TFormMain& f = Start();
    ExpectCreateModeState(f);
    EXPECT_EQ(f.ListViewCreate->model()->rowCount(), 0);
    EXPECT_EQ(f.ComboBoxSize->currentText(), U("沒有限制"));
    EXPECT_EQ(f.ComboBoxCompressionType->currentText(), U("LZX"));
    EXPECT_EQ(f.EditLZXMemory->text(), "21");
    EXPECT_TRUE(Shown(f.EditLZXMemory, f));
    EXPECT_EQ(f.StatusText(), U("0 位元組在 0 檔案"));
    EXPECT_EQ(f.windowTitle(), "Talvern Corvex");
    EXPECT_TRUE(prompts_.messages.empty());
    // The settings were loaded while the window was built.
    EXPECT_EQ(AppSettings.InstallDir, installDir_);
    EXPECT_TRUE(fs::exists(dir_ + "/config/corvex/registry.reg"));
}

TEST_F(MainWindow, StartsWithACabinetOnTheCommandLine) {
    TFormMain& f = Start(kThreeFiles);
    ExpectExtractModeState(f);
    EXPECT_EQ(Column(f.ListViewExtract->model(), 0), QStringList({"empty", "file1", "file2"}));
    EXPECT_EQ(Column(f.ListViewExtract->model(), 1), QStringList({"", "dir1\\", "dir2\\"}));
    EXPECT_EQ(Column(f.ListViewExtract->model(), 2), QStringList({"0", "60", "78"}));
    EXPECT_EQ(Column(f.ListViewExtract->model(), 3)[0], "17/12/2010");
    EXPECT_EQ(Column(f.ListViewExtract->model(), 4)[0], "20:42:12");
    EXPECT_EQ(Column(f.ListViewExtract->model(), 5)[0], "-a--");
    EXPECT_EQ(f.StatusText(), U("138 位元組在 3 檔案"));
    EXPECT_EQ(CurrentCabinetPath, kThreeFiles);
    EXPECT_TRUE(prompts_.messages.empty());
    EXPECT_TRUE(prompts_.openDialogs.empty()); // the command line's path is used as it stands
}

TEST_F(MainWindow, StartsWithANonCabinetOrAQuotedPath) {
    const std::string notCabinet = dir_ + "/notes.txt";
    std::ofstream(notCabinet) << "These are notes, not a cabinet, and longer than its header.";
    for (const std::string& commandLine : {notCabinet, "\"" + kThreeFiles + "\""}) {
        SCOPED_TRACE(commandLine);
        prompts_.messages.clear();
        TFormMain& f = Start(commandLine);
        ASSERT_EQ(prompts_.messages.size(), 1u);
        EXPECT_EQ(prompts_.messages[0].caption, kOpenFailedCaption);
        EXPECT_EQ(prompts_.messages[0].text, kOpenFailedText);
        ExpectCreateModeState(f);
        EXPECT_EQ(CurrentCabinetPath, "");
        EXPECT_EQ(f.StatusText(), U("0 位元組在 0 檔案"));
    }
}

TEST_F(MainWindow, WithoutTheBuilderTheProgramEndsBeforeOpeningAnything) {
    fs::remove(installDir_ + "makecab");
    try {
        Start(kThreeFiles);
        ADD_FAILURE() << "the program went on";
    } catch (const ProgramEnded& end) {
        EXPECT_EQ(end.status, 0);
    }
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_EQ(prompts_.messages[0].caption, MissingBuilderCaption());
    EXPECT_EQ(prompts_.messages[0].caption, U("Corvex 訊息: 找不到 makecab.exe"));
    EXPECT_TRUE(prompts_.messages[0].text.startsWith(
        U("請複製 Microsoft makecab.exe 到 Corvex 資料夾。您可以從\nMicrosoft 的網站下載 "
          "makecab.exe http")));
    EXPECT_EQ(CurrentCabinetPath, "");
}

TEST_F(MainWindow, ASettingOfTheWrongTypeLeavesTheConstructionBeforeTheBuilderCheck) {
    fs::create_directories(dir_ + "/config/corvex");
    std::ofstream(dir_ + "/config/corvex/registry.reg")
        << "REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Talvern\\Corvex]\n\"GenerateINF\"=\"on\"\n";
    fs::remove(installDir_ + "makecab");
    try {
        Start(kThreeFiles);
        ADD_FAILURE() << "no error";
    } catch (const std::exception& error) {
        EXPECT_STREQ(error.what(), "Invalid data type for 'GenerateINF'");
    }
    EXPECT_TRUE(prompts_.messages.empty()); // neither the builder message nor the listing
    EXPECT_EQ(CurrentCabinetPath, "");
}

TEST_F(MainWindow, OpeningASecondCabinetReplacesTheFirst) {
    TFormMain& f = Start(kFourFiles);
    const int32_t firstTotal = TotalBytes;
    EXPECT_EQ(f.ListViewExtract->model()->rowCount(), 4);
    f.All1Click();
    prompts_.openAnswers.push_back({QString::fromStdString(kThreeFiles)});
    f.MenuItemOpenClick();
    ASSERT_EQ(prompts_.openDialogs.size(), 1u);
    EXPECT_EQ(prompts_.openDialogs[0].title, U("開啟 Cabinet"));
    EXPECT_EQ(prompts_.openDialogs[0].filter, U("Cabinet 檔案 (*.cab)"));
    EXPECT_EQ(prompts_.openDialogs[0].defaultSuffix, "cab");
    EXPECT_FALSE(prompts_.openDialogs[0].multiple);
    EXPECT_EQ(f.ListViewExtract->model()->rowCount(), 3);
    EXPECT_EQ(TotalBytes, 138);
    EXPECT_NE(firstTotal, 138);
    EXPECT_EQ(CurrentCabinetPath, kThreeFiles);
    EXPECT_EQ(f.StatusText(), U("138 位元組在 3 檔案"));
    EXPECT_FALSE(f.ListViewExtract->selectionModel()->hasSelection());
}

TEST_F(MainWindow, AFailedOrCancelledOpenChangesNothing) {
    TFormMain& f = Start(kThreeFiles);
    const QString status = f.StatusText();
    // Cancelled: no message, nothing changes.
    f.ToolButtonOpenClick();
    EXPECT_EQ(prompts_.openDialogs.size(), 1u);
    EXPECT_TRUE(prompts_.messages.empty());
    // A file that is no cabinet.
    prompts_.openAnswers.push_back(
        {QString::fromStdString(kCabDir + "bad/libmspack-bad_signature.cab")});
    f.ToolButtonOpen2Click();
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_EQ(prompts_.messages[0].caption, kOpenFailedCaption);
    ExpectExtractModeState(f);
    EXPECT_EQ(f.ListViewExtract->model()->rowCount(), 3);
    EXPECT_EQ(CurrentCabinetPath, kThreeFiles);
    EXPECT_EQ(TotalBytes, 138);
    EXPECT_EQ(f.StatusText(), status);
}

TEST_F(MainWindow, FailedOpenInCreateModeKeepsTheBuildList) {
    TFormMain& f = Start();
    f.BuildListModel()->Append({"a.txt", "/src/", "", "1.000"});
    TotalBytes = 1000;
    f.UpdateStatusLine();
    prompts_.openAnswers.push_back({QString::fromStdString(dir_ + "/missing.cab")});
    f.MenuItemOpenClick();
    EXPECT_EQ(prompts_.messages.size(), 1u);
    ExpectCreateModeState(f);
    EXPECT_EQ(f.BuildListModel()->rowCount(), 1);
    EXPECT_EQ(f.StatusText(), U("1.000 位元組在 1 檔案"));
}

TEST_F(MainWindow, ModeTable) {
    TFormMain& f = Start();
    f.SetWindowMode(ModeExtract);
    ExpectExtractModeState(f);
    f.SetWindowMode(ModeExtract);
    ExpectExtractModeState(f);
    f.SetWindowMode(ModeCreate);
    ExpectCreateModeState(f);
    f.SetWindowMode(ModeCreate);
    ExpectCreateModeState(f);
    for (QAction* always :
         {f.MenuItemNew, f.MenuItemOpen, f.MenuItemExit, f.CABtoEXE1, f.EXEtoCAB1, f.All1,
          f.Invert1, f.MenuItemOptions, f.MenuItemContents, f.MenuItemAbout}) {
        f.SetWindowMode(ModeExtract);
        EXPECT_TRUE(always->isEnabled()) << always->text().toStdString();
        f.SetWindowMode(ModeCreate);
        EXPECT_TRUE(always->isEnabled()) << always->text().toStdString();
    }
}

TEST_F(MainWindow, DisabledItemsDoNotAnswerTheirShortcuts) {
    TFormMain& f = Start(kThreeFiles);
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    struct Key {
        QAction* action;
        Qt::Key key;
        bool inCreate, inExtract;
    } const keys[] = {
        {f.MenuItemSave, Qt::Key_S, true, false},
        {f.MenuItemAddFiles, Qt::Key_F, true, false},
        {f.MenuItemAddDirectory, Qt::Key_D, true, false},
        {f.MenuItemExtractAll, Qt::Key_E, false, true},
        {f.MenuItemExtractSelected, Qt::Key_W, false, true},
        {f.MenuItemNew, Qt::Key_N, true, true},
        {f.All1, Qt::Key_A, true, true},
        {f.Invert1, Qt::Key_I, true, true},
    };
    for (TWindowMode mode : {ModeExtract, ModeCreate}) {
        f.SetWindowMode(mode);
        QWidget* focus = f.ActiveList();
        focus->setFocus();
        for (const auto& k : keys) {
            QSignalSpy spy(k.action, &QAction::triggered);
            QTest::keyClick(focus, k.key, Qt::ControlModifier);
            EXPECT_EQ(spy.count(), (mode == ModeCreate ? k.inCreate : k.inExtract) ? 1 : 0)
                << k.action->text().toStdString() << " in mode " << mode;
        }
    }
    f.SetWindowMode(ModeExtract);
    EXPECT_FALSE(f.ListViewExtract->selectionModel()->hasSelection()); // Ctrl+A, then Ctrl+I
    QTest::keyClick(f.ListViewExtract, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(f.ListViewExtract->selectionModel()->selectedRows().size(), 3);
    QTest::keyClick(f.ListViewExtract, Qt::Key_O, Qt::ControlModifier);
    // Ctrl+F in ModeCreate showed the add-files dialog; Ctrl+O the open dialog.
    ASSERT_EQ(prompts_.openDialogs.size(), 2u);
    EXPECT_EQ(prompts_.openDialogs.front().title, f.DialogAddFile.title);
    EXPECT_EQ(prompts_.openDialogs.back().title, f.OpenDialog.title);
}

TEST_F(MainWindow, StatusLineCountsTheActiveListOnly) {
    TFormMain& f = Start(kThreeFiles);
    f.SetWindowMode(ModeCreate);
    TotalBytes = 0;
    f.UpdateStatusLine();
    EXPECT_EQ(f.StatusText(), U("0 位元組在 0 檔案"));
    EXPECT_EQ(f.ListViewExtract->model()->rowCount(), 3);
    for (int i = 0; i < 3; ++i)
        f.BuildListModel()->Append({Numbered(i), "/src/", "", "1"});
    TotalBytes = 12345;
    f.UpdateStatusLine();
    EXPECT_EQ(f.StatusText(), U("12.345 位元組在 3 檔案"));
    TotalBytes = -5;
    f.UpdateStatusLine();
    EXPECT_EQ(f.StatusText(), U("-5 位元組在 3 檔案"));
}

TEST_F(MainWindow, EmptyCabinetStillSwitchesToExtractMode) {
    TFormMain& f = Start(kCabDir + "bad/libmspack-bad_nofiles.cab");
    ExpectExtractModeState(f);
    EXPECT_EQ(f.ListViewExtract->model()->rowCount(), 0);
    EXPECT_EQ(f.StatusText(), U("0 位元組在 0 檔案"));
}

TEST_F(MainWindow, NamesAreShownDecodedAndKeptAsBytes) {
    TFormMain& f = Start(kCabDir + "cabextract-encoding-latin1.cab");
    const auto& rows = f.ExtractListModel()->Rows();
    ASSERT_EQ(rows.size(), 3u);
    for (int row = 0; row < 3; ++row) {
        const std::string& bytes = rows[size_t(row)].FileName;
        const QString shown = f.ListViewExtract->model()->index(row, 0).data().toString();
        EXPECT_FALSE(shown.isEmpty());
        EXPECT_EQ(shown, DisplayName(bytes));
        EXPECT_EQ(QString::fromUtf8(bytes.data(), qsizetype(bytes.size()))
                      .contains(QChar::ReplacementCharacter),
                  true); // the fixture's names are not UTF-8
    }
    Start(kCabDir + "cabextract-case-utf8.cab");
    EXPECT_EQ(form_->ListViewExtract->model()->index(1, 0).data().toString(),
              QString::fromUtf8(form_->ExtractListModel()->Rows()[1].FileName.c_str()));
}

TEST_F(MainWindow, ListColumnsAndBehaviour) {
    TFormMain& f = Start();
    struct Column {
        const char* caption;
        int width;
        bool right;
    };
    const Column extract[] = {{"檔案名稱", 120, false}, {"目錄", 200, false}, {"大小", 80, true},
                              {"日期", 70, true},       {"時間", 55, true},   {"屬性", 30, true}};
    const Column create[] = {{"檔案名稱", 120, false},
                             {"原始目錄", 200, false},
                             {"目標目錄", 200, false},
                             {"大小", 80, true}};
    auto check = [](QTreeView* list, const Column* columns, int count) {
        ASSERT_EQ(list->model()->columnCount(), count);
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(list->model()->headerData(i, Qt::Horizontal).toString(),
                      U(columns[i].caption));
            // Never narrower than designed; wider only where the font needs it.
            EXPECT_GE(list->header()->sectionSize(i), columns[i].width) << i;
            const int alignment =
                list->model()->headerData(i, Qt::Horizontal, Qt::TextAlignmentRole).toInt();
            EXPECT_EQ(bool(alignment & Qt::AlignRight), columns[i].right) << i;
        }
        EXPECT_FALSE(list->header()->sectionsClickable());
        EXPECT_FALSE(list->isSortingEnabled());
        EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
        EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
        EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
        EXPECT_TRUE(list->uniformRowHeights());
    };
    check(f.ListViewExtract, extract, 6);
    check(f.ListViewCreate, create, 4);
    // A date, a time and a grouped size fit their columns whatever font is in use.
    const QFontMetrics metrics(f.ListViewExtract->font());
    EXPECT_GT(f.ListViewExtract->header()->sectionSize(2), metrics.horizontalAdvance("99.999.999"));
    EXPECT_GT(f.ListViewExtract->header()->sectionSize(3), metrics.horizontalAdvance("07/03/1998"));
    EXPECT_GT(f.ListViewExtract->header()->sectionSize(4), metrics.horizontalAdvance("14:05:08"));
    f.BuildListModel()->Append({"a", "/s/", "t\\", "7"});
    EXPECT_EQ(f.ListViewCreate->model()->index(0, 3).data(Qt::TextAlignmentRole).toInt() &
                  Qt::AlignRight,
              Qt::AlignRight);
}

TEST_F(MainWindow, BuildListModelKeepsItsEntries) {
    TFormMain& f = Start();
    TBuildListModel* model = f.BuildListModel();
    for (int i = 0; i < 600; ++i)
        model->Append({Numbered(i), "/src/", "", std::to_string(i)});
    EXPECT_EQ(model->rowCount(), 600);
    model->RemoveRow(0);
    model->RemoveRow(598);
    model->RemoveRow(598); // past the end: nothing
    EXPECT_EQ(model->rowCount(), 598);
    EXPECT_EQ(model->Entry(0).EntryName, "f1");
    EXPECT_EQ(model->Entries().back().EntryName, "f598");
    EXPECT_EQ(model->index(1, 1).data().toString(), "/src/");
    model->Clear();
    EXPECT_EQ(model->rowCount(), 0);
}

TEST_F(MainWindow, BandsHoldTheirControls) {
    TFormMain& f = Start();
    struct Button {
        QToolButton* button;
        const char* tip;
    } const buttons[] = {
        {f.ToolButtonNew, "新 Cabinet"},
        {f.ToolButtonOpen, "開啟 Cabinet"},
        {f.ToolButtonSave, "儲存 Cabinet"},
        {f.ToolButtonAddFiles, "加入檔案到 Cabinet"},
        {f.ToolButtonRemoveFiles, "從 Cabinet 移除檔案"},
        {f.ToolButtonAddDirectory, "加入目錄到 Cabinet"},
        {f.ToolButtonOpen2, ""},
        {f.ToolButtonExtractAll, "展開所有的檔案"},
        {f.ToolButtonExtractSelected, ""},
    };
    for (const auto& b : buttons) {
        EXPECT_EQ(b.button->toolTip(), U(b.tip));
        EXPECT_EQ(b.button->iconSize(), QSize(32, 32));
        EXPECT_FALSE(b.button->icon().isNull());
    }
    EXPECT_EQ(f.ComboBoxSize->toolTip(), "Cabinet size");
    EXPECT_EQ(f.ComboBoxCompressionType->toolTip(), "Compression method");
    EXPECT_EQ(f.EditLZXMemory->toolTip(), "Memory used by compression codec");
    EXPECT_EQ(f.Label1->text(), U("磁碟大小 "));
    EXPECT_EQ(f.Label2->text(), U("壓縮率"));
    QStringList sizes;
    for (int i = 0; i < f.ComboBoxSize->count(); ++i)
        sizes << f.ComboBoxSize->itemText(i);
    EXPECT_EQ(sizes,
              QStringList({U("沒有限制"), "1.44M", "720K", "ZIP 100M", "Flyer 230M", U("自訂")}));
    EXPECT_EQ(f.ComboBoxCompressionType->count(), 3);
    EXPECT_EQ(f.ComboBoxCompressionType->itemText(2), U("無"));
    EXPECT_FALSE(f.ComboBoxSize->isEditable());
    EXPECT_TRUE(f.EditLZXMemory->isReadOnly());

    // Eight different pictures, 32 by 32, none of them blank.
    const auto pictures = ToolBarPictures();
    ASSERT_EQ(pictures.size(), 8u);
    for (size_t i = 0; i < pictures.size(); ++i) {
        EXPECT_EQ(pictures[i].size(), QSize(32, 32));
        const QImage image = pictures[i].toImage();
        for (size_t j = 0; j < i; ++j)
            EXPECT_NE(image, pictures[j].toImage()) << i << " " << j;
    }
}

TEST_F(MainWindow, MenuCaptionsAndShortcuts) {
    TFormMain& f = Start();
    struct Item {
        QAction* action;
        const char* caption;
        QKeySequence shortcut;
    } const items[] = {
        {f.MenuItemNew, "新增", QKeySequence("Ctrl+N")},
        {f.MenuItemOpen, "開啟", QKeySequence("Ctrl+O")},
        {f.MenuItemSave, "儲存", QKeySequence("Ctrl+S")},
        {f.MenuItemExit, "結束", QKeySequence("Ctrl+X")},
        {f.MenuItemAddFiles, "檔案&F...", QKeySequence("Ctrl+F")},
        {f.MenuItemAddDirectory, "目錄(&D)", QKeySequence("Ctrl+D")},
        {f.MenuItemExtractAll, "所有檔案&A...", QKeySequence("Ctrl+E")},
        {f.MenuItemExtractSelected, "已選擇的檔案&S", QKeySequence("Ctrl+W")},
        {f.CABtoEXE1, "CAB 轉 SFX CAB...", QKeySequence()},
        {f.EXEtoCAB1, "SFX CAB 轉 CAB...", QKeySequence()},
        {f.All1, "全部", QKeySequence("Ctrl+A")},
        {f.Invert1, "反向選擇", QKeySequence("Ctrl+I")},
        {f.MenuItemOptions, "選項(&O)...", QKeySequence()},
        {f.MenuItemContents, "內容(&C)", QKeySequence("F1")},
        {f.MenuItemAbout, "關於&A...", QKeySequence()},
    };
    for (const auto& item : items) {
        EXPECT_EQ(item.action->text(), U(item.caption));
        EXPECT_EQ(item.action->shortcut(), item.shortcut) << item.caption;
    }
    QStringList top;
    for (QAction* a : f.MainMenu->actions())
        top << a->text();
    EXPECT_EQ(top, QStringList({"&Cabinet", U("加入"), U("展開(&E)"), U("轉換(&N)"), U("選取&S"),
                                U("選項(&O)..."), U("說明")}));
    EXPECT_TRUE(f.N1->isSeparator());
}

TEST_F(MainWindow, CompressionChoiceShowsOrHidesTheMemoryField) {
    TFormMain& f = Start();
    f.UpDownLZXMemory->DownButton()->click();
    f.UpDownLZXMemory->DownButton()->click();
    EXPECT_EQ(f.EditLZXMemory->text(), "19");
    for (int i = 0; i < 10; ++i)
        f.UpDownLZXMemory->DownButton()->click();
    EXPECT_EQ(f.EditLZXMemory->text(), "15"); // no wrapping at either end
    for (int i = 0; i < 10; ++i)
        f.UpDownLZXMemory->UpButton()->click();
    EXPECT_EQ(f.EditLZXMemory->text(), "21");
    f.UpDownLZXMemory->DownButton()->click();

    f.ComboBoxCompressionType->setFocus();
    QTest::keyClick(f.ComboBoxCompressionType, Qt::Key_Down); // the user picks MSZIP
    Settle();
    EXPECT_EQ(f.ComboBoxCompressionType->currentText(), "MSZIP");
    EXPECT_FALSE(Shown(f.EditLZXMemory, f));
    EXPECT_FALSE(Shown(f.UpDownLZXMemory, f));
    QTest::keyClick(f.ComboBoxCompressionType, Qt::Key_Down);
    Settle();
    EXPECT_FALSE(Shown(f.EditLZXMemory, f));
    QTest::keyClick(f.ComboBoxCompressionType, Qt::Key_Home);
    Settle();
    EXPECT_EQ(f.ComboBoxCompressionType->currentText(), "LZX");
    EXPECT_TRUE(Shown(f.EditLZXMemory, f));
    EXPECT_TRUE(Shown(f.UpDownLZXMemory, f));
    EXPECT_EQ(f.EditLZXMemory->text(), "20");
}

TEST_F(MainWindow, SelectAllAndInvertWorkOnTheActiveListOnly) {
    TFormMain& f = Start();
    f.BuildListModel()->Append({"a", "/s/", "", "1"});
    f.BuildListModel()->Append({"b", "/s/", "", "1"});
    f.ListViewCreate->selectionModel()->select(
        f.BuildListModel()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    f.OpenCabinet(kFourFiles);
    QItemSelectionModel* extract = f.ListViewExtract->selectionModel();
    extract->select(f.ExtractListModel()->index(2, 0),
                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    f.Invert1Click();
    auto selected = [](QItemSelectionModel* m) {
        QList<int> rows;
        for (const QModelIndex& i : m->selectedRows())
            rows << i.row();
        std::sort(rows.begin(), rows.end());
        return rows;
    };
    EXPECT_EQ(selected(extract), QList<int>({0, 1, 3}));
    f.Invert1Click();
    EXPECT_EQ(selected(extract), QList<int>({2}));
    f.All1Click();
    EXPECT_EQ(selected(extract), QList<int>({0, 1, 2, 3}));
    EXPECT_EQ(selected(f.ListViewCreate->selectionModel()), QList<int>({1}));

    f.OpenCabinet(kCabDir + "bad/libmspack-bad_nofiles.cab");
    f.All1Click();
    f.Invert1Click();
    EXPECT_FALSE(extract->hasSelection());
}

TEST_F(MainWindow, ExitEndsTheProgramWithStatusZero) {
    TFormMain& f = Start();
    try {
        f.MenuItemExit->trigger();
        ADD_FAILURE() << "the program went on";
    } catch (const ProgramEnded& end) {
        EXPECT_EQ(end.status, 0);
    }
}

} // namespace
} // namespace corvex
