#include "ui/rowstatusstyle.h"

#include <algorithm>
#include <cmath>

namespace jiujiu {
namespace {

double Linear(double channel)
{
    return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor &c)
{
    return 0.2126 * Linear(c.redF()) + 0.7152 * Linear(c.greenF()) + 0.0722 * Linear(c.blueF());
}

QColor Mixed(const QColor &from, const QColor &to, double share)
{
    const auto mix = [share](int a, int b) {
        return static_cast<int>(std::lround(a + (b - a) * share));
    };
    return QColor(mix(from.red(), to.red()), mix(from.green(), to.green()),
                  mix(from.blue(), to.blue()));
}

} // namespace

double ContrastRatio(const QColor &a, const QColor &b)
{
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor RowStatusColour(RowStatus status, const QColor &background)
{
    QColor colour;
    switch (status) {
    case RowStatus::New:
        return {};
    case RowStatus::Known:
        colour = QColor(0x1B, 0x7A, 0x1B);
        break;
    case RowStatus::Downloading:
        colour = QColor(0xC0, 0x10, 0x10);
        break;
    case RowStatus::Cancelled:
        colour = QColor(0x6B, 0x6B, 0x6B);
        break;
    case RowStatus::HandedOver:
        colour = QColor(0x9A, 0x52, 0x00);
        break;
    }
    // Towards black on a light list, towards white on a dark one, keeping the hue as long as
    // it can.
    const QColor target = Luminance(background) > 0.18 ? QColor(Qt::black) : QColor(Qt::white);
    for (int step = 1; step <= 10 && ContrastRatio(colour, background) < kLegibleContrast; ++step)
        colour = Mixed(colour, target, 0.2);
    return ContrastRatio(colour, background) < kLegibleContrast ? target : colour;
}

QString RowStatusToolTip(const RowMark &mark)
{
    switch (mark.status) {
    case RowStatus::New:
        return {};
    case RowStatus::Known:
        return QStringLiteral("已有：ed2k 客户端里已有这个文件（下载过或正在共享）");
    case RowStatus::Downloading:
        if (mark.donePermille)
            return QStringLiteral("下载中：ed2k 客户端正在下载这个文件，已完成 %1%")
                .arg(*mark.donePermille / 10.0, 0, 'f', 1);
        return QStringLiteral("下载中：ed2k 客户端正在下载这个文件");
    case RowStatus::Cancelled:
        return QStringLiteral("已取消：这个文件曾在 ed2k 客户端里取消下载");
    case RowStatus::HandedOver:
        return QStringLiteral("已交给客户端：这次已把链接交给 ed2k 客户端，它的下载列表里还没有");
    }
    return {};
}

} // namespace jiujiu
