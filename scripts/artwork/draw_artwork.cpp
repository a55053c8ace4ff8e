// Draws the main window's pictures into resources/pictures (run by scripts/draw-artwork.sh).
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>
#include <QImage>

namespace {

const QColor kBlue(16, 98, 154);
const QColor kLight(234, 244, 254);
const QColor kLine(200, 218, 238);
const QColor kRed(239, 61, 66);

QImage canvas(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void title(const QString& dir) {
    QImage image = canvas(1200, 46);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 1200, 0);
    g.setColorAt(0, Qt::white);
    g.setColorAt(0.55, kLight);
    g.setColorAt(1, QColor(214, 231, 248));
    p.fillRect(image.rect(), g);
    // soft waves on the right
    for (int i = 0; i < 4; ++i) {
        QPainterPath wave;
        wave.moveTo(520 + i * 60, 46);
        wave.cubicTo(700 + i * 60, 10 - i * 2, 900 + i * 40, 60, 1200, 8 + i * 9);
        QColor c = kLine;
        c.setAlpha(150 - i * 25);
        p.setPen(QPen(c, 2.0));
        p.drawPath(wave);
    }
    p.fillRect(QRect(0, 44, 1200, 2), kLine);
    image.save(dir + "/title.png");
}

void guide(const QString& dir) {
    QImage image = canvas(230, 115);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(image.rect(), Qt::white);
    QRadialGradient halo(90, 58, 90);
    halo.setColorAt(0, kLight);
    halo.setColorAt(1, Qt::white);
    p.setBrush(halo);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(95, 58), 92, 54);
    // back sheet
    p.save();
    p.translate(70, 18);
    p.rotate(-8);
    p.setPen(QPen(kLine, 1.5));
    p.setBrush(QColor(248, 251, 255));
    p.drawRect(QRectF(0, 0, 58, 76));
    p.restore();
    // front sheet with lines and a check mark
    p.setPen(QPen(kBlue, 1.6));
    p.setBrush(Qt::white);
    QPainterPath sheet;
    sheet.moveTo(84, 16);
    sheet.lineTo(132, 16);
    sheet.lineTo(146, 30);
    sheet.lineTo(146, 100);
    sheet.lineTo(84, 100);
    sheet.closeSubpath();
    p.drawPath(sheet);
    p.drawLine(QPointF(132, 16), QPointF(132, 30));
    p.drawLine(QPointF(132, 30), QPointF(146, 30));
    p.setPen(QPen(kLine, 3, Qt::SolidLine, Qt::RoundCap));
    for (int y = 40; y <= 88; y += 12) {
        p.drawLine(QPointF(104, y), QPointF(138, y));
    }
    for (int i = 0; i < 5; ++i) {
        const QRectF box(90, 36 + i * 12, 8, 8);
        p.setPen(QPen(kBlue, 1.2));
        p.setBrush(Qt::white);
        p.drawRect(box);
        if (i != 2) {
            p.setPen(QPen(i == 4 ? kRed : kBlue, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            QPainterPath tick;
            tick.moveTo(box.left() + 1.5, box.top() + 4);
            tick.lineTo(box.left() + 3.5, box.bottom() - 1.5);
            tick.lineTo(box.right() + 1.5, box.top() - 1);
            p.setBrush(Qt::NoBrush);
            p.drawPath(tick);
        }
    }
    // pen
    p.save();
    p.translate(160, 92);
    p.rotate(-50);
    p.setPen(QPen(kBlue, 1.2));
    p.setBrush(kBlue);
    p.drawRect(QRectF(0, -4, 50, 8));
    p.setBrush(kRed);
    p.drawRect(QRectF(44, -4, 8, 8));
    p.setBrush(QColor(250, 226, 180));
    QPainterPath tip;
    tip.moveTo(0, -4);
    tip.lineTo(-11, 0);
    tip.lineTo(0, 4);
    tip.closeSubpath();
    p.drawPath(tip);
    p.restore();
    image.save(dir + "/guide.png");
}

QImage icon() {
    return canvas(24, 24);
}

void step1(const QString& dir) { // identification card
    QImage image = icon();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kBlue, 1.5));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(1.5, 4.5, 21, 15), 2, 2);
    p.setBrush(kBlue);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(4.5, 7.5, 6, 6));
    p.drawChord(QRectF(3.5, 13, 8, 8), 0, 180 * 16);
    p.setPen(QPen(kBlue, 1.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(13.5, 9.5), QPointF(19.5, 9.5));
    p.drawLine(QPointF(13.5, 13), QPointF(19.5, 13));
    p.drawLine(QPointF(13.5, 16.5), QPointF(17.5, 16.5));
    image.save(dir + "/step1.png");
}

void step2(const QString& dir) { // documents
    QImage image = icon();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kBlue, 1.3));
    p.setBrush(kLight);
    p.drawRect(QRectF(7.5, 1.5, 14, 17));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(2.5, 5.5, 14, 17));
    p.setPen(QPen(kBlue, 1.3, Qt::SolidLine, Qt::RoundCap));
    for (int y = 10; y <= 18; y += 4)
        p.drawLine(QPointF(5.5, y), QPointF(13.5, y));
    image.save(dir + "/step2.png");
}

void step3(const QString& dir) { // envelope with an arrow
    QImage image = icon();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kBlue, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 6.5, 17, 12));
    p.drawLine(QPointF(1.5, 6.5), QPointF(10, 13));
    p.drawLine(QPointF(18.5, 6.5), QPointF(10, 13));
    p.setPen(QPen(kRed, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(14, 3), QPointF(22, 3));
    p.drawLine(QPointF(19, 0.5), QPointF(22, 3));
    p.drawLine(QPointF(19, 5.5), QPointF(22, 3));
    image.save(dir + "/step3.png");
}

void exitIcon(const QString& dir) { // power symbol
    QImage image = icon();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kRed, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(4, 4.5, 16, 16), 120 * 16, 300 * 16);
    p.drawLine(QPointF(12, 2.5), QPointF(12, 11));
    image.save(dir + "/exit.png");
}

void arrow(const QString& dir, const QString& name, bool right) {
    QImage image = icon();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    QLinearGradient g(0, 0, 0, 24);
    g.setColorAt(0, QColor(48, 134, 196));
    g.setColorAt(1, kBlue);
    p.setBrush(g);
    p.drawEllipse(QRectF(1, 1, 22, 22));
    p.setPen(QPen(Qt::white, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    if (right) {
        path.moveTo(10, 7);
        path.lineTo(15, 12);
        path.lineTo(10, 17);
    } else {
        path.moveTo(14, 7);
        path.lineTo(9, 12);
        path.lineTo(14, 17);
    }
    p.drawPath(path);
    image.save(dir + "/" + name + ".png");
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    title(dir);
    guide(dir);
    step1(dir);
    step2(dir);
    step3(dir);
    exitIcon(dir);
    arrow(dir, "back", false);
    arrow(dir, "next", true);
    return 0;
}
