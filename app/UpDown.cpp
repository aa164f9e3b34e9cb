#include "app/UpDown.h"

#include "common/Helpers.h"

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
    connect(up_, &QToolButton::clicked, this, [this] { Step(1); });
    connect(down_, &QToolButton::clicked, this, [this] { Step(-1); });
}

void TUpDown::SetAssociate(QLineEdit* edit) {
    edit_ = edit;
    if (edit_)
        edit_->setText(QString::number(position_));
}

void TUpDown::SetPosition(int position) {
    position = std::clamp(position, min_, max_);
    const bool changed = position != position_;
    position_ = position;
    // The field is rewritten even when the position stays: it may hold a typed number
    // outside the range, which a step brings back inside.
    if (edit_)
        edit_->setText(QString::number(position_));
    if (changed)
        emit Changed(position_);
}

void TUpDown::Step(int delta) {
    int from = position_;
    if (edit_) {
        try {
            from = StrToInt(edit_->text().toStdString());
        } catch (const ConvertError&) {
        }
    }
    SetPosition(from + delta);
}

} // namespace corvex
