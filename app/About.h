// The About box: picture, maker, product, version, copyright and one button.
#pragma once

#include <QDialog>
#include <QImage>

class QFrame;
class QLabel;
class QPushButton;

namespace corvex {

class TAboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QFrame* Panel1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Copyright = nullptr;
    QPushButton* OKButton = nullptr;

protected:
    // No cancel button: Escape leaves the box open.
    void keyPressEvent(QKeyEvent* event) override;
};

extern TAboutBox* AboutBox;

// The program's picture: 80 by 98 pixels in 16 colours, a yellow filing cabinet whose middle
// drawer is pulled out, papers showing.
QImage CabinetPicture();

} // namespace corvex
