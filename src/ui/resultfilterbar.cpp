#include "ui/resultfilterbar.h"

#include "results/filetype.h"
#include "results/filtergrammar.h"
#include "results/resultfilter.h"
#include "results/sizetext.h"
#include "ui/interfacelanguage.h"
#include "ui/markcolours.h"
#include "ui/qttext.h"
#include "ui/resultlistproxy.h"
#include "ui/rowstatusstyle.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidgetAction>
#include <algorithm>

namespace jiujiu {
namespace {

// Red text on a reddened field, and the "invalid" property the style sheets of the visual
// style and the skin draw a red frame for: red under any look.
void MarkBad(QLineEdit *field, bool bad)
{
    if (field->property("invalid").toBool() == bad)
        return;
    const QPalette plain;
    QPalette palette = field->palette();
    palette.setColor(QPalette::Text, bad ? FieldErrorColour(plain) : plain.color(QPalette::Text));
    const QColor base = plain.color(QPalette::Base);
    const QColor red = FieldErrorColour(plain);
    palette.setColor(QPalette::Base, bad ? QColor((base.red() * 5 + red.red()) / 6,
                                                  (base.green() * 5 + red.green()) / 6,
                                                  (base.blue() * 5 + red.blue()) / 6)
                                         : base);
    field->setPalette(palette);
    field->setProperty("invalid", bad);
    field->style()->unpolish(field);
    field->style()->polish(field);
    field->update();
}

// What a size field takes: digits, separators, blanks and the letters of a unit (700MB,
// 1.5 GB, 1,024 B, 2GiB, 3 字节); a letter outside them is refused as it is typed.
QValidator *SizeValidator(QObject *parent)
{
    return new QRegularExpressionValidator(
        QRegularExpression(
            QStringLiteral("^[0-9０-９.,，．\\s]*[kKmMgGtTpPeE]?[iI]?[bB]?(字节)?\\s*$")),
        parent);
}

// The size in a bound field, or none when it is empty or does not read as a size (which the
// field then shows in red).
std::optional<std::uint64_t> BoundOf(QLineEdit *field)
{
    const QString text = field->text().trimmed();
    const auto bytes = text.isEmpty() ? std::nullopt : ParseSizeText(text.toUtf8().toStdString());
    MarkBad(field, !text.isEmpty() && !bytes);
    return bytes;
}

FilterLanguage InterfaceFilterLanguage()
{
    return InterfaceIsEnglish() ? FilterLanguage::English : FilterLanguage::Chinese;
}

QString FilterHelp()
{
    QString help = QString::fromUtf8(FilterHelpText(InterfaceFilterLanguage(), {}));
    help.chop(1); // the last line's end
    return help;
}

// Why a term of the filter box is not a bound, for its tool tip.
QString FilterErrorToolTip(const ResultFilter::Error &error)
{
    return QCoreApplication::translate("jiujiu",
                                       "筛选词“%1”有误：%2\n列表仍按上一次有效的筛选显示。")
        .arg(QString::fromUtf8(error.term),
             QString::fromUtf8(error.reasonText(InterfaceFilterLanguage())));
}

QLabel *SmallLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

void ResultFilterBar::updateOptionsButton()
{
    // What is on, at a glance: the button's tip lists it, and hiding makes the button bold.
    QStringList on;
    for (const QCheckBox *toggle : {m_merge, m_hideSuspicious, m_hideKnown})
        if (toggle->isChecked())
            on << toggle->text();
    m_options->setToolTip(on.isEmpty() ? QCoreApplication::translate(
                                             "jiujiu", "合并重复、隐藏可疑、隐藏已有：都没有打开")
                                       : QCoreApplication::translate("jiujiu", "已打开：") +
                                             on.join(QCoreApplication::translate("jiujiu", "、")));
    QFont font = m_options->font();
    font.setBold(m_hideSuspicious->isChecked() || m_hideKnown->isChecked());
    m_options->setFont(font);
}

ResultFilterBar::ResultFilterBar(ResultListProxy *proxy, QWidget *parent)
    : QWidget(parent), m_proxy(proxy), m_expression(std::make_unique<ResultFilter>()),
      m_text(new QLineEdit(this)), m_minSize(new QLineEdit(this)), m_maxSize(new QLineEdit(this)),
      m_minSources(new QSpinBox(this)),
      m_merge(new QCheckBox(QCoreApplication::translate("jiujiu", "合并重复"), this)),
      m_status(new QLabel(this)), m_typing(new QTimer(this)), m_statusUpdate(new QTimer(this)),
      m_type(new QComboBox(this)),
      m_hideSuspicious(new QCheckBox(QCoreApplication::translate("jiujiu", "隐藏可疑"), this)),
      m_hideKnown(new QCheckBox(QCoreApplication::translate("jiujiu", "隐藏已有"), this)),
      m_options(new QToolButton(this)), m_problem(new QLabel(parent)),
      m_problemTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("筛选栏"));
    m_text->setObjectName(QStringLiteral("筛选框"));
    m_text->setPlaceholderText(
        QCoreApplication::translate("jiujiu", "筛选 (Ctrl+F)：词语 -排除 \"短语\" size>=1GB"));
    m_text->setClearButtonEnabled(true);
    m_text->setToolTip(FilterHelp());

    m_minSize->setObjectName(QStringLiteral("最小大小"));
    m_maxSize->setObjectName(QStringLiteral("最大大小"));
    for (QLineEdit *field : {m_minSize, m_maxSize}) {
        field->setFixedWidth(58);
        field->setToolTip(
            QCoreApplication::translate("jiujiu", "大小范围，如 700MB、1.5GB；空着不限"));
    }
    m_minSize->setPlaceholderText(QCoreApplication::translate("jiujiu", "最小大小"));
    m_maxSize->setPlaceholderText(QCoreApplication::translate("jiujiu", "最大大小"));

    for (QLineEdit *field : {m_minSize, m_maxSize}) {
        field->setValidator(SizeValidator(field));
        connect(field, &QLineEdit::inputRejected, this, [this, field] {
            showProblem(QCoreApplication::translate("jiujiu", "%1只能写数字和单位，如 700MB、1.5GB")
                            .arg(field->placeholderText()),
                        true);
        });
    }

    m_problem->setObjectName(QStringLiteral("筛选提示"));
    m_problem->setTextFormat(Qt::PlainText);
    m_problem->hide();
    m_problemTimer->setSingleShot(true);
    m_problemTimer->setInterval(RefusedInputShownMs);
    connect(m_problemTimer, &QTimer::timeout, this, [this] { showProblem(m_expressionError); });

    m_minSources->setObjectName(QStringLiteral("最少资源数"));
    m_minSources->setRange(0, 999999);
    m_minSources->setPrefix(QCoreApplication::translate("jiujiu", "资源≥"));
    m_minSources->setSpecialValueText(QCoreApplication::translate("jiujiu", "资源不限"));
    m_minSources->setFixedWidth(86);
    m_minSources->setToolTip(QCoreApplication::translate("jiujiu", "最少资源数"));

    m_merge->setObjectName(QStringLiteral("合并重复"));
    m_merge->setChecked(proxy->mergeDuplicates());
    m_merge->setToolTip(QCoreApplication::translate(
        "jiujiu", "同一文件（ed2k 散列和大小相同）只列一行，取最多的资源数，名称后标 ×N"));

    m_type->setObjectName(QStringLiteral("类型"));
    m_type->addItem(QCoreApplication::translate("jiujiu", "全部类型"));
    for (int t = 0; t < kFileTypeCount; ++t)
        m_type->addItem(UiWord(FileTypeName(static_cast<FileType>(t))), t);
    m_type->setToolTip(
        QCoreApplication::translate("jiujiu", "只列出这一类文件（看链接里文件名的扩展名）"));
    m_hideSuspicious->setObjectName(QStringLiteral("隐藏可疑"));
    m_hideSuspicious->setToolTip(QCoreApplication::translate(
        "jiujiu", "隐藏带 ! 标记的可疑结果（原因见名称的提示）；无效链接用 -链接无效 隐藏"));
    m_hideKnown->setObjectName(QStringLiteral("隐藏已有"));
    m_hideKnown->setToolTip(QCoreApplication::translate(
        "jiujiu", "不列出 ed2k 客户端里已有（下载过或正在共享）的文件"));

    m_status->setObjectName(QStringLiteral("筛选状态"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Inside the filter box at its right end: the row has no room left for a label of its own.
    m_status->setParent(m_text);
    m_status->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_text->installEventFilter(this);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_minSize);
    layout->addWidget(SmallLabel(QStringLiteral("–"), this));
    layout->addWidget(m_maxSize);
    layout->addWidget(m_minSources);
    layout->addWidget(m_type);
    layout->addWidget(m_options);

    // The three toggles drop down from one button: beside the page tabs there is no room for
    // them and a filter box wide enough to type into.
    m_options->setObjectName(QStringLiteral("显示选项"));
    m_options->setText(QCoreApplication::translate("jiujiu", "选项"));
    m_options->setPopupMode(QToolButton::InstantPopup);
    m_options->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto *menu = new QMenu(m_options);
    auto *panel = new QWidget(menu);
    auto *toggles = new QVBoxLayout(panel);
    toggles->setContentsMargins(8, 4, 8, 4);
    for (QCheckBox *toggle : {m_merge, m_hideSuspicious, m_hideKnown}) {
        toggle->setParent(panel);
        toggles->addWidget(toggle);
    }
    // What the client's marks mean, in words beside their colours.
    auto *legend =
        new QLabel(QCoreApplication::translate("jiujiu", "ed2k 客户端里的状态："), panel);
    legend->setObjectName(QStringLiteral("状态图例"));
    toggles->addSpacing(4);
    toggles->addWidget(legend);
    const std::pair<RowStatus, const char *> meanings[] = {
        {RowStatus::Known, QT_TRANSLATE_NOOP("jiujiu", "下载过或正在共享")},
        {RowStatus::Downloading, QT_TRANSLATE_NOOP("jiujiu", "正在下载，后面是已完成多少")},
        {RowStatus::Cancelled, QT_TRANSLATE_NOOP("jiujiu", "取消过下载")},
        {RowStatus::HandedOver, QT_TRANSLATE_NOOP("jiujiu", "这次交出，还不在下载里")},
    };
    for (const auto &[status, meaning] : meanings) {
        auto *line =
            new QLabel(QStringLiteral("%1　%2").arg(UiWord(RowStatusWord(status)),
                                                    QCoreApplication::translate("jiujiu", meaning)),
                       panel);
        line->setTextFormat(Qt::PlainText);
        QPalette palette = line->palette();
        palette.setColor(QPalette::WindowText,
                         RowStatusColour(status, palette.color(QPalette::Window)));
        line->setPalette(palette);
        toggles->addWidget(line);
    }
    auto *none = new QLabel(QCoreApplication::translate("jiujiu", "没有标记：客户端里没有"), panel);
    toggles->addWidget(none);
    auto *panelAction = new QWidgetAction(menu);
    panelAction->setDefaultWidget(panel);
    menu->addAction(panelAction);
    m_options->setMenu(menu);
    updateOptionsButton();
    for (QCheckBox *toggle : {m_merge, m_hideSuspicious, m_hideKnown})
        connect(toggle, &QCheckBox::toggled, this, &ResultFilterBar::updateOptionsButton);

    // Names for a screen reader; the tool tips are the descriptions.
    m_text->setAccessibleName(QCoreApplication::translate("jiujiu", "筛选"));
    m_minSize->setAccessibleName(QCoreApplication::translate("jiujiu", "最小大小"));
    m_maxSize->setAccessibleName(QCoreApplication::translate("jiujiu", "最大大小"));
    m_minSources->setAccessibleName(QCoreApplication::translate("jiujiu", "最少资源数"));
    m_minSources->setAccessibleDescription(
        QCoreApplication::translate("jiujiu", "只列出至少有这么多资源的结果；0 不限"));
    m_type->setAccessibleName(QCoreApplication::translate("jiujiu", "类型"));
    m_options->setAccessibleName(QCoreApplication::translate("jiujiu", "选项"));
    m_status->setAccessibleName(QCoreApplication::translate("jiujiu", "筛选结果数"));
    m_status->setAccessibleDescription(
        QCoreApplication::translate("jiujiu", "筛选后显示的行数和总行数"));
    for (QCheckBox *toggle : {m_merge, m_hideSuspicious, m_hideKnown})
        toggle->setAccessibleName(toggle->text());

    m_typing->setSingleShot(true);
    m_typing->setInterval(TypingPauseMs);
    connect(m_typing, &QTimer::timeout, this, &ResultFilterBar::applyNow);
    for (QLineEdit *field : {m_text, m_minSize, m_maxSize})
        connect(field, &QLineEdit::textChanged, this, &ResultFilterBar::scheduleApply);
    // Enter applies at once.
    for (QLineEdit *field : {m_text, m_minSize, m_maxSize})
        connect(field, &QLineEdit::returnPressed, this, &ResultFilterBar::applyNow);
    connect(m_minSources, &QSpinBox::valueChanged, this, &ResultFilterBar::scheduleApply);
    connect(m_type, &QComboBox::currentIndexChanged, this, &ResultFilterBar::applyNow);
    connect(m_hideSuspicious, &QCheckBox::toggled, this, &ResultFilterBar::applyNow);
    connect(m_hideKnown, &QCheckBox::toggled, this, &ResultFilterBar::applyNow);
    connect(m_merge, &QCheckBox::toggled, this, [this](bool on) {
        m_proxy->setMergeDuplicates(on);
        updateStatus();
    });

    // The counts change with every row a search lists: one update per turn of the event loop.
    m_statusUpdate->setSingleShot(true);
    m_statusUpdate->setInterval(0);
    connect(m_statusUpdate, &QTimer::timeout, this, &ResultFilterBar::updateStatus);
    connect(proxy, &QAbstractItemModel::rowsInserted, this, &ResultFilterBar::scheduleStatus);
    connect(proxy, &QAbstractItemModel::rowsRemoved, this, &ResultFilterBar::scheduleStatus);
    connect(proxy, &QAbstractItemModel::modelReset, this, &ResultFilterBar::scheduleStatus);
    connect(proxy, &QAbstractItemModel::layoutChanged, this, &ResultFilterBar::scheduleStatus);
    connect(proxy, &ResultListProxy::filterApplied, this, &ResultFilterBar::updateStatus);
    updateStatus();
}

ResultFilterBar::~ResultFilterBar() = default;

void ResultFilterBar::scheduleApply()
{
    m_typing->start();
}

void ResultFilterBar::scheduleStatus()
{
    if (!m_statusUpdate->isActive())
        m_statusUpdate->start();
}

void ResultFilterBar::applyNow()
{
    m_typing->stop();
    // A term that cannot be read keeps the last expression that could, rather than becoming
    // a word that hides every row.
    ResultFilter::Error error;
    if (auto parsed = ResultFilter::Parse(m_text->text().toUtf8().toStdString(), error)) {
        *m_expression = std::move(*parsed);
        m_expressionError.clear();
    } else {
        m_expressionError = FilterErrorToolTip(error);
    }
    MarkBad(m_text, !m_expressionError.isEmpty());
    m_text->setToolTip(m_expressionError.isEmpty() ? FilterHelp() : m_expressionError);
    if (!m_problemTimer->isActive())
        showProblem(m_expressionError);
    ResultFilter filter = *m_expression;
    filter.restrictBytes(BoundOf(m_minSize), BoundOf(m_maxSize));
    if (m_minSources->value() > 0)
        filter.restrictSources(m_minSources->value());
    if (const QVariant type = m_type->currentData(); type.isValid())
        filter.restrictType(static_cast<FileType>(type.toInt()));
    if (m_hideSuspicious->isChecked())
        filter.hideSuspicious();
    if (m_hideKnown->isChecked())
        filter.excludeStatus(RowStatus::Known);
    m_proxy->setFilter(filter);
    updateStatus();
}

void ResultFilterBar::showProblem(const QString &text, bool passing)
{
    if (passing)
        m_problemTimer->start();
    else
        m_problemTimer->stop();
    QPalette palette = m_problem->palette();
    palette.setColor(QPalette::WindowText, FieldErrorColour(QPalette()));
    m_problem->setPalette(palette);
    // One line: the reason, then what the list shows meanwhile.
    m_problem->setText(QString(text).replace(QLatin1Char('\n'), QStringLiteral("  ")));
    m_problem->setToolTip(text);
    const bool shown = !text.isEmpty();
    if (shown != m_problem->isVisibleTo(m_problem->parentWidget()) || shown) {
        m_problem->setVisible(shown);
        emit problemChanged();
    }
}

QString ResultFilterBar::problemText() const
{
    return m_problem->isVisibleTo(m_problem->parentWidget()) ? m_problem->text() : QString();
}

void ResultFilterBar::focusFilter()
{
    m_text->setFocus(Qt::ShortcutFocusReason);
    m_text->selectAll();
}

QString ResultFilterBar::filterError() const
{
    return m_expressionError;
}

QString ResultFilterBar::statusText() const
{
    return m_statusFull;
}

void ResultFilterBar::updateStatus()
{
    m_statusUpdate->stop();
    if (m_proxy->filter().isEmpty()) {
        m_statusFull.clear();
        m_statusShort.clear();
    } else {
        m_statusFull = QCoreApplication::translate("jiujiu", "显示 %1 / 共 %2")
                           .arg(m_proxy->rowCount())
                           .arg(m_proxy->unfilteredCount());
        m_statusShort =
            QStringLiteral("%1/%2").arg(m_proxy->rowCount()).arg(m_proxy->unfilteredCount());
    }
    m_status->setToolTip(m_statusFull);
    placeStatus();
}

bool ResultFilterBar::eventFilter(QObject *watched, QEvent *event)
{
    // Once the box has moved its clear button, which it does after this filter sees the event.
    if (watched == m_text && event->type() == QEvent::Resize)
        QMetaObject::invokeMethod(this, &ResultFilterBar::placeStatus, Qt::QueuedConnection);
    // Down from the filter box goes on into the list below it.
    if (watched == m_text && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Down &&
        static_cast<QKeyEvent *>(event)->modifiers() == Qt::NoModifier) {
        emit listWanted();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ResultFilterBar::placeStatus()
{
    // Left of the box's clear button, the typed text kept clear of it.
    int right = m_text->width() - 6;
    for (const QToolButton *button : m_text->findChildren<QToolButton *>())
        if (button->isVisibleTo(m_text))
            right = std::min(right, button->x() - 2);
    // The words where there is room, the bare numbers where the box is narrow (the form's own
    // width), nothing where not even they fit: the typed text keeps room for a few characters.
    const QFontMetrics metrics(m_status->font());
    const int room = right - 6 * m_text->fontMetrics().averageCharWidth();
    const QString &shown = metrics.horizontalAdvance(m_statusFull) <= room    ? m_statusFull
                           : metrics.horizontalAdvance(m_statusShort) <= room ? m_statusShort
                                                                              : QString();
    m_status->setText(shown);
    m_status->adjustSize();
    m_status->setVisible(!shown.isEmpty());
    m_status->move(right - m_status->width(), (m_text->height() - m_status->height()) / 2);
    m_text->setTextMargins(0, 0, m_status->isVisibleTo(m_text) ? m_status->width() + 4 : 0, 0);
}

} // namespace jiujiu
