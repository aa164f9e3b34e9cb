#include "settings/Options.h"

namespace corvex {

TDialogOptions* DialogOptions = nullptr;

TDialogOptions::TDialogOptions(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8("Corvex 選項"));
}

} // namespace corvex
