#include "ui/resultnamesdialog.h"

#include "results/resultlist.h"
#include "ui/coretexts.h"
#include "ui/qttext.h"
#include "ui/resultlistmodel.h"
#include "ui/resultmarks.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace jiujiu {

ResultNamesDialog::ResultNamesDialog(const ResultListModel &model, int row, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("全部名称"));
    setWindowTitle(QCoreApplication::translate("jiujiu", "全部名称"));
    const std::vector<std::size_t> &members =
        model.duplicates().members(static_cast<std::size_t>(row));

    auto *summary = new QLabel(
        QCoreApplication::translate(
            "jiujiu", "同一文件（散列和大小相同）列出了 %1 次，列表里显示的是第一次的名称。")
            .arg(members.size()),
        this);
    summary->setTextFormat(Qt::PlainText);
    summary->setWordWrap(true);

    auto *table = new QTableWidget(static_cast<int>(members.size()), 4, this);
    table->setObjectName(QStringLiteral("名称表"));
    table->setHorizontalHeaderLabels({QCoreApplication::translate("jiujiu", "序号"),
                                      QCoreApplication::translate("jiujiu", "名称"),
                                      QCoreApplication::translate("jiujiu", "资源数"),
                                      QCoreApplication::translate("jiujiu", "大小")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    for (std::size_t i = 0; i < members.size(); ++i) {
        const int member = static_cast<int>(members[i]);
        const int at = static_cast<int>(i);
        for (const auto &[column, cell] : {std::pair{0, SerialColumn}, std::pair{1, NameColumn},
                                           std::pair{2, SourcesColumn}, std::pair{3, SizeColumn}})
            table->setItem(at, column,
                           new QTableWidgetItem(cell == NameColumn
                                                    ? Isolated(model.cellText(member, cell))
                                                    : model.cellText(member, cell)));
    }
    table->resizeColumnToContents(0);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    layout->addWidget(table, 1);
    const QString warnings =
        InterfaceHint(model.list().warnings(static_cast<std::size_t>(row), true));
    if (!warnings.isEmpty()) {
        auto *hint = new QLabel(QStringLiteral("⚠ ") + warnings, this);
        hint->setObjectName(QStringLiteral("名称提示"));
        hint->setTextFormat(Qt::PlainText);
        hint->setWordWrap(true);
        layout->addWidget(hint);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)
        ->setText(QCoreApplication::translate("jiujiu", "关闭"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(560, 320);
}

ResultNamesDialog::~ResultNamesDialog() = default;

} // namespace jiujiu
