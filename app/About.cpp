#include "app/About.h"

#include "app/Prompts.h"

#include <QFont>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <QPushButton>

namespace corvex {

TAboutBox* AboutBox = nullptr;

QImage CabinetPicture() {
    // The sixteen colours of the classic VGA palette, and nothing else.
    const QList<QRgb> palette = {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
        qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
        qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
        qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
    const QColor black(palette[0]), olive(palette[3]), navy(palette[4]), silver(palette[7]),
        grey(palette[8]), red(palette[9]), yellow(palette[11]), white(palette[15]);

    QImage canvas(80, 98, QImage::Format_RGB32);
    canvas.fill(silver);
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing, false);

    // The cabinet seen a little from the right and above: side, top, front.
    p.setPen(black);
    p.setBrush(olive);
    p.drawPolygon(QPolygon({QPoint(60, 10), QPoint(72, 3), QPoint(72, 86), QPoint(60, 93)}));
    p.setBrush(yellow);
    p.drawPolygon(QPolygon({QPoint(22, 10), QPoint(34, 3), QPoint(72, 3), QPoint(60, 10)}));
    p.drawRect(22, 10, 38, 83);

    // A drawer front: a lit upper-left edge, a label holder and a handle.
    const auto drawerFront = [&](int x, int y, const QColor& frame) {
        p.setPen(frame);
        p.setBrush(yellow);
        p.drawRect(x, y, 32, 22);
        p.setPen(white);
        p.drawLine(x + 1, y + 1, x + 31, y + 1);
        p.drawLine(x + 1, y + 1, x + 1, y + 21);
        p.setPen(black);
        p.setBrush(silver);
        p.drawRect(x + 11, y + 5, 10, 4);
        p.setBrush(grey);
        p.drawRect(x + 12, y + 12, 8, 3);
    };
    drawerFront(25, 14, olive);
    drawerFront(25, 67, olive);

    // The middle drawer is out: its empty slot, its floor, the papers standing in it, a red
    // folder tab among them, then its front, nearer to the viewer and so lower and to the left.
    p.setPen(black);
    p.setBrush(black);
    p.drawRect(25, 40, 32, 22);
    p.setBrush(olive);
    p.drawPolygon(QPolygon({QPoint(25, 40), QPoint(57, 40), QPoint(45, 52), QPoint(13, 52)}));
    const QPoint sheets[] = {{22, 38}, {19, 41}, {16, 44}};
    for (const QPoint& s : sheets) {
        p.setPen(grey);
        p.setBrush(white);
        p.drawRect(s.x(), s.y(), 26, 12);
        p.setPen(navy);
        p.drawLine(s.x() + 3, s.y() + 3, s.x() + 18, s.y() + 3);
        p.drawLine(s.x() + 3, s.y() + 6, s.x() + 14, s.y() + 6);
    }
    p.setPen(black);
    p.setBrush(red);
    p.drawRect(36, 36, 7, 4);
    drawerFront(13, 52, black);
    p.setPen(black);
    p.setBrush(olive);
    p.drawPolygon(QPolygon({QPoint(45, 52), QPoint(57, 40), QPoint(57, 62), QPoint(45, 74)}));
    p.end();

    return canvas.convertToFormat(QImage::Format_Indexed8, palette, Qt::ThresholdDither);
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName("AboutBox");
    setWindowTitle(QStringLiteral("關於 Corvex"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFont(DialogFont());
    setFixedSize(326, 225);

    // Laid out at fixed places, as the box was drawn: nothing in it ever changes size.
    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(2);
    Panel1->setGeometry(8, 8, 310, 170);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName("ProgramIcon");
    ProgramIcon->setPixmap(QPixmap::fromImage(CabinetPicture()));
    ProgramIcon->setGeometry(10, 10, 80, 98);

    Label3 = new QLabel(QStringLiteral("Talvern"), Panel1);
    Label3->setObjectName("Label3");
    QFont maker(QStringLiteral("Arial"));
    maker.setPixelSize(27);
    maker.setBold(true);
    maker.setItalic(true);
    Label3->setFont(maker);
    Label3->setGeometry(104, 10, 190, 34);

    ProductName = new QLabel(QStringLiteral("Corvex"), Panel1);
    ProductName->setObjectName("ProductName");
    QFont product(QStringLiteral("Arial"));
    product.setPixelSize(38);
    product.setBold(true);
    ProductName->setFont(product);
    QPalette blackText = ProductName->palette();
    blackText.setColor(QPalette::WindowText, Qt::black);
    ProductName->setPalette(blackText);
    ProductName->setGeometry(122, 44, 180, 46);

    Version = new QLabel(QStringLiteral("1.5.1 中文版"), Panel1);
    Version->setObjectName("Version");
    Version->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Version->setGeometry(150, 94, 146, 22);

    Copyright = new QLabel(QStringLiteral("Copyright © 1998-2001 Talvern. 版權所有。"), Panel1);
    Copyright->setObjectName("Copyright");
    Copyright->setAlignment(Qt::AlignCenter);
    Copyright->setGeometry(8, 130, 294, 22);

    OKButton = new QPushButton(QStringLiteral("好"), this);
    OKButton->setObjectName("OKButton");
    OKButton->setDefault(true);
    OKButton->setGeometry((326 - 75) / 2, 188, 75, 27);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace corvex
