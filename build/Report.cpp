#include "build/Report.h"

#include "app/Prompts.h"
#include "build/ReportFile.h"
#include "settings/Settings.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvex {

TDialogReport* DialogReport = nullptr;


TDialogReport::TDialogReport(QWidget* parent) : QDialog(parent) {
    setWindowTitle(U("Corvex 報表"));
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    auto* grid = new QGridLayout(frame);
    const char* captions[] = {"在 Cabinet 內總檔案數",
                              "未壓縮資料大小 (位元組)",
                              "在 Cabinet 資料的大小 (位元組)",
                              "壓縮率",
                              "時間 (秒)",
                              "生產量 (千位元組/秒)"};
    QLabel** values[] = {&LabelTotalFiles, &LabelSizeRaw, &LabelSizeCAB,
                         &LabelRatio,      &LabelTime,    &LabelThroughput};
    for (int row = 0; row < 6; ++row) {
        grid->addWidget(new QLabel(U(captions[row]), frame), row, 0);
        QLabel* value = new QLabel(QStringLiteral("0"), frame);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setFrameShape(QFrame::Panel);
        value->setFrameShadow(QFrame::Sunken);
        value->setMinimumWidth(110);
        grid->addWidget(value, row, 1);
        *values[row] = value;
    }
    OKBtn = new QPushButton(U("好"), this);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TDialogReport::ReadBuildReport() {
    const TReportValues words = ReadBuildReportFile(AppSettings.TemporaryDir);
    QLabel* labels[] = {LabelTotalFiles, LabelSizeRaw, LabelSizeCAB,
                        LabelRatio,      LabelTime,    LabelThroughput};
    for (size_t i = 0; i < words.size(); ++i)
        labels[i]->setText(DisplayName(words[i]));
}

void TDialogReport::showEvent(QShowEvent* event) {
    ReadBuildReport();
    QDialog::showEvent(event);
}

} // namespace corvex
