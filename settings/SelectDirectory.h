// The directory chooser.
#pragma once

#include <QDialog>

namespace corvex {

class TDialogSelectDir : public QDialog {
    Q_OBJECT
public:
    explicit TDialogSelectDir(QWidget* parent = nullptr);
};

extern TDialogSelectDir* DialogSelectDir;

} // namespace corvex
