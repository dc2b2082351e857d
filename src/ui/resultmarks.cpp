#include "ui/resultmarks.h"

#include "results/duplicategroups.h"
#include "results/filetype.h"
#include "results/resultjudge.h"
#include "ui/contrast.h"
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

// The tag and mark before a name, drawn once for each type and mark on a light and on a dark
// list.
const QPixmap &MarkPixmap(FileType type, Mark mark)
{
    static std::array<QPixmap, kFileTypeCount * 3 * 2> pixmaps;
    const QColor background = ListBackground();
    QPixmap &pixmap =
        pixmaps[(static_cast<std::size_t>(type) * 3 + static_cast<std::size_t>(mark)) * 2 +
                (IsDarkColour(background) ? 1 : 0)];
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

std::vector<std::size_t> Members(const ResultListModel &model, int row, bool merged)
{
    if (merged)
        return model.duplicates().members(static_cast<std::size_t>(row));
    return {static_cast<std::size_t>(row)};
}

ResultJudge::RowSource SourceOf(const ResultListModel &model)
{
    return [&model](std::size_t r) -> const ResultRow & { return model.row(static_cast<int>(r)); };
}

Mark MarkOf(const ResultListModel &model, int row, bool merged)
{
    if (model.judge().brokenLink(static_cast<std::size_t>(row)))
        return Mark::Broken;
    return ShownSuspicious(model, row, merged) ? Mark::Suspicious : Mark::None;
}

QString TypeText(const ResultListModel &model, int row)
{
    const ResultJudge &judge = model.judge();
    const auto r = static_cast<std::size_t>(row);
    const QString name = UiWord(FileTypeName(judge.type(r)));
    const std::string &extension = judge.extension(r);
    return extension.empty() ? name
                             : QCoreApplication::translate("jiujiu", "%1（.%2）")
                                   .arg(name, QString::fromStdString(extension));
}

QString WarningLines(const std::vector<Warning> &warnings)
{
    QStringList lines;
    for (const Warning &warning : warnings)
        lines << QStringLiteral("⚠ ") + QString::fromStdString(warning.text);
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
    const QString warnings = WarningLines(ShownWarnings(model, row, merged));
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
    return {kMarkLeft + 14, 16};
}

bool ShownSuspicious(const ResultListModel &model, int row, bool merged)
{
    const ResultJudge &judge = model.judge();
    for (std::size_t member : Members(model, row, merged))
        if (judge.suspicious(member))
            return true;
    return false;
}

std::vector<Warning> ShownWarnings(const ResultListModel &model, int row, bool merged)
{
    return model.judge().warnings(Members(model, row, merged), SourceOf(model));
}

QString ShownHint(const ResultListModel &model, int row, bool merged, bool withListings)
{
    std::vector<const ResultRow *> others;
    if (withListings && merged)
        for (std::size_t member : Members(model, row, merged))
            if (member != static_cast<std::size_t>(row))
                others.push_back(&model.row(static_cast<int>(member)));
    return QString::fromStdString(HintText(ShownWarnings(model, row, merged), others));
}

QStringList ListingLines(const ResultListModel &model, int row)
{
    QStringList lines;
    for (std::size_t member : Members(model, row, true)) {
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
    const ResultJudge &judge = model.judge();
    const bool broken = judge.brokenLink(static_cast<std::size_t>(row));
    switch (role) {
    case Qt::DecorationRole:
        if (column == NameColumn)
            return MarkPixmap(judge.type(static_cast<std::size_t>(row)),
                              MarkOf(model, row, merged));
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
            return UiWord(FileTypeName(judge.type(static_cast<std::size_t>(row))));
        if (column == ResultListModel::HintColumn)
            return ShownHint(model, row, merged, false);
        return {};
    case Qt::ToolTipRole:
        switch (column) {
        case NameColumn:
            return NameToolTip(model, row, merged);
        case LinkColumn:
            if (!broken)
                return {};
            return Isolated(model.cellText(row, LinkColumn)) + QLatin1Char('\n') +
                   QString::fromStdString(
                       BrokenLinkWarning(judge.linkProblem(static_cast<std::size_t>(row))).text);
        case ResultListModel::TypeColumn:
            return QCoreApplication::translate("jiujiu", "类型：") + TypeText(model, row);
        case ResultListModel::HintColumn:
            return WarningLines(ShownWarnings(model, row, merged));
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
            for (const Warning &warning : ShownWarnings(model, row, merged))
                warnings << QString::fromStdString(warning.text);
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

SortKey ResultMarkSortKey(const ResultListModel &model, int row, int column, bool merged)
{
    const auto r = static_cast<std::size_t>(row);
    if (column == ResultListModel::TypeColumn)
        return SortKey::Number(
            std::optional<std::uint64_t>(static_cast<std::uint64_t>(model.judge().type(r))));
    const std::uint64_t severity = model.judge().brokenLink(r)           ? 2
                                   : ShownSuspicious(model, row, merged) ? 1
                                                                         : 0;
    return SortKey::Number(std::optional<std::uint64_t>(severity));
}

} // namespace jiujiu
