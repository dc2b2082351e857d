// Draws the program's pictures: the two 440 x 84 logos (JPEG, written with libjpeg), the
// toolbar's four 16 x 16 images as one strip and the desktop icon (PNG, with alpha).
// Usage: jiujiu-imagegen OUTPUT_DIR   (run with QT_QPA_PLATFORM=offscreen)
//        jiujiu-imagegen --icons ROOT SIZE...   the desktop icon redrawn at each size, as
//        ROOT/SIZExSIZE/apps/jiujiu.png (a hicolor theme tree)

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QStringList>
#include <cstdio>
#include <jpeglib.h>
#include <memory>

namespace {

struct FileCloser
{
    void operator()(std::FILE *file) const { std::fclose(file); }
};

struct CompressDeleter
{
    void operator()(jpeg_compress_struct *info) const
    {
        jpeg_destroy_compress(info);
        delete info;
    }
};

bool WriteJpeg(const QImage &source, const QString &path)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.toLocal8Bit().constData(), "wb"));
    if (!file)
        return false;
    jpeg_error_mgr errors{};
    std::unique_ptr<jpeg_compress_struct, CompressDeleter> info(new jpeg_compress_struct{});
    info->err = jpeg_std_error(&errors); // default error_exit ends this tool, which is fine here
    jpeg_create_compress(info.get());
    jpeg_stdio_dest(info.get(), file.get());
    info->image_width = static_cast<JDIMENSION>(image.width());
    info->image_height = static_cast<JDIMENSION>(image.height());
    info->input_components = 3;
    info->in_color_space = JCS_RGB;
    jpeg_set_defaults(info.get());
    jpeg_set_quality(info.get(), 93, TRUE);
    jpeg_start_compress(info.get(), TRUE);
    while (info->next_scanline < info->image_height) {
        JSAMPROW row =
            const_cast<uchar *>(image.constScanLine(static_cast<int>(info->next_scanline)));
        jpeg_write_scanlines(info.get(), &row, 1);
    }
    jpeg_finish_compress(info.get());
    return true;
}

QFont Face(int pixels, bool bold)
{
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// A round chick: the program's mark.
void DrawChick(QPainter &p, QPointF centre, qreal r)
{
    QRadialGradient body(centre - QPointF(r * 0.3, r * 0.35), r * 1.3);
    body.setColorAt(0, QColor(0xFFF3A8));
    body.setColorAt(0.6, QColor(0xFFD23F));
    body.setColorAt(1, QColor(0xF2A516));
    p.setPen(QPen(QColor(0xD98A0B), r * 0.06));
    p.setBrush(body);
    p.drawEllipse(centre, r, r);
    // wing
    p.setBrush(QColor(0xF7B52C));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(centre.x() - r * 0.15, centre.y() + r * 0.05, r * 0.75, r * 0.5));
    // eye
    p.setBrush(QColor(0x2B2B2B));
    p.drawEllipse(centre + QPointF(-r * 0.28, -r * 0.2), r * 0.13, r * 0.13);
    p.setBrush(Qt::white);
    p.drawEllipse(centre + QPointF(-r * 0.32, -r * 0.25), r * 0.045, r * 0.045);
    // beak
    QPainterPath beak;
    beak.moveTo(centre + QPointF(-r * 0.78, -r * 0.02));
    beak.lineTo(centre + QPointF(-r * 1.18, r * 0.1));
    beak.lineTo(centre + QPointF(-r * 0.76, r * 0.24));
    beak.closeSubpath();
    p.setBrush(QColor(0xF26B1D));
    p.drawPath(beak);
    // cheek
    p.setBrush(QColor(255, 130, 120, 110));
    p.drawEllipse(centre + QPointF(-r * 0.45, r * 0.2), r * 0.14, r * 0.09);
    // tuft
    p.setPen(QPen(QColor(0xD98A0B), r * 0.07, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(centre.x() - r * 0.1, centre.y() - r * 1.25, r * 0.35, r * 0.5), 200 * 16,
              140 * 16);
}

QImage Logo(bool withText)
{
    QImage image(440, 84, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient sky(0, 0, 0, 84);
    sky.setColorAt(0, QColor(0xFFFFFF));
    sky.setColorAt(1, QColor(0xEEF5E4));
    p.fillRect(image.rect(), sky);
    // soft waves along the bottom
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(164, 185, 127, 50));
    QPainterPath wave;
    wave.moveTo(0, 70);
    wave.cubicTo(110, 58, 220, 86, 440, 64);
    wave.lineTo(440, 84);
    wave.lineTo(0, 84);
    wave.closeSubpath();
    p.drawPath(wave);
    if (!withText)
        return image;

    DrawChick(p, QPointF(62, 42), 27);
    DrawChick(p, QPointF(104, 50), 17);

    QLinearGradient ink(0, 10, 0, 60);
    ink.setColorAt(0, QColor(0x4E9A2E));
    ink.setColorAt(1, QColor(0x2F6B1A));
    p.setFont(Face(40, true));
    p.setPen(QPen(QBrush(ink), 1));
    p.drawText(QRectF(136, 4, 200, 52), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("啾啾神器"));
    p.setFont(Face(14, false));
    p.setPen(QColor(0x6F7F5A));
    p.drawText(QRectF(138, 54, 300, 22), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("BT种子 · 电驴资源 · 一搜即得"));
    // a badge on the right
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x0088FF));
    p.drawRoundedRect(QRectF(346, 18, 78, 26), 13, 13);
    p.setFont(Face(13, true));
    p.setPen(Qt::white);
    p.drawText(QRectF(346, 18, 78, 26), Qt::AlignCenter, QStringLiteral("QIKU+SQ"));
    return image;
}

void DrawHome(QPainter &p, QRectF r)
{
    QPainterPath roof;
    roof.moveTo(r.left() + 1, r.top() + 8);
    roof.lineTo(r.center().x(), r.top() + 1.5);
    roof.lineTo(r.right() - 1, r.top() + 8);
    p.setPen(QPen(QColor(0xC0392B), 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(roof);
    p.setPen(QPen(QColor(0x7A5230), 1));
    p.setBrush(QColor(0xF5DEB3));
    p.drawRect(QRectF(r.left() + 3.5, r.top() + 7.5, 9, 7));
    p.setBrush(QColor(0x2E86C1));
    p.drawRect(QRectF(r.left() + 6.5, r.top() + 10.5, 3, 4));
}

void DrawUpdate(QPainter &p, QRectF r)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x27AE60));
    p.drawEllipse(r.adjusted(0.5, 0.5, -0.5, -0.5));
    p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const qreal x = r.center().x();
    p.drawLine(QPointF(x, r.top() + 3.5), QPointF(x, r.bottom() - 4));
    p.drawLine(QPointF(x - 3.5, r.bottom() - 7.5), QPointF(x, r.bottom() - 4));
    p.drawLine(QPointF(x + 3.5, r.bottom() - 7.5), QPointF(x, r.bottom() - 4));
}

void DrawFeedback(QPainter &p, QRectF r)
{
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(r.left() + 0.5, r.top() + 1.5, 15, 10.5), 3, 3);
    QPainterPath tail;
    tail.moveTo(r.left() + 4, r.top() + 11);
    tail.lineTo(r.left() + 3.5, r.bottom() - 0.5);
    tail.lineTo(r.left() + 8.5, r.top() + 11);
    p.setPen(QPen(QColor(0xB9770E), 1));
    p.setBrush(QColor(0xF8C471));
    p.drawPath(bubble.united(tail));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x784212));
    for (int i = 0; i < 3; ++i)
        p.drawEllipse(QPointF(r.left() + 4.5 + i * 3.5, r.top() + 6.8), 1.1, 1.1);
}

void DrawSearch(QPainter &p, QRectF r)
{
    p.setPen(QPen(QColor(0x34495E), 2));
    p.setBrush(QColor(0xD6EAF8));
    p.drawEllipse(QRectF(r.left() + 1.5, r.top() + 1.5, 9, 9));
    p.setPen(QPen(QColor(0x34495E), 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(r.left() + 10, r.top() + 10), QPointF(r.right() - 1.5, r.bottom() - 1.5));
}

QImage ToolbarStrip()
{
    QImage strip(64, 16, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing);
    DrawUpdate(p, QRectF(0, 0, 16, 16));    // 0 获取新版
    DrawFeedback(p, QRectF(16, 0, 16, 16)); // 1 意见反馈
    DrawSearch(p, QRectF(32, 0, 16, 16));   // 2 (spare)
    DrawHome(p, QRectF(48, 0, 16, 16));     // 3 返回首页
    return strip;
}

// Drawn on a 64-unit grid and scaled, so every size is drawn, not resampled.
QImage Icon(int size = 64)
{
    QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    p.setPen(Qt::NoPen);
    QLinearGradient bg(0, 0, 0, 64);
    bg.setColorAt(0, QColor(0x8BC34A));
    bg.setColorAt(1, QColor(0x4E8A2B));
    p.setBrush(bg);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 14, 14);
    DrawChick(p, QPointF(36, 35), 19);
    return icon;
}

} // namespace

int WriteIcons(const QDir &root, const QStringList &sizes)
{
    bool ok = !sizes.isEmpty();
    for (const QString &text : sizes) {
        bool isNumber = false;
        const int size = text.toInt(&isNumber);
        if (!isNumber || size < 8 || size > 1024) {
            std::fprintf(stderr, "bad icon size: %s\n", qPrintable(text));
            return 2;
        }
        const QString dir = QStringLiteral("%1x%1/apps").arg(size);
        ok = root.mkpath(dir) && ok;
        ok = Icon(size).save(root.filePath(dir + QStringLiteral("/jiujiu.png"))) && ok;
    }
    return ok ? 0 : 1;
}

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc >= 3 && QByteArray(argv[1]) == "--icons") {
        QStringList sizes;
        for (int i = 3; i < argc; ++i)
            sizes << QString::fromLocal8Bit(argv[i]);
        return WriteIcons(QDir(QString::fromLocal8Bit(argv[2])), sizes);
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    bool ok = WriteJpeg(Logo(false), out.filePath(QStringLiteral("logo.jpg")));
    ok = WriteJpeg(Logo(true), out.filePath(QStringLiteral("logo1.jpg"))) && ok;
    ok = ToolbarStrip().save(out.filePath(QStringLiteral("toolbar.png"))) && ok;
    ok = Icon().save(out.filePath(QStringLiteral("jiujiu.png"))) && ok;
    return ok ? 0 : 1;
}
