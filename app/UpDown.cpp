#include "app/UpDown.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace corvex {

TUpDown::TUpDown(int min, int max, int position, QWidget* parent)
    : QWidget(parent), min_(min), max_(max), position_(std::clamp(position, min, max)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    up_ = new QToolButton(this);
    down_ = new QToolButton(this);
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {up_, down_}) {
        b->setAutoRepeat(true);
        b->setFixedSize(16, 11);
        b->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(b);
    }
    connect(up_, &QToolButton::clicked, this, [this] { SetPosition(position_ + 1); });
    connect(down_, &QToolButton::clicked, this, [this] { SetPosition(position_ - 1); });
}

void TUpDown::SetAssociate(QLineEdit* edit) {
    edit_ = edit;
    if (edit_)
        edit_->setText(QString::number(position_));
}

void TUpDown::SetPosition(int position) {
    position = std::clamp(position, min_, max_);
    if (position == position_)
        return;
    position_ = position;
    if (edit_)
        edit_->setText(QString::number(position_));
    emit Changed(position_);
}

} // namespace corvex
