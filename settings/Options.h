// The options dialog.
#pragma once

#include <QDialog>

namespace corvex {

class TDialogOptions : public QDialog {
    Q_OBJECT
  public:
    explicit TDialogOptions(QWidget* parent = nullptr);
};

extern TDialogOptions* DialogOptions;

} // namespace corvex
