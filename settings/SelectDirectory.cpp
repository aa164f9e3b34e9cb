#include "settings/SelectDirectory.h"

namespace corvex {

TDialogSelectDir* DialogSelectDir = nullptr;

TDialogSelectDir::TDialogSelectDir(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8("選取目錄"));
}

} // namespace corvex
