#include "ui/resultfilterbar.h"

#include "results/filetype.h"
#include "results/filtergrammar.h"
#include "results/resultfilter.h"
#include "results/sizetext.h"
#include "ui/interfacelanguage.h"
#include "ui/markcolours.h"
#include "ui/qttext.h"
#include "ui/resultlistproxy.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidgetAction>
#include <algorithm>

namespace jiujiu {
namespace {

void MarkBad(QLineEdit *field, bool bad)
{
    QPalette palette = field->palette();
    palette.setColor(QPalette::Text,
                     bad ? FieldErrorColour(QPalette()) : QPalette().color(QPalette::Text));
    field->setPalette(palette);
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
      m_options(new QToolButton(this))
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
        field->setFixedWidth(64);
        field->setToolTip(
            QCoreApplication::translate("jiujiu", "大小范围，如 700MB、1.5GB；空着不限"));
    }
    m_minSize->setPlaceholderText(QCoreApplication::translate("jiujiu", "最小大小"));
    m_maxSize->setPlaceholderText(QCoreApplication::translate("jiujiu", "最大大小"));

    m_minSources->setObjectName(QStringLiteral("最少资源数"));
    m_minSources->setRange(0, 999999);
    m_minSources->setPrefix(QCoreApplication::translate("jiujiu", "资源≥"));
    m_minSources->setSpecialValueText(QCoreApplication::translate("jiujiu", "资源不限"));
    m_minSources->setFixedWidth(92);
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
    return m_status->text();
}

void ResultFilterBar::updateStatus()
{
    m_statusUpdate->stop();
    if (m_proxy->filter().isEmpty())
        m_status->clear();
    else
        m_status->setText(QCoreApplication::translate("jiujiu", "显示 %1 / 共 %2")
                              .arg(m_proxy->rowCount())
                              .arg(m_proxy->unfilteredCount()));
    placeStatus();
}

bool ResultFilterBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_text && event->type() == QEvent::Resize)
        placeStatus();
    return QWidget::eventFilter(watched, event);
}

void ResultFilterBar::placeStatus()
{
    m_status->adjustSize();
    m_status->setVisible(!m_status->text().isEmpty());
    // Left of the box's clear button, the typed text kept clear of it.
    int right = m_text->width() - 6;
    for (const QToolButton *button : m_text->findChildren<QToolButton *>())
        if (button->isVisibleTo(m_text))
            right = std::min(right, button->x() - 2);
    m_status->move(right - m_status->width(), (m_text->height() - m_status->height()) / 2);
    m_text->setTextMargins(0, 0, m_status->isVisibleTo(m_text) ? m_status->width() + 4 : 0, 0);
}

} // namespace jiujiu
