// The About box.
#pragma once

#include <QDialog>

namespace corvex {

class TAboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit TAboutBox(QWidget* parent = nullptr);
};

extern TAboutBox* AboutBox;

} // namespace corvex
