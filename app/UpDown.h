// Up and down arrows bound to a read-only field: the only way to change the field's number.
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace corvex {

class TUpDown : public QWidget {
    Q_OBJECT
  public:
    TUpDown(int min, int max, int position, QWidget* parent = nullptr);

    // The field shows the position; it is rewritten whenever the position changes.
    void SetAssociate(QLineEdit* edit);
    int Position() const { return position_; }
    void SetPosition(int position); // clamped to Min..Max, never wraps
    int Min() const { return min_; }
    int Max() const { return max_; }
    QToolButton* UpButton() const { return up_; }
    QToolButton* DownButton() const { return down_; }

  signals:
    void Changed(int position);

  private:
    int min_, max_, position_;
    QLineEdit* edit_ = nullptr;
    QToolButton* up_;
    QToolButton* down_;
};

} // namespace corvex
