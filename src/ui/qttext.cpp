#include "ui/qttext.h"

#include "results/directioncontrols.h"
#include "runtime/codepage.h"

#include <QCoreApplication>
#include <algorithm>
#include <string>

namespace jiujiu {

namespace {

bool IsAscii(std::string_view bytes)
{
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

QString ToQString(std::string_view text)
{
    if (text.empty())
        return {};
    // Serial numbers, sizes and counts: ASCII is the same in both encodings.
    if (IsAscii(text))
        return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    const std::string utf8 = TextToUtf8(text);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

Text ToRuntimeText(const QString &text)
{
    if (text.isEmpty())
        return {};
    const QByteArray utf8 = text.toUtf8();
    if (IsAscii(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size()))))
        return utf8.toStdString();
    return Utf8ToText(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

QString Isolated(const QString &text)
{
    if (text.isEmpty())
        return text;
    return QChar(0x2068) + text + QChar(0x2069);
}

QString WithVisibleControls(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    return QString::fromStdString(WithVisibleDirectionControls(
        std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size()))));
}

// The words the core gives the window, for the translations.
[[maybe_unused]] constexpr const char *kCoreWords[] = {
    QT_TRANSLATE_NOOP("jiujiu", "视频"),         QT_TRANSLATE_NOOP("jiujiu", "音频"),
    QT_TRANSLATE_NOOP("jiujiu", "图片"),         QT_TRANSLATE_NOOP("jiujiu", "文档"),
    QT_TRANSLATE_NOOP("jiujiu", "压缩包"),       QT_TRANSLATE_NOOP("jiujiu", "光盘镜像"),
    QT_TRANSLATE_NOOP("jiujiu", "程序"),         QT_TRANSLATE_NOOP("jiujiu", "其他"),
    QT_TRANSLATE_NOOP("jiujiu", "新"),           QT_TRANSLATE_NOOP("jiujiu", "已有"),
    QT_TRANSLATE_NOOP("jiujiu", "下载中"),       QT_TRANSLATE_NOOP("jiujiu", "已取消"),
    QT_TRANSLATE_NOOP("jiujiu", "已交给客户端"),
};

QString UiWord(std::string_view utf8)
{
    return QCoreApplication::translate("jiujiu", std::string(utf8).c_str());
}

} // namespace jiujiu
