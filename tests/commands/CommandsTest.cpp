// The commands of the main window driven by real key events on the real window, and extraction
// through the real extrac32 into temporary directories.
#include "WindowFixture.h"
#include "tests/support/StoredCabinet.h"

#include "app/ListModels.h"
#include "app/UpDown.h"

#include <QAction>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeView>

#include <map>

namespace corvex::test {
namespace {

const std::string kThreeFiles =
    std::string(CORVEX_FIXTURES_DIR) + "/cab/libarchive-test_read_format_cab_1.cab";

class Commands : public CommandsWindow {
protected:
    void SetUp() override {
        CommandsWindow::SetUp();
        savedDirectory_ = platform::CurrentDirectory();
    }
    void TearDown() override {
        // The chooser works through the current directory; put it back before the files go.
        platform::SetCurrentDirectory(savedDirectory_);
        CommandsWindow::TearDown();
    }

    // The chooser answers OK on dir, or Cancel when dir is empty.
    void AnswerChooser(const std::string& dir) {
        prompts.answerModal = [dir](QDialog* dialog) {
            if (dialog != DialogSelectDir)
                return int(QDialog::Rejected);
            if (dir.empty()) {
                DialogSelectDir->CancelBtnClick();
                return int(QDialog::Rejected);
            }
            EXPECT_TRUE(DialogSelectDir->OpenPath(dir));
            DialogSelectDir->OKBtnClick();
            return int(QDialog::Accepted);
        };
    }

    void SelectRows(QTreeView* list, std::initializer_list<int> rows) {
        list->clearSelection();
        for (int row : rows)
            list->selectionModel()->select(list->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    // A window in the mode, its active list holding three rows with the second one selected.
    TFormMain& Prepare(TWindowMode mode) {
        TFormMain& f = Start();
        if (mode == ModeExtract) {
            f.OpenCabinet(kThreeFiles);
        } else {
            for (const char* name : {"a.txt", "b.txt", "c.txt"})
                f.BuildListModel()->Append({name, "/src/", "", "1"});
        }
        SelectRows(f.ActiveList(), {1});
        f.ActiveList()->setFocus();
        Settle();
        return f;
    }

    // Everything a command could have done that the table below looks for.
    struct Snapshot {
        size_t opens, saves, modals, messages;
        TWindowMode mode;
        int createRows, createSelected, extractSelected;
        bool ended, helped;
    };
    Snapshot Take(const TFormMain& f) const {
        return {prompts.openDialogs.size(),
                prompts.saveDialogs.size(),
                prompts.modals.size(),
                prompts.messages.size(),
                WindowMode,
                f.BuildListModel()->rowCount(),
                int(f.ListViewCreate->selectionModel()->selectedRows().size()),
                int(f.ListViewExtract->selectionModel()->selectedRows().size()),
                ended.has_value(),
                fs::exists(root_ / "opened")};
    }
    std::string Difference(const Snapshot& a, const Snapshot& b) const {
        std::string d;
        const auto add = [&d](const std::string& s) { d += (d.empty() ? "" : " ") + s; };
        for (size_t i = a.opens; i < b.opens; ++i)
            add("open:" + prompts.openDialogs[i].title.toStdString());
        for (size_t i = a.saves; i < b.saves; ++i)
            add("save:" + prompts.saveDialogs[i].title.toStdString());
        for (size_t i = a.modals; i < b.modals; ++i)
            add(std::string("modal:") + prompts.modals[i]->metaObject()->className());
        for (size_t i = a.messages; i < b.messages; ++i)
            add("message:" + prompts.messages[i].caption.toStdString());
        if (a.mode != b.mode)
            add(b.mode == ModeCreate ? "mode:create" : "mode:extract");
        if (a.createRows != b.createRows)
            add("rows:" + std::to_string(b.createRows));
        if (a.createSelected != b.createSelected)
            add("create-selected:" + std::to_string(b.createSelected));
        if (a.extractSelected != b.extractSelected)
            add("extract-selected:" + std::to_string(b.extractSelected));
        if (!a.ended && b.ended)
            add("end:" + std::to_string(*ended));
        if (!a.helped && b.helped)
            add("help");
        return d;
    }

    std::string savedDirectory_;
};

TEST_F(Commands, ShortcutsDoTheirWorkOnlyWhereTheirItemIsEnabled) {
    const std::string chooser = "modal:corvex::TDialogSelectDir";
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* create; // what happens in ModeCreate
        const char* extract;
    } keys[] = {
        {Qt::Key_N, Qt::ControlModifier, "rows:0 create-selected:0", "mode:create"},
        {Qt::Key_O, Qt::ControlModifier, "open:開啟 Cabinet", "open:開啟 Cabinet"},
        {Qt::Key_S, Qt::ControlModifier, "save:Cabinet file name", ""},
        {Qt::Key_X, Qt::ControlModifier, "end:0", "end:0"},
        {Qt::Key_F, Qt::ControlModifier, "open:加入檔案到 Cabinet", ""},
        {Qt::Key_D, Qt::ControlModifier, "modal:corvex::TDialogSelectDir", ""},
        {Qt::Key_E, Qt::ControlModifier, "", "modal:corvex::TDialogSelectDir"},
        {Qt::Key_W, Qt::ControlModifier, "", "modal:corvex::TDialogSelectDir"},
        {Qt::Key_A, Qt::ControlModifier, "create-selected:3", "extract-selected:3"},
        {Qt::Key_I, Qt::ControlModifier, "create-selected:2", "extract-selected:2"},
        {Qt::Key_F1, Qt::NoModifier, "help", "help"},
        // Keys of the build list; the cabinet list has none.
        {Qt::Key_Insert, Qt::NoModifier, "open:加入檔案到 Cabinet", ""},
        {Qt::Key_Insert, Qt::ShiftModifier, "open:加入檔案到 Cabinet", ""},
        {Qt::Key_Delete, Qt::NoModifier, "rows:2 create-selected:0", ""},
        {Qt::Key_Delete, Qt::ControlModifier, "rows:2 create-selected:0", ""},
    };
    for (TWindowMode mode : {ModeCreate, ModeExtract}) {
        for (const auto& k : keys) {
            TFormMain& f = Prepare(mode);
            fs::remove(installDir_ / "help");
            fs::create_directory_symlink(std::string(CORVEX_BIN_DIR) + "/help", installDir_ / "help");
            fs::remove(root_ / "opened");
            const Snapshot before = Take(f);
            QTest::keyClick(f.ActiveList(), k.key, k.modifiers);
            Settle();
            if (k.key == Qt::Key_F1)
                WaitForPath(root_ / "opened");
            EXPECT_EQ(Difference(before, Take(f)), mode == ModeCreate ? k.create : k.extract)
                << QKeySequence(k.key | k.modifiers).toString().toStdString()
                << (mode == ModeCreate ? " in ModeCreate" : " in ModeExtract");
            form.reset();
            ended.reset();
        }
    }
}

TEST_F(Commands, MenuItemsWithoutShortcutsShowTheirDialogs) {
    TFormMain& f = Start();
    for (QAction* item : {f.MenuItemOptions, f.MenuItemAbout}) {
        const Snapshot before = Take(f);
        item->trigger();
        EXPECT_EQ(Difference(before, Take(f)),
                  item == f.MenuItemOptions ? "modal:corvex::TDialogOptions" : "modal:corvex::TAboutBox");
    }
    // The conversions begin by asking for the file to convert.
    for (QAction* item : {f.CABtoEXE1, f.EXEtoCAB1}) {
        const size_t opens = prompts.openDialogs.size();
        item->trigger();
        EXPECT_EQ(prompts.openDialogs.size(), opens + 1) << item->text().toStdString();
    }
}

TEST_F(Commands, CompressionChoiceShowsTheMemoryControlsOnlyForLzx) {
    TFormMain& f = Prepare(ModeCreate);
    f.UpDownLZXMemory->SetPosition(17);
    for (int item : {1, 2, 0}) {
        f.ComboBoxCompressionType->setCurrentIndex(item);
        emit f.ComboBoxCompressionType->activated(item);
        Settle();
        EXPECT_EQ(f.EditLZXMemory->isVisibleTo(&f), item == 0) << item;
        EXPECT_EQ(f.UpDownLZXMemory->isVisibleTo(&f), item == 0) << item;
    }
    EXPECT_EQ(f.EditLZXMemory->text(), "17");
}

// Every file under root, by its path relative to root (bytes), with its contents.
std::map<std::string, std::string> Tree(const fs::path& root) {
    std::map<std::string, std::string> files;
    if (!fs::exists(root))
        return files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), root).string()] = ReadFile(entry.path());
    }
    return files;
}

// extrac32 runs beside us: wait until the tree is what it should be, then a little more, to
// see that nothing else arrives.
std::map<std::string, std::string> TreeOnceItIs(const fs::path& root,
                                                const std::map<std::string, std::string>& wanted) {
    for (int i = 0; i < 1000 && Tree(root) != wanted; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    return Tree(root);
}

class Extraction : public Commands {
protected:
    void SetUp() override {
        Commands::SetUp();
        fs::create_symlink(std::string(CORVEX_BIN_DIR) + "/extrac32", installDir_ / "extrac32");
        cabinet_ = root_ / "my cabinets" / "mixed names.cab";
        fs::create_directories(cabinet_.parent_path());
        WriteFile(cabinet_, StoredCabinet({
            {"plain.txt", "plain text\n"},
            {"dir1\\sub\\deep.txt", "three levels down\n"},
            {"caf\xe9.txt", "latin-1 name\n"},
            {"empty", ""},
            {"docs\\r\xe9sum\xe9.doc", "in a directory, latin-1\n"},
        }));
        // What an extractor no one here wrote makes of it.
        const std::string command = "cabextract -q -d '" + (root_ / "reference").string() + "' '" +
                                    cabinet_.string() + "' >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0);
        reference_ = Tree(root_ / "reference");
        ASSERT_EQ(reference_.size(), 5u);
    }

    TFormMain& OpenThroughTheWindow() {
        TFormMain& f = Start();
        prompts.openAnswers.push_back({QString::fromStdString(cabinet_.string())});
        QTest::keyClick(&f, Qt::Key_O, Qt::ControlModifier);
        EXPECT_EQ(WindowMode, ModeExtract);
        EXPECT_EQ(f.ListViewExtract->model()->rowCount(), 5);
        return f;
    }

    fs::path cabinet_;
    std::map<std::string, std::string> reference_;
};

TEST_F(Extraction, AllFilesArriveAsCabextractMakesThem) {
    TFormMain& f = OpenThroughTheWindow();
    const fs::path destination = root_ / "all out";
    fs::create_directories(destination);
    AnswerChooser(destination.string());
    QTest::keyClick(&f, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(TreeOnceItIs(destination, reference_), reference_);
}

TEST_F(Extraction, SelectedRowsAreExtractedByTheirStoredNames) {
    TFormMain& f = OpenThroughTheWindow();
    const fs::path destination = root_ / "some";
    fs::create_directories(destination);
    // deep.txt lives in a directory of the cabinet; café and résumé are not UTF-8.
    SelectRows(f.ListViewExtract, {1, 2, 4});
    AnswerChooser(destination.string());
    QTest::mouseClick(f.ToolButtonExtractSelected, Qt::LeftButton);

    std::map<std::string, std::string> wanted;
    for (const char* name : {"dir1/sub/deep.txt", "caf\xe9.txt", "docs/r\xe9sum\xe9.doc"})
        wanted[name] = reference_.at(name);
    EXPECT_EQ(TreeOnceItIs(destination, wanted), wanted);

    // Over files that are there already: replaced without a question.
    WriteFile(destination / "caf\xe9.txt", "stale");
    SelectRows(f.ListViewExtract, {2});
    QTest::keyClick(&f, Qt::Key_W, Qt::ControlModifier);
    EXPECT_EQ(TreeOnceItIs(destination, wanted), wanted);
}

TEST_F(Extraction, CancelledChooserOrEmptySelectionStartsNothing) {
    // A stand-in that notes each start in one log.
    fs::remove(installDir_ / "extrac32");
    const fs::path log = root_ / "starts.log";
    WriteExecutable(installDir_ / "extrac32", "#!/bin/sh\necho \"$#\" >> '" + log.string() + "'\n");
    TFormMain& f = OpenThroughTheWindow();

    AnswerChooser("");
    QTest::keyClick(&f, Qt::Key_E, Qt::ControlModifier);
    SelectRows(f.ListViewExtract, {0});
    QTest::keyClick(&f, Qt::Key_W, Qt::ControlModifier);
    AnswerChooser(root_.string());
    f.ListViewExtract->clearSelection();
    QTest::keyClick(&f, Qt::Key_W, Qt::ControlModifier);
    EXPECT_EQ(prompts.modals.size(), 3u); // the chooser came every time

    // One more start that does happen; once it is in the log, nothing else was.
    QTest::keyClick(&f, Qt::Key_E, Qt::ControlModifier);
    ASSERT_TRUE(WaitForPath(log));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(ReadFile(log), "4\n");
}

} // namespace
} // namespace corvex::test
