#include "ui/jpegdecoder.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <gtest/gtest.h>
#include <string>

using namespace jiujiu;

namespace {

std::string ReadResource(const char *path)
{
    QFile file(QString::fromUtf8(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().toStdString();
}

QByteArray EncodeWithQt(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 90);
    return bytes;
}

} // namespace

TEST(JpegDecoder, DecodesTheLogosLikeQtsOwnReader)
{
    for (const char *path : {":/jiujiu/logo.jpg", ":/jiujiu/logo1.jpg"}) {
        SCOPED_TRACE(path);
        const std::string bytes = ReadResource(path);
        ASSERT_FALSE(bytes.empty());
        const QImage ours = DecodeJpeg(bytes);
        ASSERT_EQ(ours.size(), QSize(440, 84));
        const QImage reference = QImage::fromData(QByteArray::fromStdString(bytes), "JPG")
                                     .convertToFormat(QImage::Format_RGB32);
        if (reference.isNull())
            GTEST_SKIP() << "Qt's JPEG plugin is not installed";
        int differing = 0;
        for (int y = 0; y < 84; ++y) {
            for (int x = 0; x < 440; ++x) {
                const QRgb a = ours.pixel(x, y), b = reference.pixel(x, y);
                differing += std::abs(qRed(a) - qRed(b)) > 2 ||
                             std::abs(qGreen(a) - qGreen(b)) > 2 ||
                             std::abs(qBlue(a) - qBlue(b)) > 2;
            }
        }
        EXPECT_EQ(differing, 0);
    }
}

TEST(JpegDecoder, CorruptInputGivesNoPicture)
{
    QImage source(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            source.setPixel(x, y, qRgb(x * 4, y * 5, (x ^ y) * 3));
    const QByteArray whole = EncodeWithQt(source);
    if (whole.isEmpty())
        GTEST_SKIP() << "Qt's JPEG plugin is not installed";
    const std::string good = whole.toStdString();
    ASSERT_EQ(DecodeJpeg(good).size(), QSize(64, 48));

    struct Row
    {
        const char *what;
        std::string bytes;
    } rows[] = {
        {"empty", ""},
        {"not a JPEG", "GIF89a......................"},
        {"header only", good.substr(0, 200)},
        {"cut in the middle", good.substr(0, good.size() / 2)},
        {"cut before the end marker", good.substr(0, good.size() - 2)},
        {"start marker only", "\xFF\xD8\xFF"},
    };
    for (const Row &row : rows)
        EXPECT_TRUE(DecodeJpeg(row.bytes).isNull()) << row.what;

    // Any truncation is a clean failure, never a crash.
    int truncations = 0;
    for (std::size_t n = 0; n + 2 < good.size(); n += 7, ++truncations)
        EXPECT_TRUE(DecodeJpeg(good.substr(0, n)).isNull()) << n;
    EXPECT_GT(truncations, 20);

    // A header that asks for an absurd size.
    std::string huge = good;
    const std::size_t sof = huge.find("\xFF\xC0", 2);
    ASSERT_NE(sof, std::string::npos);
    huge[sof + 5] = '\x7F', huge[sof + 6] = '\xFF'; // height 32767
    huge[sof + 7] = '\x7F', huge[sof + 8] = '\xFF'; // width 32767
    EXPECT_TRUE(DecodeJpeg(huge).isNull());
}
