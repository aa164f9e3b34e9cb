#include "app/About.h"

namespace corvex {

TAboutBox* AboutBox = nullptr;

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8("關於 Corvex"));
}

} // namespace corvex
