#include "MainImages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {
void Draw(QPainter& p, TMainImage image)
{
    p.setRenderHint(QPainter::Antialiasing);
    switch (image) {
    case miChooseFiles: { // an open folder
        p.setPen(QPen(QColor(0x8a, 0x6d, 0x1e), 1));
        p.setBrush(QColor(0xf0, 0xc8, 0x4a));
        p.drawRect(QRectF(1.5, 3.5, 6, 2));
        p.drawRect(QRectF(1.5, 4.5, 13, 9));
        p.setBrush(QColor(0xfa, 0xe0, 0x8a));
        QPainterPath flap;
        flap.moveTo(3.5, 7.5);
        flap.lineTo(15.5, 7.5);
        flap.lineTo(13.5, 13.5);
        flap.lineTo(1.5, 13.5);
        flap.closeSubpath();
        p.drawPath(flap);
        break;
    }
    case miAddFolder: { // a closed folder with a green plus
        p.setPen(QPen(QColor(0x8a, 0x6d, 0x1e), 1));
        p.setBrush(QColor(0xf0, 0xc8, 0x4a));
        p.drawRect(QRectF(0.5, 2.5, 6, 2));
        p.drawRect(QRectF(0.5, 3.5, 12, 9));
        p.setPen(QPen(QColor(0x2e, 0x8b, 0x3e), 2.5, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(12, 8), QPointF(12, 15.5));
        p.drawLine(QPointF(8.25, 11.75), QPointF(15.75, 11.75));
        break;
    }
    case miEncode: { // a play triangle over a note-green disc
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2e, 0x8b, 0x3e));
        p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
        p.setBrush(Qt::white);
        QPainterPath play;
        play.moveTo(6, 4);
        play.lineTo(12, 8);
        play.lineTo(6, 12);
        play.closeSubpath();
        p.drawPath(play);
        break;
    }
    case miDelete: { // a red cross
        p.setPen(QPen(QColor(0xc8, 0x1e, 0x1e), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
        break;
    }
    case miClearList: { // list lines with a small cross
        p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.5));
        for (int y : {3, 7, 11})
            p.drawLine(QPointF(1.5, y + 0.5), QPointF(9.5, y + 0.5));
        p.setPen(QPen(QColor(0xc8, 0x1e, 0x1e), 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10.5, 9.5), QPointF(14.5, 13.5));
        p.drawLine(QPointF(14.5, 9.5), QPointF(10.5, 13.5));
        break;
    }
    case miOptions: { // three sliders
        p.setPen(QPen(QColor(0x50, 0x50, 0x50), 1));
        for (int x : {3, 8, 13})
            p.drawLine(QPointF(x + 0.5, 1.5), QPointF(x + 0.5, 14.5));
        p.setBrush(QColor(0x3c, 0x6e, 0xb4));
        p.drawRect(QRectF(1.5, 9.5, 4, 3));
        p.drawRect(QRectF(6.5, 3.5, 4, 3));
        p.drawRect(QRectF(11.5, 7.5, 4, 3));
        break;
    }
    case miAbout: { // an "i" in a blue disc
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2f, 0x5f, 0xb3));
        p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(6.75, 3, 2.5, 2.5));
        p.drawRect(QRectF(6.75, 6.5, 2.5, 6.5));
        break;
    }
    }
}

const char* ThemeName(TMainImage image)
{
    switch (image) {
    case miChooseFiles: return "document-open";
    case miEncode: return "media-playback-start";
    case miDelete: return "edit-delete";
    case miClearList: return "edit-clear";
    case miOptions: return "preferences-system";
    case miAbout: return "help-about";
    case miAddFolder: return "folder";
    }
    return "";
}
} // namespace

QIcon DrawnMainImage(TMainImage image)
{
    QIcon icon;
    for (int scale : {1, 2}) {
        QPixmap pixmap(16 * scale, 16 * scale);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.scale(scale, scale);
        Draw(p, image);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon MainImage(TMainImage image)
{
    return QIcon::fromTheme(QLatin1String(ThemeName(image)), DrawnMainImage(image));
}
