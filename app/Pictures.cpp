#include "app/Pictures.h"

#include <QPainter>
#include <QPainterPath>

namespace corvex {

namespace {
constexpr int kSize = 32;
const QColor kOutline(40, 40, 40);
const QColor kPaper(255, 255, 255);
const QColor kFolder(240, 200, 60);
const QColor kFolderDark(200, 150, 30);
const QColor kBlue(30, 80, 210);
const QColor kRed(210, 30, 30);

void DrawPage(QPainter& p, QRectF r) {
    const qreal fold = 7;
    QPainterPath page;
    page.moveTo(r.left(), r.top());
    page.lineTo(r.right() - fold, r.top());
    page.lineTo(r.right(), r.top() + fold);
    page.lineTo(r.right(), r.bottom());
    page.lineTo(r.left(), r.bottom());
    page.closeSubpath();
    p.setPen(QPen(kOutline, 1));
    p.setBrush(kPaper);
    p.drawPath(page);
    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    p.setBrush(QColor(220, 220, 220));
    p.drawPath(corner);
}

void DrawClosedFolder(QPainter& p, QRectF r) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(kFolderDark);
    p.drawRect(QRectF(r.left(), r.top(), r.width() * 0.4, 4));
    p.setBrush(kFolder);
    p.drawRect(QRectF(r.left(), r.top() + 3, r.width(), r.height() - 3));
}

void DrawOpenFolder(QPainter& p, QRectF r) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(kFolderDark);
    p.drawRect(QRectF(r.left(), r.top() + 4, r.width() - 4, r.height() - 4));
    // papers standing out of the folder
    p.setBrush(kPaper);
    p.drawRect(QRectF(r.left() + 4, r.top(), r.width() - 12, r.height() - 8));
    p.drawRect(QRectF(r.left() + 7, r.top() + 2, r.width() - 12, r.height() - 9));
    QPolygonF front;
    front << QPointF(r.left(), r.bottom()) << QPointF(r.left() + 5, r.top() + 12)
          << QPointF(r.right(), r.top() + 12) << QPointF(r.right() - 5, r.bottom());
    p.setBrush(kFolder);
    p.drawPolygon(front);
}

void DrawPlus(QPainter& p, QPointF c, const QColor& colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRect(QRectF(c.x() - 7, c.y() - 2, 14, 4));
    p.drawRect(QRectF(c.x() - 2, c.y() - 7, 4, 14));
}

void DrawMinus(QPainter& p, QPointF c, const QColor& colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRect(QRectF(c.x() - 7, c.y() - 2, 14, 4));
}

void DrawArrowRight(QPainter& p, QPointF c, const QColor& colour) {
    QPolygonF arrow;
    arrow << QPointF(c.x() - 8, c.y() - 2) << QPointF(c.x(), c.y() - 2) << QPointF(c.x(), c.y() - 7)
          << QPointF(c.x() + 8, c.y()) << QPointF(c.x(), c.y() + 7) << QPointF(c.x(), c.y() + 2)
          << QPointF(c.x() - 8, c.y() + 2);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(arrow);
}

QPixmap Draw(int index) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF page(6.5, 2.5, 19, 27);
    const QRectF smallPage(2.5, 2.5, 17, 24);
    const QRectF folder(2.5, 7.5, 27, 20);
    const QRectF smallFolder(1.5, 4.5, 22, 17);
    const QPointF badge(23, 23);
    switch (index) {
    case PictureNew:
        DrawPage(p, page);
        break;
    case PictureOpen:
        DrawOpenFolder(p, QRectF(1.5, 5.5, 29, 22));
        break;
    case PictureSave:
        DrawClosedFolder(p, folder);
        break;
    case PictureAddFiles:
        DrawPage(p, smallPage);
        DrawPlus(p, badge, kBlue);
        break;
    case PictureRemoveFiles:
        DrawPage(p, smallPage);
        DrawMinus(p, badge, kRed);
        break;
    case PictureAddDirectory:
        DrawClosedFolder(p, smallFolder);
        DrawPlus(p, badge, kBlue);
        break;
    case PictureExtractAll:
        DrawClosedFolder(p, smallFolder);
        DrawArrowRight(p, badge, kBlue);
        break;
    case PictureExtractSelected:
        DrawPage(p, smallPage);
        DrawArrowRight(p, badge, kBlue);
        break;
    }
    return pixmap;
}
} // namespace

std::vector<QPixmap> ToolBarPictures() {
    std::vector<QPixmap> pictures;
    for (int i = 0; i < PictureCount; ++i)
        pictures.push_back(Draw(i));
    return pictures;
}

} // namespace corvex
