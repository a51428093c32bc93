// Draws the program's own pictures: the start-up picture, the demo template's and those of the two PC
// editions. They are PNG
// images under the ".dat" names the launcher looks for, and are recognised by their content.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

// The launcher's picture box is 4815 x 3615 twips.
constexpr int kWidth = 321;
constexpr int kHeight = 241;

QFont font(int pixels, bool bold) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

void drawCartridge(QPainter& p, QRectF box, QColor body, QColor label) {
    p.setPen(QPen(body.darker(160), 3));
    p.setBrush(body);
    QPainterPath shape;
    shape.addRoundedRect(box, 10, 10);
    p.drawPath(shape);
    p.setBrush(label);
    p.drawRoundedRect(box.adjusted(18, 18, -18, -box.height() * 0.45), 6, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(body.darker(130));
    for (int i = 0; i < 8; ++i) {
        p.drawRect(QRectF(box.left() + 22 + i * (box.width() - 44) / 8.0, box.bottom() - 20, 8, 14));
    }
}

// Shown before a file is loaded and for a file without a template, so it says only whose program this is.
QImage romquill() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, kHeight);
    sky.setColorAt(0, QColor(40, 44, 70));
    sky.setColorAt(1, QColor(90, 96, 130));
    p.fillRect(image.rect(), sky);
    drawCartridge(p, QRectF(70, 34, 130, 126), QColor(110, 112, 120), QColor(200, 204, 214));
    // A quill writing on the cartridge's label.
    QPainterPath feather;
    feather.moveTo(150, 120);
    feather.cubicTo(180, 70, 230, 30, 262, 22);
    feather.cubicTo(250, 60, 210, 100, 150, 120);
    p.setPen(QPen(QColor(120, 90, 40), 2));
    p.setBrush(QColor(245, 235, 205));
    p.drawPath(feather);
    p.drawLine(QPointF(150, 120), QPointF(240, 40));
    p.setPen(Qt::white);
    p.setFont(font(26, true));
    p.drawText(QRectF(0, 166, kWidth, 36), Qt::AlignCenter, QStringLiteral("Romquill"));
    p.setFont(font(12, false));
    p.setPen(QColor(210, 214, 230));
    p.drawText(QRectF(0, 204, kWidth, 24), Qt::AlignCenter, QStringLiteral("Game text translation"));
    return image;
}

// The demo template's own picture: its made-up file's menu and a line of dialogue.
QImage demo() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, kHeight);
    sky.setColorAt(0, QColor(30, 110, 90));
    sky.setColorAt(1, QColor(120, 190, 150));
    p.fillRect(image.rect(), sky);
    p.setPen(QPen(QColor(20, 40, 30), 2));
    p.setBrush(QColor(20, 30, 40));
    p.drawRoundedRect(QRectF(40, 24, 240, 130), 8, 8);
    p.setFont(font(14, true));
    p.setPen(QColor(250, 230, 120));
    p.drawText(QRectF(60, 36, 200, 22), Qt::AlignLeft, QStringLiteral("> START"));
    p.setPen(QColor(230, 235, 240));
    p.drawText(QRectF(60, 60, 200, 22), Qt::AlignLeft, QStringLiteral("  OPTIONS"));
    p.setFont(font(12, false));
    p.drawText(QRectF(60, 100, 200, 44), Qt::AlignLeft | Qt::TextWordWrap,
               QStringLiteral("\u201cWelcome to the demo!\u201d"));
    p.setPen(Qt::white);
    p.setFont(font(24, true));
    p.drawText(QRectF(0, 166, kWidth, 36), Qt::AlignCenter, QStringLiteral("Romquill Demo"));
    p.setFont(font(12, false));
    p.drawText(QRectF(0, 204, kWidth, 24), Qt::AlignCenter,
               QStringLiteral("A made-up file to try the editor"));
    return image;
}

QImage pcEdition(const QString& edition, QColor accent) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, kHeight);
    sky.setColorAt(0, QColor(60, 140, 230));
    sky.setColorAt(0.6, QColor(150, 210, 250));
    sky.setColorAt(0.61, QColor(20, 90, 170));
    sky.setColorAt(1, QColor(10, 50, 110));
    p.fillRect(image.rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 240, 150));
    p.drawEllipse(QPointF(260, 50), 28, 28);
    // A window frame: the PC edition.
    p.setBrush(QColor(235, 238, 245));
    p.setPen(QPen(QColor(40, 50, 70), 2));
    p.drawRoundedRect(QRectF(40, 40, 170, 110), 6, 6);
    p.setBrush(accent);
    p.drawRect(QRectF(40, 40, 170, 18));
    p.setPen(QColor(30, 40, 60));
    p.setFont(font(15, true));
    p.drawText(QRectF(40, 62, 170, 40), Qt::AlignCenter, QStringLiteral("Adventure DX"));
    p.setFont(font(13, false));
    p.drawText(QRectF(40, 100, 170, 40), Qt::AlignCenter, QStringLiteral("PC executable"));
    p.setPen(Qt::white);
    p.setFont(font(26, true));
    p.drawText(QRectF(0, 165, kWidth, 40), Qt::AlignCenter, edition);
    p.setFont(font(12, false));
    p.drawText(QRectF(0, 205, kWidth, 24), Qt::AlignCenter, QStringLiteral("Cutscene and message texts"));
    return image;
}

bool save(const QImage& image, const QDir& folder, const QString& name) {
    const QString path = folder.filePath(name);
    // PNG content under the ".dat" name.
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: romquill-make-pictures GFX-FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    const bool ok = save(romquill(), folder, QStringLiteral("norom.dat")) &&
                    save(demo(), folder, QStringLiteral("demo.dat")) &&
                    save(pcEdition(QStringLiteral("Edition (E)"), QColor(40, 90, 200)), folder,
                         QStringLiteral("pc-sadx-eng.dat")) &&
                    save(pcEdition(QStringLiteral("Edition (J)"), QColor(200, 50, 60)), folder,
                         QStringLiteral("pc-sadx-jap.dat"));
    return ok ? 0 : 1;
}
