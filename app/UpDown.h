// Up and down arrows bound to a field holding a number. Each step starts from the number the
// field holds (so a typed number counts) and stays within Min..Max, never wrapping; for a
// read-only field the arrows are the only way to change it.
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
    void Step(int delta);
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
