// The Options dialog, the association button and the About box, on the real widgets.
#include "WindowFixture.h"
#include "app/UpDown.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

namespace corvex::test {
namespace {

const QString kAssociationCaption = U("Corvex 訊息: 檔案關聯資訊設定");
const QString kAssociationText =
    U("Corvex is now (partialy) integrated in your Windows. You can now open\n"
      "any Cabinet file in Corvex by doubleclicking on the file.");

class OptionsDialog : public CommandsWindow {
protected:
    TDialogOptions& Open() {
        Start();
        DialogOptions->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(DialogOptions));
        return *DialogOptions;
    }
    std::string Store() const { return ReadFile(root_ / "config/corvex/registry.reg"); }

    static void Type(QLineEdit* edit, const QString& text) {
        edit->clear();
        QTest::keyClicks(edit, text);
    }

    // Every control changed away from what LoadSettings left in a fresh store.
    void EditEverything(TDialogOptions& d, const QString& safe, const QString& custom) {
        d.EditTmpDir->setText(U("/var/tmp/暫存 dir")); // the test library types ASCII only
        for (QCheckBox* box : {d.CheckBoxSelfExtracting, d.CheckBoxGenerateINF, d.CheckBoxRecursive,
                               d.CheckBoxIncludeEmptyDirectories})
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2)); // on the box
        Type(d.EditSafeDiskSpanning, safe);
        Type(d.EditCustomDisksize, custom);
    }
};

TEST_F(OptionsDialog, ShowsTheSettingsEachTimeItOpens) {
    TDialogOptions& d = Open();
    EXPECT_EQ(d.EditCorvexDir->text().toStdString(), installDir_.string() + "/");
    EXPECT_TRUE(d.EditCorvexDir->isReadOnly());
    EXPECT_EQ(d.EditTmpDir->text().toStdString(), (root_ / "tmp").string());
    EXPECT_EQ(d.EditSafeDiskSpanning->text(), "0");
    EXPECT_EQ(d.EditCustomDisksize->text(), "0"); // never the "1024" the form was drawn with
    EXPECT_FALSE(d.CheckBoxSelfExtracting->isChecked());

    d.reject();
    AppSettings.SafeDiskSpanning = 17;
    AppSettings.RecursiveAdd = true;
    d.PageControl->setCurrentIndex(1);
    d.show();
    EXPECT_EQ(d.EditSafeDiskSpanning->text(), "17");
    EXPECT_TRUE(d.CheckBoxRecursive->isChecked());
    EXPECT_EQ(d.PageControl->currentIndex(), 1); // the tab last looked at stays
}

TEST_F(OptionsDialog, OkTakesAndSavesAllSevenValues) {
    TDialogOptions& d = Open();
    EditEverything(d, "-5", "  $10");
    QTest::mouseClick(d.OKBtn, Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
    EXPECT_TRUE(prompts.errors.empty());

    const TAppSettings taken = AppSettings;
    EXPECT_EQ(taken.TemporaryDir, "/var/tmp/暫存 dir");
    EXPECT_TRUE(taken.CreateSelfExtracting && taken.GenerateINF && taken.RecursiveAdd &&
                taken.IncludeEmptyDirectories);
    EXPECT_EQ(taken.SafeDiskSpanning, -5); // no range is enforced
    EXPECT_EQ(taken.CustomDisksize, 16);

    // What the next start reads back is what was taken.
    AppSettings = {};
    LoadSettings();
    EXPECT_EQ(AppSettings.TemporaryDir, taken.TemporaryDir);
    EXPECT_EQ(AppSettings.CreateSelfExtracting, true);
    EXPECT_EQ(AppSettings.GenerateINF, true);
    EXPECT_EQ(AppSettings.RecursiveAdd, true);
    EXPECT_EQ(AppSettings.IncludeEmptyDirectories, true);
    EXPECT_EQ(AppSettings.SafeDiskSpanning, -5);
    EXPECT_EQ(AppSettings.CustomDisksize, 16);
}

TEST_F(OptionsDialog, EnterIsOkAndEscapeIsCancel) {
    TDialogOptions& d = Open();
    Type(d.EditSafeDiskSpanning, "9");
    QTest::keyClick(d.EditSafeDiskSpanning, Qt::Key_Return);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(AppSettings.SafeDiskSpanning, 9);

    d.show();
    Type(d.EditSafeDiskSpanning, "11");
    QTest::keyClick(d.EditSafeDiskSpanning, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(AppSettings.SafeDiskSpanning, 9);
}

TEST_F(OptionsDialog, CancelChangesNothing) {
    TDialogOptions& d = Open();
    const std::string storeBefore = Store();
    const TAppSettings before = AppSettings;
    EditEverything(d, "55", "2048");
    QTest::mouseClick(d.CancelBtn, Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(Store(), storeBefore);
    EXPECT_EQ(AppSettings.TemporaryDir, before.TemporaryDir);
    EXPECT_EQ(AppSettings.CreateSelfExtracting, before.CreateSelfExtracting);
    EXPECT_EQ(AppSettings.SafeDiskSpanning, before.SafeDiskSpanning);
    EXPECT_EQ(AppSettings.CustomDisksize, before.CustomDisksize);

    d.show(); // the edits are gone
    EXPECT_EQ(d.EditSafeDiskSpanning->text(), "0");
    EXPECT_EQ(d.EditTmpDir->text().toStdString(), before.TemporaryDir);
}

TEST_F(OptionsDialog, NumberThatDoesNotConvertLeavesThePartialState) {
    TDialogOptions& d = Open();
    AppSettings.CustomDisksize = 1440;
    d.show();
    const std::string storeBefore = Store();
    EditEverything(d, "42", "abc");
    QTest::mouseClick(d.OKBtn, Qt::LeftButton);

    ASSERT_EQ(prompts.errors.size(), 1u);
    EXPECT_EQ(prompts.errors[0], "'abc' is not a valid integer value");
    EXPECT_EQ(StandardErrorText(prompts.errors[0]), "'abc' is not a valid integer value.");
    EXPECT_FALSE(d.isVisible()); // closed all the same
    EXPECT_EQ(d.result(), QDialog::Accepted);
    // Taken up to the field that failed, and nothing written.
    EXPECT_EQ(AppSettings.TemporaryDir, "/var/tmp/暫存 dir");
    EXPECT_TRUE(AppSettings.CreateSelfExtracting && AppSettings.IncludeEmptyDirectories);
    EXPECT_EQ(AppSettings.SafeDiskSpanning, 42);
    EXPECT_EQ(AppSettings.CustomDisksize, 1440);
    EXPECT_EQ(Store(), storeBefore);

    // The first field failing stops before the second.
    d.show();
    Type(d.EditSafeDiskSpanning, "");
    Type(d.EditCustomDisksize, "7");
    QTest::mouseClick(d.OKBtn, Qt::LeftButton);
    ASSERT_EQ(prompts.errors.size(), 2u);
    EXPECT_EQ(prompts.errors[1], "'' is not a valid integer value");
    EXPECT_EQ(AppSettings.SafeDiskSpanning, 42);
    EXPECT_EQ(AppSettings.CustomDisksize, 1440);
}

TEST_F(OptionsDialog, ArrowsStepTheTypedNumberWithinZeroToHundred) {
    TDialogOptions& d = Open();
    const struct {
        const char* typed;
        int delta;
        const char* shown;
    } cases[] = {{"0", -1, "0"}, {"0", 1, "1"}, {"99", 1, "100"}, {"100", 1, "100"},
                 {"57", -1, "56"}, {"-5", 1, "0"}, {"500", -1, "100"}};
    for (const auto& c : cases) {
        d.EditSafeDiskSpanning->setText(c.typed);
        QTest::mouseClick(c.delta > 0 ? d.UpDownSafeDiskSpanning->UpButton()
                                      : d.UpDownSafeDiskSpanning->DownButton(),
                          Qt::LeftButton);
        EXPECT_EQ(d.EditSafeDiskSpanning->text().toStdString(), c.shown) << c.typed << " " << c.delta;
    }
}

TEST_F(OptionsDialog, ControlsCarryTheirTextsAndHints) {
    TDialogOptions& d = Open();
    EXPECT_EQ(d.windowTitle(), U("Corvex 選項"));
    EXPECT_EQ(d.PageControl->tabText(0), U("一般"));
    EXPECT_EQ(d.PageControl->tabText(1), U("目錄"));
    const struct {
        QWidget* widget;
        QString text, hint;
    } controls[] = {
        {d.CheckBoxSelfExtracting, U("建立自解壓縮 Cabinet"), ""},
        {d.Button1, U("設定檔案關聯資訊"), "Enables dubbleclicking to open Cabinets in Corvex"},
        {d.CheckBoxGenerateINF, U("產生 INF 檔案"), ""},
        {d.CheckBoxRecursive, U("包含子目錄"), ""},
        {d.CheckBoxIncludeEmptyDirectories, U("包含空的目錄"), ""},
        {d.Label3, "Safe diskspanning makes Cabinets ", "Makes cabinets little smaller so badsectors aren't fatal"},
        {d.EditSafeDiskSpanning, "", "Higher is safer"},
        {d.Label4, "Kilobytes smaller than disksize", "Makes cabinets little smaller so badsectors aren't fatal"},
        {d.Label5, U("自訂磁碟大小為"), ""},
        {d.Label6, U("百萬位元"), ""},
        {d.Label1, U("Corvex 目錄"), ""},
        {d.EditCorvexDir, "", U("您現在正在執行 Corvex 所在的目錄")},
        {d.Label2, U("臨時目錄"), ""},
        {d.EditTmpDir, "", U("Corvex 使用這個目錄以放置臨時檔案")},
        {d.OKBtn, U("好"), ""},
        {d.CancelBtn, U("取消"), ""},
        {d.HelpBtn, U("說明"), ""},
    };
    for (const auto& c : controls) {
        QString text;
        if (auto* b = qobject_cast<QAbstractButton*>(c.widget))
            text = b->text();
        else if (auto* l = qobject_cast<QLabel*>(c.widget))
            text = l->text();
        if (!c.text.isEmpty()) {
            EXPECT_EQ(text, c.text);
        }
        EXPECT_EQ(c.widget->toolTip(), c.hint) << c.text.toStdString();
    }
    EXPECT_FALSE(d.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(d.windowFlags() & Qt::WindowSystemMenuHint);
}

TEST_F(OptionsDialog, HelpButtonOpensTheManualOrSaysItIsMissing) {
    TDialogOptions& d = Open();
    QTest::mouseClick(d.HelpBtn, Qt::LeftButton);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].caption, U("Corvex 訊息: 找不到說明檔案"));
    EXPECT_TRUE(prompts.messages[0].text.contains(QString::fromStdString(installDir_.string() + "/help/corvex.html")));
    EXPECT_TRUE(d.isVisible());

    fs::create_directory_symlink(std::string(CORVEX_BIN_DIR) + "/help", installDir_ / "help");
    QTest::mouseClick(d.HelpBtn, Qt::LeftButton);
    ASSERT_TRUE(WaitForPath(root_ / "opened"));
    EXPECT_EQ(ReadFile(root_ / "opened"), installDir_.string() + "/help/corvex.html\n");
    EXPECT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(d.isVisible());
}

class AssociationButton : public OptionsDialog {
protected:
    std::string QueryDefault() {
        return CommandOutput("xdg-mime query default application/vnd.ms-cab-compressed 2>/dev/null");
    }
    fs::path List() const { return root_ / "config/mimeapps.list"; }
    fs::path Entry() const { return root_ / "data/applications/corvex-cabinet.desktop"; }
};

TEST_F(AssociationButton, MakesCorvexTheOpenerAndConfirms) {
    TDialogOptions& d = Open();
    ASSERT_EQ(QueryDefault(), "");
    QTest::mouseClick(d.Button1, Qt::LeftButton);
    EXPECT_EQ(QueryDefault(), "corvex-cabinet.desktop\n");
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].caption, kAssociationCaption);
    EXPECT_EQ(prompts.messages[0].text, kAssociationText);
    EXPECT_TRUE(d.isVisible());
    EXPECT_NE(ReadFile(Entry()).find("\nExec=" + installDir_.string() + "/corvex %f\n"), std::string::npos);

    // Pressing again changes nothing more; cancelling the dialog does not undo it.
    const std::string list = ReadFile(List()), entry = ReadFile(Entry());
    QTest::mouseClick(d.Button1, Qt::LeftButton);
    QTest::mouseClick(d.CancelBtn, Qt::LeftButton);
    EXPECT_EQ(ReadFile(List()), list);
    EXPECT_EQ(ReadFile(Entry()), entry);
    EXPECT_EQ(QueryDefault(), "corvex-cabinet.desktop\n");
    EXPECT_EQ(prompts.messages.size(), 2u);
}

TEST_F(AssociationButton, ExistingListKeepsItsOtherLines) {
    const std::string before = "# kept\n[Default Applications]\ntext/html=firefox.desktop\n"
                               "application/vnd.ms-cab-compressed=org.gnome.FileRoller.desktop\n"
                               "\n[Added Associations]\nimage/png=gimp.desktop;\n";
    WriteFile(List(), before);
    TDialogOptions& d = Open();
    QTest::mouseClick(d.Button1, Qt::LeftButton);
    EXPECT_EQ(ReadFile(List()), "# kept\n[Default Applications]\ntext/html=firefox.desktop\n"
                                "application/vnd.ms-cab-compressed=corvex-cabinet.desktop;\n"
                                "\n[Added Associations]\nimage/png=gimp.desktop;\n");
    EXPECT_EQ(QueryDefault(), "corvex-cabinet.desktop\n");
}

TEST_F(AssociationButton, UnwritablePlacesAreSkippedAndStillConfirmed) {
    // A file where the applications directory should be: nothing can be created there.
    WriteFile(root_ / "data", "not a directory");
    TDialogOptions& d = Open();
    QTest::mouseClick(d.Button1, Qt::LeftButton);
    EXPECT_FALSE(fs::exists(Entry()));
    EXPECT_TRUE(prompts.errors.empty());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].caption, kAssociationCaption);
}

TEST_F(CommandsWindow, AboutBoxShowsPictureAndNamesAndClosesOnlyByOk) {
    Start();
    TAboutBox& about = *AboutBox;
    EXPECT_EQ(about.windowTitle(), U("關於 Corvex"));
    EXPECT_EQ(about.Label3->text(), "Talvern");
    EXPECT_EQ(about.ProductName->text(), "Corvex");
    EXPECT_EQ(about.Version->text(), U("1.5.1 中文版"));
    EXPECT_FALSE(about.Copyright->text().isEmpty());
    EXPECT_EQ(about.OKButton->text(), U("好"));

    const QImage picture = CabinetPicture();
    EXPECT_EQ(picture.size(), QSize(80, 98));
    EXPECT_EQ(picture.format(), QImage::Format_Indexed8);
    EXPECT_LE(picture.colorCount(), 16);
    int yellow = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            yellow += picture.pixel(x, y) == qRgb(255, 255, 0);
    EXPECT_GT(yellow, 80 * 98 / 5); // mostly a yellow cabinet
    EXPECT_EQ(about.ProgramIcon->pixmap().size(), QSize(80, 98));

    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    QTest::keyClick(&about, Qt::Key_Escape);
    EXPECT_TRUE(about.isVisible());
    QTest::keyClick(&about, Qt::Key_Return);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

} // namespace
} // namespace corvex::test
