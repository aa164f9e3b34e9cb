// The build report dialog: six figures of makecab's report, read afresh each time it opens.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace corvex {

class TDialogReport : public QDialog {
    Q_OBJECT
  public:
    explicit TDialogReport(QWidget* parent = nullptr);

    QLabel* LabelTotalFiles;
    QLabel* LabelSizeRaw;
    QLabel* LabelSizeCAB;
    QLabel* LabelRatio;
    QLabel* LabelTime;
    QLabel* LabelThroughput;
    QPushButton* OKBtn;

    // Copies the six words of the report in AppSettings.TemporaryDir into the value labels.
    void ReadBuildReport();

  protected:
    void showEvent(QShowEvent* event) override;
};

extern TDialogReport* DialogReport;

} // namespace corvex
