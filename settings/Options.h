// The Options dialog: views and changes the settings, registers the .cab association.
#pragma once

#include <QDialog>

#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QToolButton;

namespace corvex {

class TUpDown;

class TDialogOptions : public QDialog {
    Q_OBJECT
  public:
    explicit TDialogOptions(QWidget* parent = nullptr);

    QTabWidget* PageControl = nullptr;
    QWidget* TabSheetGeneral = nullptr;
    QWidget* TabSheetDirectories = nullptr;

    QCheckBox* CheckBoxSelfExtracting = nullptr;
    QPushButton* Button1 = nullptr;
    QCheckBox* CheckBoxGenerateINF = nullptr;
    QCheckBox* CheckBoxRecursive = nullptr;
    QCheckBox* CheckBoxIncludeEmptyDirectories = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* EditSafeDiskSpanning = nullptr;
    TUpDown* UpDownSafeDiskSpanning = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* EditCustomDisksize = nullptr;
    QLabel* Label6 = nullptr;

    QLabel* Label1 = nullptr;
    QLineEdit* EditCorvexDir = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* EditTmpDir = nullptr;
    QToolButton* SpeedButtonSelectDirectory = nullptr;

    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;

public slots:
    void FormShow();
    void OKBtnClick();
    void SpeedButtonSelectDirectoryClick();
    void HelpBtnClick();
    void Button1Click();

protected:
    void showEvent(QShowEvent* event) override;
};

extern TDialogOptions* DialogOptions;

// Up and down arrows stepping the number in an edit box between min and max, without
// wrapping around; the edit stays free text, read when an arrow is pressed.


} // namespace corvex
