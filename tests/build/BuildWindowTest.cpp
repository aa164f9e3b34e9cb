// The build commands, the directory chooser and the report dialog in the main window.
#include "build/BuildCommands.h"
#include "convert/SfxCommands.h"
#include "tests/build/WindowFixture.h"

#include <QAction>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

namespace corvex {
namespace {

using test::Exists;
using test::ReadFile;
using test::WindowTest;

QStringList Column(QAbstractItemModel* model, int column) {
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, column).data().toString();
    return texts;
}

std::vector<std::string> ListedPaths(const TDialogSelectDir& d) {
    std::vector<std::string> paths;
    for (int i = 0; i < d.DirectoryListBox->count(); ++i) {
        const QByteArray b = d.DirectoryListBox->item(i)->data(Qt::UserRole).toByteArray();
        paths.emplace_back(b.constData(), size_t(b.size()));
    }
    return paths;
}

QListWidgetItem* EntryFor(const TDialogSelectDir& d, const std::string& path) {
    const std::vector<std::string> paths = ListedPaths(d);
    for (size_t i = 0; i < paths.size(); ++i)
        if (paths[i] == path)
            return d.DirectoryListBox->item(int(i));
    return nullptr;
}

void DoubleClick(TDialogSelectDir& d, const std::string& path) {
    QListWidgetItem* item = EntryFor(d, path);
    ASSERT_NE(item, nullptr) << path;
    emit d.DirectoryListBox->itemDoubleClicked(item);
}

// Without symlinks in the way: the chooser reports directories as the system does.
std::string Real(const std::string& path) {
    return std::filesystem::canonical(path).string();
}

using SelectDirectory = WindowTest;

TEST_F(SelectDirectory, OpensAtTheWorkingDirectoryAndListsAncestorsAndSubdirectories) {
    const std::string top = Real(t_.Dir("top"));
    t_.Dir("top/b");
    t_.Dir("top/a");
    t_.Dir("top/.hidden");
    t_.File("top/file", "x");
    ASSERT_EQ(platform::SetCurrentDirectory(top), 0);
    Start();
    TDialogSelectDir& d = *DialogSelectDir;
    EXPECT_EQ(d.OpenDirectory(), top);
    const std::vector<std::string> listed = ListedPaths(d);
    ASSERT_GE(listed.size(), 3u);
    EXPECT_EQ(listed.front(), "/");
    EXPECT_EQ(std::vector<std::string>(listed.end() - 3, listed.end()),
              (std::vector<std::string>{top, top + "/a", top + "/b"}));
    EXPECT_EQ(d.DriveComboBox1->itemText(0), "/");
    EXPECT_EQ(d.windowTitle(), U("選取目錄"));
    EXPECT_EQ(d.OKBtn->text(), U("好"));
    EXPECT_EQ(d.CancelBtn->text(), U("取消"));
}

TEST_F(SelectDirectory, OkGivesTheOpenDirectoryNotTheHighlightedOne) {
    const std::string top = Real(t_.Dir("top"));
    t_.Dir("top/sub/deeper");
    ASSERT_EQ(platform::SetCurrentDirectory(top), 0);
    Start();
    prompts_.chooserAnswers.push_back([&](TDialogSelectDir& d) {
        d.DirectoryListBox->setCurrentItem(EntryFor(d, top + "/sub")); // one click highlights only
        d.OKBtn->click();
    });
    ASSERT_TRUE(ChooseDirectory());
    EXPECT_EQ(ChosenDirectory(), top);

    prompts_.chooserAnswers.push_back([&](TDialogSelectDir& d) {
        DoubleClick(d, top + "/sub");
        DoubleClick(d, top + "/sub/deeper");
        d.OKBtn->click();
    });
    ASSERT_TRUE(ChooseDirectory());
    EXPECT_EQ(ChosenDirectory(), top + "/sub/deeper");
    EXPECT_EQ(platform::CurrentDirectory(), top + "/sub/deeper"); // the working directory moved

    prompts_.chooserAnswers.push_back([&](TDialogSelectDir& d) {
        DoubleClick(d, "/");
        d.OKBtn->click();
    });
    ASSERT_TRUE(ChooseDirectory());
    EXPECT_EQ(ChosenDirectory(), "/"); // a root keeps its separator
}

TEST_F(SelectDirectory, CancelGivesFalseAndTheNextUseStartsWhereThisOneEnded) {
    const std::string top = Real(t_.Dir("top"));
    t_.Dir("top/sub");
    ASSERT_EQ(platform::SetCurrentDirectory(top), 0);
    Start();
    prompts_.chooserAnswers.push_back([&](TDialogSelectDir& d) {
        DoubleClick(d, top + "/sub");
        d.CancelBtn->click();
    });
    EXPECT_FALSE(ChooseDirectory());
    prompts_.chooserAnswers.push_back([&](TDialogSelectDir& d) {
        EXPECT_EQ(d.OpenDirectory(), top + "/sub");
        d.OKBtn->click();
    });
    EXPECT_TRUE(ChooseDirectory());
    EXPECT_EQ(ChosenDirectory(), top + "/sub");
}

TEST_F(SelectDirectory, EnterPressesOkAndEscapeCancels) {
    const std::string top = Real(t_.Dir("top"));
    t_.Dir("top/sub");
    ASSERT_EQ(platform::SetCurrentDirectory(top), 0);
    Start();
    prompts_.chooserAnswers.push_back([&](TDialogSelectDir& d) {
        d.DirectoryListBox->setFocus();
        d.DirectoryListBox->setCurrentItem(EntryFor(d, top + "/sub"));
        QTest::keyClick(d.DirectoryListBox, Qt::Key_Return); // does not open the entry
    });
    EXPECT_TRUE(ChooseDirectory());
    EXPECT_EQ(ChosenDirectory(), top);
    prompts_.chooserAnswers.push_back([&](TDialogSelectDir& d) {
        d.DirectoryListBox->setFocus();
        QTest::keyClick(d.DirectoryListBox, Qt::Key_Escape);
    });
    EXPECT_FALSE(ChooseDirectory());
}

TEST_F(SelectDirectory, AnEntryThatCannotBeOpenedIsReportedAndTheListStays) {
    const std::string top = Real(t_.Dir("top"));
    t_.Dir("top/gone");
    ASSERT_EQ(platform::SetCurrentDirectory(top), 0);
    Start();
    TDialogSelectDir& d = *DialogSelectDir;
    const std::vector<std::string> before = ListedPaths(d);
    std::filesystem::remove(top + "/gone");
    DoubleClick(d, top + "/gone");
    ASSERT_EQ(prompts_.errors.size(), 1u);
    EXPECT_EQ(prompts_.errors[0], "I/O error 2");
    EXPECT_EQ(ListedPaths(d), before);
    EXPECT_EQ(d.OpenDirectory(), top);
    EXPECT_EQ(platform::CurrentDirectory(), top);
}

using ReportDialog = WindowTest;

TEST_F(ReportDialog, ShowsTheSixWordsReadAsItOpens) {
    Start();
    AppSettings.TemporaryDir = t_.Dir("tmp") + "/";
    TDialogReport& r = *DialogReport;
    EXPECT_EQ(r.windowTitle(), U("Corvex 報表"));
    EXPECT_EQ(r.OKBtn->text(), U("好"));
    EXPECT_EQ(r.LabelTotalFiles->text(), "0"); // before the first build

    t_.File("tmp/Corvex.RPT",
            "MakeCAB Report\n1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25\n");
    CurrentPrompts().ExecModal(&r);
    std::filesystem::remove(t_ / "tmp/Corvex.RPT");
    CurrentPrompts().ExecModal(&r); // no report now: nothing of the last one is shown
    ASSERT_EQ(prompts_.reports.size(), 2u);
    EXPECT_EQ(prompts_.reports[0], QStringList({"3", "6", "9", "11", "14", "24"}));
    EXPECT_EQ(prompts_.reports[1], QStringList({"", "", "", "", "", ""}));
}

using BuildCommands = WindowTest;

TEST_F(BuildCommands, NewCabinetLeavesAnOpenedCabinetForAnEmptyList) {
    TFormMain& f = Start();
    f.OpenCabinet(std::string(CORVEX_FIXTURES_DIR) + "/cab/libarchive-test_read_format_cab_1.cab");
    ASSERT_EQ(WindowMode, ModeExtract);
    f.MenuItemNew->trigger();
    EXPECT_EQ(WindowMode, ModeCreate);
    EXPECT_EQ(f.ListViewCreate->model()->rowCount(), 0);
    EXPECT_EQ(f.StatusText(), U("0 位元組在 0 檔案"));
}

TEST_F(BuildCommands, AddFilesPassesOverAFileStoredUnderTheSameName) {
    TFormMain& f = Start();
    const std::string a = t_.File("a/readme.txt", "12345");
    const std::string b = t_.File("b/README.TXT", "1234567890");
    const std::string c = t_.File("b/other", std::string(1234, 'o'));
    prompts_.openAnswers.push_back(
        {QString::fromStdString(a), QString::fromStdString(b), QString::fromStdString(c)});
    f.ListViewCreate->setFocus();
    QTest::keyClick(f.ListViewCreate, Qt::Key_Insert);
    ASSERT_EQ(prompts_.openDialogs.size(), 1u);
    EXPECT_EQ(prompts_.openDialogs[0].title, U("加入檔案到 Cabinet"));
    EXPECT_TRUE(prompts_.openDialogs[0].multiple);
    EXPECT_FALSE(prompts_.openDialogs[0].followLinks);
    EXPECT_EQ(Column(f.ListViewCreate->model(), 0), QStringList({"readme.txt", "other"}));
    EXPECT_EQ(Column(f.ListViewCreate->model(), 3), QStringList({"5", "1.234"}));
    EXPECT_EQ(f.StatusText(), U("1.239 位元組在 2 檔案"));

    f.MenuItemAddFiles->trigger(); // cancelled: nothing added, the status line redrawn
    EXPECT_EQ(f.ListViewCreate->model()->rowCount(), 2);
}

TEST_F(BuildCommands, AddDirectoryWalksTheChosenTree) {
    const std::string src = Real(t_.Dir("src"));
    t_.File("src/x.c", "x");
    t_.File("src/lib/y.c", "yy");
    ASSERT_EQ(platform::SetCurrentDirectory(src), 0);
    TFormMain& f = Start();
    AppSettings.RecursiveAdd = true; // after the window has loaded the settings
    prompts_.chooserAnswers.push_back([](TDialogSelectDir& d) { d.OKBtn->click(); });
    f.ToolButtonAddDirectory->click();
    EXPECT_EQ(Column(f.ListViewCreate->model(), 0), QStringList({"y.c", "x.c"}));
    EXPECT_EQ(
        Column(f.ListViewCreate->model(), 1),
        QStringList({QString::fromStdString(src + "/lib/"), QString::fromStdString(src + "/")}));
    EXPECT_EQ(Column(f.ListViewCreate->model(), 2), QStringList({"lib\\", ""}));
    EXPECT_EQ(f.StatusText(), U("3 位元組在 2 檔案"));

    f.MenuItemAddDirectory->trigger(); // the chooser cancelled: nothing changes
    EXPECT_EQ(f.ListViewCreate->model()->rowCount(), 2);
}

TEST_F(BuildCommands, DeleteRemovesTheSelectedRowsAndTheirSizes) {
    TFormMain& f = Start();
    QStringList files;
    for (int i = 0; i < 5; ++i)
        files << QString::fromStdString(
            t_.File("f" + std::to_string(i), std::string(size_t(1000 * (i + 1)), 'z')));
    prompts_.openAnswers.push_back(files);
    f.MenuItemAddFiles->trigger();
    ASSERT_EQ(TotalBytes, 15000);

    QItemSelectionModel* selection = f.ListViewCreate->selectionModel();
    auto model = f.ListViewCreate->model();
    selection->select(model->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection->select(model->index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    f.ListViewCreate->setFocus();
    QTest::keyClick(f.ListViewCreate, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(Column(model, 0), QStringList({"f0", "f2", "f4"}));
    EXPECT_EQ(TotalBytes, 9000);
    EXPECT_EQ(f.StatusText(), U("9.000 位元組在 3 檔案"));

    selection->clear();
    f.ToolButtonRemoveFiles->click();
    EXPECT_EQ(model->rowCount(), 3);

    f.All1->trigger();
    f.ToolButtonRemoveFiles->click();
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_EQ(f.StatusText(), U("0 位元組在 0 檔案"));
}

class SaveCabinetTest : public WindowTest {
  protected:
    TFormMain& StartWithRows() {
        TFormMain& f = Start();
        AppSettings.TemporaryDir = t_.Dir("tmp"); // no final separator yet
        prompts_.openAnswers.push_back({QString::fromStdString(t_.File("data/a.txt", "aaa"))});
        f.MenuItemAddFiles->trigger();
        return f;
    }
};

TEST_F(SaveCabinetTest, AnEmptyListAsksNothing) {
    TFormMain& f = Start();
    f.MenuItemSave->trigger();
    EXPECT_TRUE(prompts_.saveDialogs.empty());
    EXPECT_FALSE(Exists(t_ / "builder-ran"));
}

TEST_F(SaveCabinetTest, CancelledDialogWritesNothingButTheTemporaryDirectoryGetsItsSeparator) {
    TFormMain& f = StartWithRows();
    f.ToolButtonSave->click();
    ASSERT_EQ(prompts_.saveDialogs.size(), 1u);
    EXPECT_EQ(prompts_.saveDialogs[0].title, "Cabinet file name");
    EXPECT_EQ(prompts_.saveDialogs[0].defaultSuffix, "cab");
    EXPECT_EQ(AppSettings.TemporaryDir, t_ / "tmp/");
    EXPECT_FALSE(Exists(t_ / "tmp/Corvex.ddf"));
    EXPECT_FALSE(Exists(t_ / "builder-ran"));
}

TEST_F(SaveCabinetTest, RunsTheBuilderWithTmpAndShowsTheReport) {
    TFormMain& f = StartWithRows();
    platform::SetEnvironment("TMP", std::string("/before"));
    const std::string out = t_.Dir("out");
    prompts_.saveAnswers.push_back(QString::fromStdString(out + "/DATA.CAB"));
    f.MenuItemSave->trigger();
    EXPECT_EQ(ReadFile(t_ / "builder-ran"), t_ / "tmp/" + "|/f|" + t_ / "tmp/Corvex.ddf");
    EXPECT_EQ(platform::GetEnvironment("TMP"), std::optional<std::string>("/before"));
    EXPECT_TRUE(Exists(out + "/DATA.cab"));
    EXPECT_FALSE(Exists(out + "/DATA.exe")); // not asked for
    ASSERT_EQ(prompts_.reports.size(), 1u);
    EXPECT_EQ(prompts_.reports[0], QStringList({"w3", "w6", "w9", "w11", "w14", "w24"}));
    EXPECT_EQ(f.ListViewCreate->model()->rowCount(), 1); // ready for another Save

    // The next Save starts from the path chosen in this one.
    f.MenuItemSave->trigger();
    EXPECT_EQ(prompts_.saveDialogs.back().initialPath, QString::fromStdString(out + "/DATA.CAB"));
}

TEST_F(SaveCabinetTest, SelfExtractingBuildReplacesTheFirstCabinet) {
    TFormMain& f = StartWithRows();
    t_.File("install/extrac32", "STUB");
    AppSettings.CreateSelfExtracting = true;
    const std::string out = t_.Dir("out");
    prompts_.saveAnswers.push_back(QString::fromStdString(out + "/DATA.CAB"));
    f.MenuItemSave->trigger();
    EXPECT_EQ(ReadFile(out + "/DATA.exe"), std::string("STUBMSCF\0\0\0\0built", 17));
    EXPECT_FALSE(Exists(out + "/DATA.cab"));
    EXPECT_EQ(prompts_.reports.size(), 1u);
}

TEST_F(SaveCabinetTest, ADirectiveThatCannotBeWrittenStopsTheBuildWithAMessage) {
    TFormMain& f = StartWithRows();
    AppSettings.TemporaryDir = t_ / "no-such-dir/";
    prompts_.saveAnswers.push_back(QString::fromStdString(t_ / "x.cab"));
    f.MenuItemSave->trigger();
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_TRUE(prompts_.messages[0].caption.startsWith(U("Corvex 訊息: ")));
    EXPECT_TRUE(prompts_.messages[0].caption.contains(
        QString::fromStdString(t_ / "no-such-dir/Corvex.ddf")));
    EXPECT_FALSE(Exists(t_ / "builder-ran"));
    EXPECT_TRUE(prompts_.reports.empty());
}

TEST_F(SaveCabinetTest, ABuilderThatCannotStartIsReportedAndTmpPutBack) {
    TFormMain& f = StartWithRows();
    chmod((installDir_ + "makecab").c_str(), 0644); // there, readable, not runnable
    platform::SetEnvironment("TMP", std::nullopt);
    prompts_.saveAnswers.push_back(QString::fromStdString(t_ / "x.cab"));
    f.MenuItemSave->trigger();
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_EQ(prompts_.messages[0].caption, U("Corvex 訊息: 建立 Cabinet 檔案發生錯誤"));
    EXPECT_EQ(prompts_.messages[0].text,
              U("儲存 Cabinet 檔案失敗，hasz可能將磁碟空間用完或您已取消了此項的操作"));
    EXPECT_EQ(platform::GetEnvironment("TMP"), std::nullopt);
    EXPECT_TRUE(prompts_.reports.empty());
}

TEST_F(SaveCabinetTest, ABuilderThatFailsShowsNoOldReportAndConvertsNothing) {
    TFormMain& f = StartWithRows();
    t_.File("install/extrac32", "STUB");
    AppSettings.CreateSelfExtracting = true;
    const std::string out = t_.Dir("out");
    // What an earlier build left behind: its cabinet and its report.
    t_.File("out/DATA.cab", "older cabinet");
    t_.File("tmp/Corvex.RPT", "Report\n1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24\n");
    const std::string path = t_.File("install/makecab", "#!/bin/sh\necho 'bad line' >&2\nexit 1\n");
    chmod(path.c_str(), 0755);
    prompts_.saveAnswers.push_back(QString::fromStdString(out + "/DATA.CAB"));
    f.MenuItemSave->trigger();
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_EQ(prompts_.messages[0].caption, U("Corvex 訊息: 建立 Cabinet 檔案發生錯誤"));
    EXPECT_TRUE(prompts_.reports.empty());
    EXPECT_EQ(ReadFile(out + "/DATA.cab"), "older cabinet");
    EXPECT_FALSE(Exists(out + "/DATA.exe"));
}

TEST_F(SaveCabinetTest, AMissingBuilderEndsTheProgramAfterTheDirectiveIsWritten) {
    TFormMain& f = StartWithRows();
    std::filesystem::remove(installDir_ + "makecab");
    prompts_.saveAnswers.push_back(QString::fromStdString(t_ / "x.cab"));
    EXPECT_THROW(SaveCabinet(f), test::ProgramEnded);
    EXPECT_TRUE(Exists(t_ / "tmp/Corvex.ddf"));
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_EQ(prompts_.messages[0].caption, MissingBuilderCaption());
}

using ConvertCommands = WindowTest;

TEST_F(ConvertCommands, EachAsksForItsInputAndConverts) {
    TFormMain& f = Start();
    t_.File("install/extrac32", "STUB");
    const std::string cab = t_.File("in/data.cab", std::string("MSCF\0\0\0\0body", 12));
    prompts_.openAnswers.push_back({QString::fromStdString(cab)});
    ConvertCabToSfx(&f);
    EXPECT_EQ(ReadFile(t_ / "in/data.exe"), std::string("STUBMSCF\0\0\0\0body", 16));

    std::filesystem::remove(cab);
    prompts_.openAnswers.push_back({QString::fromStdString(t_ / "in/data.exe")});
    ConvertSfxToCab(&f);
    EXPECT_EQ(ReadFile(cab), std::string("MSCF\0\0\0\0body", 12));

    ConvertCabToSfx(&f); // cancelled: nothing happens
    ASSERT_EQ(prompts_.openDialogs.size(), 3u);
    EXPECT_EQ(prompts_.openDialogs[0].title, U("選取 Cabinet 檔案以轉換"));
    EXPECT_EQ(prompts_.openDialogs[0].filter, U("Cabinet 檔案 (*.cab)"));
    EXPECT_EQ(prompts_.openDialogs[1].title, "Select Selfextracting Cabinet to convert");
    EXPECT_EQ(prompts_.openDialogs[1].filter, "Executables (*.exe)");
    EXPECT_TRUE(prompts_.messages.empty());
}

} // namespace
} // namespace corvex
