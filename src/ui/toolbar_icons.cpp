#include "ui/toolbar_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace zarnik::ui {

namespace {

const QColor kInk(43, 58, 85);  // outlines, as in the program's icon
const QColor kPaper(255, 255, 255);
const QColor kFold(223, 230, 242);
const QColor kGreen(46, 158, 79);  // comment lines, the run
const QColor kFolder(236, 184, 66);
const QColor kRed(217, 69, 43);
const QColor kBlue(45, 105, 190);

// A sheet of paper with a folded corner, at x,y (w x h), in the 16-unit grid.
void Sheet(QPainter& p, qreal x, qreal y, qreal w, qreal h) {
    QPainterPath path;
    path.moveTo(x, y);
    path.lineTo(x + w - 3, y);
    path.lineTo(x + w, y + 3);
    path.lineTo(x + w, y + h);
    path.lineTo(x, y + h);
    path.closeSubpath();
    p.setPen(QPen(kInk, 1));
    p.setBrush(kPaper);
    p.drawPath(path);
}

void Lines(QPainter& p, qreal x, qreal y, int n, qreal w, const QColor& second = kInk) {
    for (int i = 0; i < n; ++i) {
        p.setPen(QPen(i == 1 ? second : kInk, 1));
        p.drawLine(QPointF(x, y + 2 * i), QPointF(x + w - (i % 2) * 2, y + 2 * i));
    }
}

void Folder(QPainter& p, qreal x, qreal y) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(kFolder.darker(115));
    p.drawRect(QRectF(x, y, 6, 3));
    p.setBrush(kFolder);
    p.drawRect(QRectF(x, y + 2, 13, 9));
}

// A bold sign centred in box.
void Glyph(QPainter& p, const QRectF& box, const QString& sign, const QColor& colour) {
    QFont f = p.font();
    f.setPixelSize(11);
    f.setBold(true);
    p.setFont(f);
    p.setPen(colour);
    p.drawText(box, Qt::AlignCenter, sign);
}

// NOLINTNEXTLINE(readability-function-size): one drawing per icon, one after another
void Draw(QPainter& p, ToolIcon which) {
    switch (which) {
        case ToolIcon::Open:  // a source listing with an arrow pointing into it
            Sheet(p, 4.5, 1.5, 10, 13);
            Lines(p, 6.5, 6.5, 4, 6, kGreen);
            p.setPen(QPen(kBlue, 2));
            p.drawLine(QPointF(0.5, 4.5), QPointF(6, 4.5));
            p.setBrush(kBlue);
            p.setPen(Qt::NoPen);
            p.drawPolygon(QPolygonF({QPointF(5, 1.5), QPointF(9, 4.5), QPointF(5, 7.5)}));
            break;
        case ToolIcon::Folder:  // a folder
            Folder(p, 1.5, 3.5);
            break;
        case ToolIcon::EnvEdit:  // tabs over a page, and a pencil
            p.setPen(QPen(kInk, 1));
            p.setBrush(kFold);
            p.drawRect(QRectF(1.5, 2.5, 4, 3));
            p.drawRect(QRectF(5.5, 2.5, 4, 3));
            p.setBrush(kPaper);
            p.drawRect(QRectF(1.5, 5.5, 12, 9));
            Lines(p, 3.5, 8.5, 3, 6);
            p.setPen(QPen(kRed.darker(110), 2.5, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(QPointF(8.5, 13), QPointF(14.5, 7));
            break;
        case ToolIcon::Save: {  // a floppy disk
            p.setPen(QPen(kInk, 1));
            p.setBrush(kBlue);
            p.drawRect(QRectF(1.5, 1.5, 13, 13));
            p.setBrush(kPaper);
            p.drawRect(QRectF(4.5, 1.5, 7, 5));
            p.setBrush(kFold);
            p.drawRect(QRectF(3.5, 9.5, 9, 5));
            p.fillRect(QRectF(9, 2.5, 1.5, 3), kInk);
            break;
        }
        case ToolIcon::Print:  // a printer with a sheet coming out
            p.setPen(QPen(kInk, 1));
            p.setBrush(kPaper);
            p.drawRect(QRectF(4.5, 1.5, 7, 5));
            p.setBrush(QColor(160, 168, 182));
            p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1, 1);
            p.setBrush(kPaper);
            p.drawRect(QRectF(4.5, 10.5, 7, 4));
            Lines(p, 5.5, 12.5, 1, 5);
            p.fillRect(QRectF(12, 8, 1.5, 1.5), kGreen);
            break;
        case ToolIcon::Count:  // a listing whose lines are being counted: a sum sign
            Sheet(p, 1.5, 1.5, 9, 13);
            Lines(p, 3.5, 4.5, 5, 5, kGreen);
            Glyph(p, QRectF(7, 4, 10, 12), QStringLiteral("Σ"), kRed);
            break;
        case ToolIcon::Copy:  // two sheets, one over the other
            Sheet(p, 1.5, 1.5, 8, 10);
            Lines(p, 3, 4.5, 2, 4);
            Sheet(p, 6.5, 4.5, 8, 10);
            Lines(p, 8.5, 7.5, 3, 4, kGreen);
            break;
        case ToolIcon::Clear:  // a listing struck out
            Sheet(p, 2.5, 1.5, 10, 13);
            Lines(p, 4.5, 4.5, 5, 6);
            p.setPen(QPen(kRed, 2.2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(5, 6), QPointF(14, 15));
            p.drawLine(QPointF(14, 6), QPointF(5, 15));
            break;
        case ToolIcon::Settings: {  // a cog
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(110, 120, 138));
            p.translate(8, 8);
            for (int i = 0; i < 8; ++i) {
                p.drawRect(QRectF(-1.5, -7.5, 3, 4));
                p.rotate(45);
            }
            p.setPen(QPen(kInk, 1));
            p.drawEllipse(QPointF(0, 0), 5, 5);
            p.setBrush(kPaper);
            p.drawEllipse(QPointF(0, 0), 2, 2);
            p.resetTransform();
            break;
        }
        case ToolIcon::Help:  // a blue disc with a question mark
            p.setPen(QPen(kInk, 1));
            p.setBrush(kBlue);
            p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
            Glyph(p, QRectF(1.5, 1.5, 13, 13), QStringLiteral("?"), kPaper);
            break;
    }
}

QPixmap Paint(ToolIcon which, int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(size / 16.0, size / 16.0);
    Draw(p, which);
    return pm;
}

// Grey and faded, so that a disabled button is told apart at a glance.
QPixmap Disabled(const QPixmap& pm) {
    QImage img = pm.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            int g = 128 + qGray(row[x]) / 3;
            row[x] = qRgba(g, g, g, qAlpha(row[x]) * 45 / 100);
        }
    }
    return QPixmap::fromImage(img);
}

}  // namespace

QIcon MakeToolIcon(ToolIcon which) {
    QIcon icon;
    for (int size : {16, 32}) {
        QPixmap pm = Paint(which, size);
        icon.addPixmap(pm, QIcon::Normal);
        icon.addPixmap(Disabled(pm), QIcon::Disabled);
    }
    return icon;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/zarnik/icons/zarnik-%1.png").arg(size), QSize(size, size));
    return icon;
}

}  // namespace zarnik::ui
