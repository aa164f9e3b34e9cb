#include "settings/Options.h"

#include "app/Help.h"
#include "app/Prompts.h"
#include "app/UpDown.h"
#include "common/Helpers.h"
#include "settings/Association.h"
#include "settings/SelectDirectory.h"
#include "settings/Settings.h"

#include <QCheckBox>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

namespace corvex {

TDialogOptions* DialogOptions = nullptr;

namespace {

const char* const kAssociationCaption = "Corvex 訊息: 檔案關聯資訊設定";
const char* const kAssociationText =
    "Corvex is now (partialy) integrated in your Windows. You can now open\n"
    "any Cabinet file in Corvex by doubleclicking on the file.";

// An open yellow folder, drawn once here rather than shipped as a picture.
QPixmap OpenFolderPicture(bool greyed) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    const QColor outline = greyed ? QColor(128, 128, 128) : QColor(0, 0, 0);
    const QColor back = greyed ? QColor(192, 192, 192) : QColor(128, 128, 0);
    const QColor front = greyed ? QColor(224, 224, 224) : QColor(255, 255, 0);
    p.setPen(outline);
    p.setBrush(back);
    p.drawPolygon(QPolygon({QPoint(1, 3), QPoint(5, 3), QPoint(6, 4), QPoint(12, 4), QPoint(12, 7),
                            QPoint(1, 13)}));
    p.setBrush(front);
    p.drawPolygon(QPolygon({QPoint(1, 13), QPoint(4, 7), QPoint(15, 7), QPoint(12, 13)}));
    return pixmap;
}

} // namespace

TDialogOptions::TDialogOptions(QWidget* parent) : QDialog(parent) {
    setObjectName("DialogOptions");
    setWindowTitle(QStringLiteral("Corvex 選項"));
    // A dialog frame without title-bar buttons: OK, Cancel, Enter and Escape close it.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFont(DialogFont());

    PageControl = new QTabWidget(this);
    PageControl->setObjectName("PageControl");

    // First tab.
    TabSheetGeneral = new QWidget;
    CheckBoxSelfExtracting = new QCheckBox(QStringLiteral("建立自解壓縮 Cabinet"));
    Button1 = new QPushButton(QStringLiteral("設定檔案關聯資訊"));
    Button1->setToolTip(QStringLiteral("Enables dubbleclicking to open Cabinets in Corvex"));
    Button1->setAutoDefault(false);
    CheckBoxGenerateINF = new QCheckBox(QStringLiteral("產生 INF 檔案"));
    CheckBoxRecursive = new QCheckBox(QStringLiteral("包含子目錄"));
    CheckBoxIncludeEmptyDirectories = new QCheckBox(QStringLiteral("包含空的目錄"));
    const QString safeHint = QStringLiteral("Makes cabinets little smaller so badsectors aren't fatal");
    Label3 = new QLabel(QStringLiteral("Safe diskspanning makes Cabinets "));
    Label3->setToolTip(safeHint);
    EditSafeDiskSpanning = new QLineEdit(QStringLiteral("0"));
    EditSafeDiskSpanning->setToolTip(QStringLiteral("Higher is safer"));
    EditSafeDiskSpanning->setFixedWidth(48);
    UpDownSafeDiskSpanning = new TUpDown(0, 100, 0);
    UpDownSafeDiskSpanning->SetAssociate(EditSafeDiskSpanning);
    Label4 = new QLabel(QStringLiteral("Kilobytes smaller than disksize"));
    Label4->setToolTip(safeHint);
    Label5 = new QLabel(QStringLiteral("自訂磁碟大小為"));
    EditCustomDisksize = new QLineEdit(QStringLiteral("1024"));
    EditCustomDisksize->setFixedWidth(72);
    Label6 = new QLabel(QStringLiteral("百萬位元"));

    auto* general = new QGridLayout(TabSheetGeneral);
    general->addWidget(CheckBoxSelfExtracting, 0, 0);
    general->addWidget(Button1, 0, 1, Qt::AlignRight);
    general->addWidget(CheckBoxGenerateINF, 1, 0);
    general->addWidget(CheckBoxRecursive, 2, 0);
    general->addWidget(CheckBoxIncludeEmptyDirectories, 3, 0);
    auto* safeRow = new QHBoxLayout;
    safeRow->setSpacing(4);
    safeRow->addWidget(Label3);
    safeRow->addWidget(EditSafeDiskSpanning);
    safeRow->addWidget(UpDownSafeDiskSpanning);
    safeRow->addWidget(Label4);
    safeRow->addStretch();
    general->addLayout(safeRow, 4, 0, 1, 2);
    auto* customRow = new QHBoxLayout;
    customRow->setSpacing(4);
    customRow->addWidget(Label5);
    customRow->addWidget(EditCustomDisksize);
    customRow->addWidget(Label6);
    customRow->addStretch();
    general->addLayout(customRow, 5, 0, 1, 2);
    general->setRowStretch(6, 1);
    PageControl->addTab(TabSheetGeneral, QStringLiteral("一般"));

    // Second tab.
    TabSheetDirectories = new QWidget;
    Label1 = new QLabel(QStringLiteral("Corvex 目錄"));
    EditCorvexDir = new QLineEdit;
    EditCorvexDir->setReadOnly(true);
    EditCorvexDir->setToolTip(QStringLiteral("您現在正在執行 Corvex 所在的目錄"));
    {
        // Read-only shows in the face colour, as a field that cannot be typed in.
        QPalette grey = EditCorvexDir->palette();
        grey.setColor(QPalette::Base, grey.color(QPalette::Window));
        EditCorvexDir->setPalette(grey);
    }
    Label1->setBuddy(EditCorvexDir);
    Label2 = new QLabel(QStringLiteral("臨時目錄"));
    EditTmpDir = new QLineEdit;
    EditTmpDir->setToolTip(QStringLiteral("Corvex 使用這個目錄以放置臨時檔案"));
    Label2->setBuddy(EditTmpDir);
    SpeedButtonSelectDirectory = new QToolButton;
    QIcon folder;
    folder.addPixmap(OpenFolderPicture(false), QIcon::Normal);
    folder.addPixmap(OpenFolderPicture(true), QIcon::Disabled);
    SpeedButtonSelectDirectory->setIcon(folder);
    SpeedButtonSelectDirectory->setAutoRaise(true);

    auto* directories = new QGridLayout(TabSheetDirectories);
    directories->addWidget(Label1, 0, 0, 1, 2);
    directories->addWidget(EditCorvexDir, 1, 0);
    directories->addWidget(Label2, 2, 0, 1, 2);
    directories->addWidget(EditTmpDir, 3, 0);
    directories->addWidget(SpeedButtonSelectDirectory, 3, 1);
    directories->setRowStretch(4, 1);
    directories->setColumnStretch(0, 1);
    PageControl->addTab(TabSheetDirectories, QStringLiteral("目錄"));

    // Bottom strip.
    OKBtn = new QPushButton(QStringLiteral("好"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("取消"));
    HelpBtn = new QPushButton(QStringLiteral("說明"));
    HelpBtn->setAutoDefault(false);
    CancelBtn->setAutoDefault(false);
    auto* strip = new QHBoxLayout;
    strip->addStretch();
    strip->addWidget(OKBtn);
    strip->addWidget(CancelBtn);
    strip->addWidget(HelpBtn);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl);
    layout->addLayout(strip);

    const auto name = [](QObject* o, const char* n) { o->setObjectName(QString::fromLatin1(n)); };
    name(CheckBoxSelfExtracting, "CheckBoxSelfExtracting");
    name(Button1, "Button1");
    name(CheckBoxGenerateINF, "CheckBoxGenerateINF");
    name(CheckBoxRecursive, "CheckBoxRecursive");
    name(CheckBoxIncludeEmptyDirectories, "CheckBoxIncludeEmptyDirectories");
    name(EditSafeDiskSpanning, "EditSafeDiskSpanning");
    name(UpDownSafeDiskSpanning, "UpDownSafeDiskSpanning");
    name(EditCustomDisksize, "EditCustomDisksize");
    name(EditCorvexDir, "EditCorvexDir");
    name(EditTmpDir, "EditTmpDir");
    name(SpeedButtonSelectDirectory, "SpeedButtonSelectDirectory");
    name(OKBtn, "OKBtn");
    name(CancelBtn, "CancelBtn");
    name(HelpBtn, "HelpBtn");

    connect(OKBtn, &QPushButton::clicked, this, &TDialogOptions::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this, &TDialogOptions::HelpBtnClick);
    connect(Button1, &QPushButton::clicked, this, &TDialogOptions::Button1Click);
    connect(SpeedButtonSelectDirectory, &QToolButton::clicked, this,
            &TDialogOptions::SpeedButtonSelectDirectoryClick);
}

void TDialogOptions::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TDialogOptions::FormShow() {
    // The tab the user last looked at stays: only the values are reloaded.
    EditCorvexDir->setText(DisplayName(AppSettings.InstallDir));
    EditTmpDir->setText(DisplayName(AppSettings.TemporaryDir));
    CheckBoxSelfExtracting->setChecked(AppSettings.CreateSelfExtracting);
    CheckBoxGenerateINF->setChecked(AppSettings.GenerateINF);
    CheckBoxRecursive->setChecked(AppSettings.RecursiveAdd);
    CheckBoxIncludeEmptyDirectories->setChecked(AppSettings.IncludeEmptyDirectories);
    EditSafeDiskSpanning->setText(QString::number(AppSettings.SafeDiskSpanning));
    EditCustomDisksize->setText(QString::number(AppSettings.CustomDisksize));
}

void TDialogOptions::OKBtnClick() {
    // The dialog closes whatever happens here. A number that does not convert stops the
    // taking-over at that field: what came before it is taken in memory, nothing is saved.
    try {
        AppSettings.TemporaryDir = PathBytes(EditTmpDir->text());
        AppSettings.CreateSelfExtracting = CheckBoxSelfExtracting->isChecked();
        AppSettings.GenerateINF = CheckBoxGenerateINF->isChecked();
        AppSettings.RecursiveAdd = CheckBoxRecursive->isChecked();
        AppSettings.IncludeEmptyDirectories = CheckBoxIncludeEmptyDirectories->isChecked();
        AppSettings.SafeDiskSpanning = StrToInt(EditSafeDiskSpanning->text().toStdString());
        AppSettings.CustomDisksize = StrToInt(EditCustomDisksize->text().toStdString());
        SaveSettings();
    } catch (const std::exception& error) {
        CurrentPrompts().StandardError(this, QString::fromStdString(error.what()));
    }
    accept();
}

void TDialogOptions::SpeedButtonSelectDirectoryClick() {
    if (ChooseDirectory())
        EditTmpDir->setText(DisplayName(ChosenDirectory()));
}

void TDialogOptions::HelpBtnClick() {
    ShowHelpContext(this, "CORVEX.HLP", 101);
}

void TDialogOptions::Button1Click() {
    try {
        RegisterFileAssociation();
    } catch (const std::exception& error) {
        CurrentPrompts().StandardError(this, QString::fromStdString(error.what()));
        return;
    }
    CurrentPrompts().Message(this, QString::fromUtf8(kAssociationCaption),
                             QString::fromUtf8(kAssociationText));
}

} // namespace corvex
