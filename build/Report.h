// The build report dialog.
#pragma once

#include <QDialog>

namespace corvex {

class TDialogReport : public QDialog {
    Q_OBJECT
public:
    explicit TDialogReport(QWidget* parent = nullptr);
};

extern TDialogReport* DialogReport;

} // namespace corvex
