#include "build/Report.h"

namespace corvex {

TDialogReport* DialogReport = nullptr;

TDialogReport::TDialogReport(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8("Corvex 報表"));
}

} // namespace corvex
