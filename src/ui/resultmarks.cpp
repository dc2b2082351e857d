#include "ui/resultmarks.h"

#include "results/filetype.h"
#include "results/resultlist.h"
#include "ui/contrast.h"
#include "ui/coretexts.h"
#include "ui/markcolours.h"
#include "ui/qttext.h"
#include "ui/resultlistmodel.h"

#include <QColor>
#include <QCoreApplication>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <array>

namespace jiujiu {
namespace {

enum class Mark
{
    None,
    Suspicious,
    Broken,
};

QString TagOf(FileType type)
{
    // Short words: the tag is 28 pixels wide.
    static constexpr struct
    {
        const char *source;
        const char *comment;
    } tags[kFileTypeCount] = {
        QT_TRANSLATE_NOOP3("jiujiu", "视频", "tag"), QT_TRANSLATE_NOOP3("jiujiu", "音频", "tag"),
        QT_TRANSLATE_NOOP3("jiujiu", "图片", "tag"), QT_TRANSLATE_NOOP3("jiujiu", "文档", "tag"),
        QT_TRANSLATE_NOOP3("jiujiu", "压缩", "tag"), QT_TRANSLATE_NOOP3("jiujiu", "镜像", "tag"),
        QT_TRANSLATE_NOOP3("jiujiu", "程序", "tag"), QT_TRANSLATE_NOOP3("jiujiu", "其他", "tag"),
    };
    const auto &tag = tags[static_cast<std::size_t>(type)];
    return QCoreApplication::translate("jiujiu", tag.source, tag.comment);
}

QColor ListBackground()
{
    return QGuiApplication::palette().color(QPalette::Base);
}

constexpr int kTagWidth = 28;
constexpr int kMarkLeft = 31;
// The 新 tag after the mark, on rows new since the saved search last ran.
constexpr int kNewLeft = kMarkLeft + 16;
constexpr int kNewWidth = 16;

// The tag and mark before a name, drawn once for each type and mark on a light and on a dark
// list.
const QPixmap &MarkPixmap(FileType type, Mark mark, bool fresh)
{
    static std::array<QPixmap, kFileTypeCount * 3 * 2 * 2> pixmaps;
    const QColor background = ListBackground();
    QPixmap &pixmap =
        pixmaps[((static_cast<std::size_t>(type) * 3 + static_cast<std::size_t>(mark)) * 2 +
                 (IsDarkColour(background) ? 1 : 0)) *
                    2 +
                (fresh ? 1 : 0)];
    if (!pixmap.isNull())
        return pixmap;
    const QSize size = ResultMarkSize();
    pixmap = QPixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = painter.font();
    font.setPixelSize(10);
    painter.setFont(font);
    const BadgeColours tagColours = TypeTagColours(type, background);
    const QRectF tag(0.5, 1.5, kTagWidth, size.height() - 3);
    painter.setPen(Qt::NoPen);
    painter.setBrush(tagColours.fill);
    painter.drawRoundedRect(tag, 3, 3);
    painter.setPen(tagColours.text);
    painter.drawText(tag, Qt::AlignCenter, TagOf(type));
    if (fresh) {
        const BadgeColours newColours = NewTagColours(background);
        const QRectF newTag(kNewLeft + 0.5, 1.5, kNewWidth, size.height() - 3);
        painter.setPen(Qt::NoPen);
        painter.setBrush(newColours.fill);
        painter.drawRoundedRect(newTag, 3, 3);
        painter.setPen(newColours.text);
        painter.drawText(newTag, Qt::AlignCenter,
                         QCoreApplication::translate("jiujiu", "新", "tag"));
    }
    if (mark == Mark::None)
        return pixmap;

    const QRectF sign(kMarkLeft + 0.5, 1.5, size.height() - 3, size.height() - 3);
    const BadgeColours signColours = WarningSignColours(
        mark == Mark::Broken ? WarningSign::Broken : WarningSign::Suspicious, background);
    painter.setPen(Qt::NoPen);
    painter.setBrush(signColours.fill);
    if (mark == Mark::Broken) {
        painter.drawEllipse(sign);
    } else {
        QPainterPath triangle;
        triangle.moveTo(sign.center().x(), sign.top());
        triangle.lineTo(sign.right(), sign.bottom());
        triangle.lineTo(sign.left(), sign.bottom());
        triangle.closeSubpath();
        painter.drawPath(triangle);
    }
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(signColours.text);
    painter.drawText(sign.adjusted(0, mark == Mark::Broken ? 0 : 2, 0, 0), Qt::AlignCenter,
                     mark == Mark::Broken ? QStringLiteral("×") : QStringLiteral("!"));
    return pixmap;
}

Mark MarkOf(const ResultList &list, std::size_t row, bool merged)
{
    if (list.brokenLink(row))
        return Mark::Broken;
    return list.suspicious(row, merged) ? Mark::Suspicious : Mark::None;
}

QString TypeText(const ResultListModel &model, int row)
{
    const ResultList &list = model.list();
    const auto r = static_cast<std::size_t>(row);
    const QString name = UiWord(FileTypeName(list.type(r)));
    const std::string &extension = list.extension(r);
    return extension.empty() ? name
                             : QCoreApplication::translate("jiujiu", "%1（.%2）")
                                   .arg(name, QString::fromStdString(extension));
}

QString WarningLines(const std::vector<Warning> &warnings)
{
    QStringList lines;
    for (const Warning &warning : warnings)
        lines << QStringLiteral("⚠ ") + InterfaceText(warning.text);
    return lines.join(QLatin1Char('\n'));
}

QString NameToolTip(const ResultListModel &model, int row, bool merged)
{
    const QString name = model.cellText(row, NameColumn);
    QStringList lines{Isolated(name)};
    // What the direction controls hide: the name as it really runs, the controls spelt out.
    if (const QString visible = WithVisibleControls(name); visible != name)
        lines << QCoreApplication::translate("jiujiu", "实际的字符：") + Isolated(visible);
    lines << QCoreApplication::translate("jiujiu", "类型：") + TypeText(model, row);
    const QString warnings =
        WarningLines(model.list().warnings(static_cast<std::size_t>(row), merged));
    if (!warnings.isEmpty())
        lines << warnings;
    if (merged && model.duplicates().copies(static_cast<std::size_t>(row)) > 1) {
        // A tool tip shows the first listings; the dialog of 查看全部名称 shows them all.
        constexpr qsizetype kShown = 15;
        const QStringList listings = ListingLines(model, row);
        lines
            << QCoreApplication::translate("jiujiu", "同一文件列出了 %1 次：").arg(listings.size());
        lines << listings.mid(0, kShown);
        if (listings.size() > kShown)
            lines << QCoreApplication::translate("jiujiu", "……还有 %1 次，见右键菜单“查看全部名称”")
                         .arg(listings.size() - kShown);
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

QSize ResultMarkSize()
{
    return {kNewLeft + kNewWidth + 1, 16};
}

QStringList ListingLines(const ResultListModel &model, int row)
{
    QStringList lines;
    for (std::size_t member : model.list().members(static_cast<std::size_t>(row), true)) {
        const int m = static_cast<int>(member);
        lines << QCoreApplication::translate("jiujiu", "序号 %1  %2  （资源 %3）")
                     .arg(model.cellText(m, SerialColumn), Isolated(model.cellText(m, NameColumn)),
                          model.cellText(m, SourcesColumn));
    }
    return lines;
}

QVariant ResultMarkData(const ResultListModel &model, int row, int column, int role, bool merged)
{
    if (row < 0 || row >= model.count())
        return {};
    const ResultList &list = model.list();
    const auto r = static_cast<std::size_t>(row);
    const bool broken = list.brokenLink(r);
    switch (role) {
    case Qt::DecorationRole:
        if (column == NameColumn)
            return MarkPixmap(list.type(r), MarkOf(list, r, merged), list.isNew(r));
        return {};
    case Qt::ForegroundRole:
        // A broken link's row is greyed: there is nothing to download.
        return broken ? QVariant(BrokenRowColour(QGuiApplication::palette())) : QVariant();
    case Qt::FontRole:
        if (broken && column == LinkColumn) {
            QFont struck; // only strike-out is set: the view's font gives the rest
            struck.setStrikeOut(true);
            return struck;
        }
        return {};
    case Qt::DisplayRole:
        if (column == ResultListModel::TypeColumn)
            return UiWord(FileTypeName(list.type(r)));
        if (column == ResultListModel::HintColumn)
            return InterfaceHint(list.warnings(r, merged));
        return {};
    case Qt::ToolTipRole:
        switch (column) {
        case NameColumn:
            return NameToolTip(model, row, merged);
        case LinkColumn:
            if (!broken)
                return {};
            return Isolated(model.cellText(row, LinkColumn)) + QLatin1Char('\n') +
                   InterfaceText(BrokenLinkWarning(model.row(row).link().problem).text);
        case ResultListModel::TypeColumn:
            return QCoreApplication::translate("jiujiu", "类型：") + TypeText(model, row);
        case ResultListModel::HintColumn:
            return WarningLines(list.warnings(r, merged));
        default:
            return {};
        }
    case Qt::AccessibleTextRole:
        // What a screen reader says of the name: the marks and colours in words.
        if (column == NameColumn) {
            QStringList parts{model.cellText(row, NameColumn),
                              QCoreApplication::translate("jiujiu", "类型：") +
                                  TypeText(model, row)};
            QStringList warnings;
            for (const Warning &warning : list.warnings(r, merged))
                warnings << InterfaceText(warning.text);
            if (!warnings.isEmpty())
                parts << QCoreApplication::translate("jiujiu", "提示：") +
                             warnings.join(QCoreApplication::translate("jiujiu", "；"));
            return parts.join(QCoreApplication::translate("jiujiu", "，"));
        }
        return {};
    case Qt::TextAlignmentRole:
        if (column >= ResultListModel::ColumnCount)
            return Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter).toInt();
        return {};
    default:
        return {};
    }
}

} // namespace jiujiu
