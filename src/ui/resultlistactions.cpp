#include "ui/resultlistactions.h"

#include "net/openaddress.h"
#include "results/atomicfile.h"
#include "results/filetype.h"
#include "results/resultexport.h"
#include "results/rowstatus.h"
#include "runtime/codepage.h"
#include "runtime/uiservices.h"
#include "search/resultactions.h"
#include "ui/qttext.h"
#include "ui/reportlistview.h"
#include "ui/resultlistmodel.h"
#include "ui/resultlistproxy.h"
#include "ui/resultmarks.h"
#include "ui/resultnamesdialog.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QMenu>
#include <algorithm>

namespace jiujiu {
namespace {

const Text &MessageTitle()
{
    static const Text title = Utf8ToText("温馨提示");
    return title;
}

} // namespace

ResultListActions::ResultListActions(ReportListView *view)
    : QObject(view), m_view(view), m_menu(new QMenu(view))
{
    m_menu->setObjectName(QStringLiteral("结果菜单"));
    m_play = m_menu->addAction(QCoreApplication::translate("jiujiu", "云播放"));
    m_copyLinks = m_menu->addAction(QCoreApplication::translate("jiujiu", "复制链接"));
    m_copyLinks->setShortcut(QKeySequence::Copy); // shown in the menu; the view takes the keys
    m_open = m_menu->addAction(QCoreApplication::translate("jiujiu", "用 ed2k 客户端打开"));
    m_copyNames = m_menu->addAction(QCoreApplication::translate("jiujiu", "复制名称"));
    m_allNames = m_menu->addAction(QCoreApplication::translate("jiujiu", "查看全部名称"));
    m_menu->addSeparator();
    m_exportSelected = m_menu->addAction(QCoreApplication::translate("jiujiu", "导出选中…"));
    m_exportAll = m_menu->addAction(QCoreApplication::translate("jiujiu", "导出全部…"));

    connect(m_play, &QAction::triggered, this, [this] {
        const int row = m_view->currentSelection();
        if (row < 0)
            return;
        const ResultRow &result = m_view->listModel()->row(row);
        if (!LinksToHandOn({{result[NameColumn], result[LinkColumn]}}).empty())
            emit playRequested(row);
    });
    connect(m_copyLinks, &QAction::triggered, this, &ResultListActions::copyLinks);
    connect(m_open, &QAction::triggered, this, &ResultListActions::openInClient);
    connect(m_copyNames, &QAction::triggered, this, &ResultListActions::copyNames);
    connect(m_allNames, &QAction::triggered, this, &ResultListActions::showAllNames);
    connect(m_exportSelected, &QAction::triggered, this, [this] { exportRows(true); });
    connect(m_exportAll, &QAction::triggered, this, [this] { exportRows(false); });

    connect(m_view, &ReportListView::copyRequested, this, &ResultListActions::copyLinks);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view, &QWidget::customContextMenuRequested, this, &ResultListActions::showMenu);
}

ResultListActions::~ResultListActions() = default;

void ResultListActions::updateEnabled()
{
    const bool selected = m_view->currentSelection() >= 0;
    for (QAction *action : {m_play, m_copyLinks, m_open, m_copyNames, m_allNames, m_exportSelected})
        action->setEnabled(selected);
    m_exportAll->setEnabled(m_view->shownModel()->rowCount() > 0);
}

void ResultListActions::showMenu(const QPoint &position)
{
    updateEnabled();
    m_menu->popup(m_view->viewport()->mapToGlobal(position));
}

std::vector<ResultRow> ResultListActions::shownRows(const std::vector<int> &modelRows) const
{
    const ResultListModel &model = *m_view->listModel();
    const ResultListProxy &proxy = *m_view->shownModel();
    std::vector<ResultRow> rows;
    rows.reserve(modelRows.size());
    for (int row : modelRows)
        rows.push_back(
            model.list().shownRow(static_cast<std::size_t>(row), proxy.mergeDuplicates()));
    return rows;
}

QString ResultListActions::joinedCells(int column) const
{
    QStringList lines;
    for (int row : m_view->selectedRows()) {
        const QString cell = m_view->listModel()->cellText(row, column);
        if (!cell.isEmpty())
            lines << cell;
    }
    return lines.join(QLatin1Char('\n'));
}

void ResultListActions::copyLinks()
{
    if (m_view->selectedRows().empty())
        return;
    ClearClipboard();
    const QString links = joinedCells(LinkColumn);
    if (SetClipboardText(ToRuntimeText(links)) && !links.isEmpty())
        emit linksCopied(static_cast<int>(links.count(QLatin1Char('\n')) + 1));
}

void ResultListActions::copyNames()
{
    if (m_view->selectedRows().empty())
        return;
    ClearClipboard();
    SetClipboardText(ToRuntimeText(joinedCells(NameColumn)));
}

std::vector<std::string> ResultListActions::shownHints(const std::vector<int> &modelRows) const
{
    const bool merged = m_view->shownModel()->mergeDuplicates();
    std::vector<std::string> hints;
    hints.reserve(modelRows.size());
    for (int row : modelRows)
        hints.push_back(
            m_view->listModel()->list().hint(static_cast<std::size_t>(row), merged, true));
    return hints;
}

std::vector<ExportNotes> ResultListActions::shownNotes(const std::vector<int> &modelRows) const
{
    const ResultListModel &model = *m_view->listModel();
    const std::vector<std::string> hints = shownHints(modelRows);
    std::vector<ExportNotes> notes;
    notes.reserve(modelRows.size());
    for (std::size_t i = 0; i < modelRows.size(); ++i) {
        const auto row = static_cast<std::size_t>(modelRows[i]);
        notes.push_back({FileTypeText(model.list().type(row), model.list().extension(row)),
                         hints[i], std::string(RowStatusWord(model.mark(modelRows[i]).status))});
    }
    return notes;
}

void ResultListActions::showAllNames()
{
    const int row = m_view->currentSelection();
    if (row < 0)
        return;
    auto *dialog = new ResultNamesDialog(*m_view->listModel(), row, m_view->window());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void ResultListActions::openInClient()
{
    std::vector<NamedLink> rows;
    for (int row : m_view->selectedRows()) {
        const ResultRow &result = m_view->listModel()->row(row);
        rows.push_back({result[NameColumn], result[LinkColumn]});
    }
    // Broken links are named in a message and left out; the others go on.
    std::vector<Text> links = LinksToHandOn(rows);
    // Files the client has or downloads go on only when the user says so.
    const std::vector<int> selected = m_view->selectedRows();
    std::vector<Text> known;
    for (int row : selected) {
        const RowStatus status = m_view->listModel()->mark(row).status;
        if (status == RowStatus::Known || status == RowStatus::Downloading)
            known.push_back(m_view->listModel()->row(row)[LinkColumn]);
    }
    if (!known.empty()) {
        const bool go = selected.size() == 1
                            ? ConfirmHandOff(m_view->listModel()->row(selected.front())[NameColumn],
                                             m_view->listModel()->mark(selected.front()))
                            : ConfirmHandOffs(known.size(), links.size());
        if (!go)
            std::erase_if(links, [&known](const Text &link) {
                return std::find(known.begin(), known.end(), link) != known.end();
            });
    }
    if (links.empty())
        return;
    if (links.size() > static_cast<std::size_t>(OpenWithoutAsking)) {
        const Text question = Utf8ToText("要把选中的 " + std::to_string(links.size()) +
                                         " 个链接都交给 ed2k 客户端吗？");
        if (ShowMessageBox(Value(question), Value(MbOkCancel | MbIconQuestion),
                           Value(MessageTitle())) != 0)
            return;
    }
    // Handed over one at a time, each waiting for the opener's verdict (the window stays
    // responsive meanwhile): only links a program took are marked as handed to the client.
    std::vector<Text> taken;
    bool refused = false;
    for (const Text &link : links) {
        const HandOff handOff = HandOverAddress(Value(link));
        if (handOff == HandOff::Taken || handOff == HandOff::Undecided) {
            taken.push_back(link);
        } else if (handOff == HandOff::Refused) {
            refused = true; // no program takes ed2k links: the others would fare the same
            break;
        }
    }
    if (!taken.empty())
        emit linksHandedOver(taken);
    if (refused)
        ShowMessageBox(Value(NoClientMessage(false)), Value(MbOk | MbIconWarning),
                       Value(MessageTitle()));
}

ResultListActions::ExportFormat ResultListActions::FormatOf(const QString &path)
{
    if (path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive))
        return ExportFormat::Xlsx;
    return path.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive) ? ExportFormat::Links
                                                                      : ExportFormat::Csv;
}

bool ResultListActions::WriteExport(const QString &path, ExportFormat format,
                                    const std::vector<ResultRow> &rows, QString *error,
                                    const std::vector<ExportNotes> &notes, const QString &keyword)
{
    std::string document;
    std::string why;
    bool made = true;
    if (format == ExportFormat::Xlsx) {
        made = XlsxDocument(rows, notes, keyword.toStdString(), document, &why);
    } else if (format == ExportFormat::Links) {
        document = LinkListDocument(rows);
    } else {
        std::vector<std::string> hints;
        hints.reserve(notes.size());
        for (const ExportNotes &note : notes)
            hints.push_back(note.hint);
        document = CsvDocument(rows, hints);
    }
    if (made && WriteFileAtomically(QFile::encodeName(path).toStdString(), document, &why))
        return true;
    if (error)
        *error = QString::fromLocal8Bit(why);
    return false;
}

bool ResultListActions::exportRows(bool selectedOnly)
{
    const std::vector<int> rows = selectedOnly ? m_view->selectedRows() : m_view->shownRows();
    if (rows.empty())
        return false;

    const QString xlsxFilter = QCoreApplication::translate("jiujiu", "Excel 工作簿 (*.xlsx)");
    const QString csvFilter = QCoreApplication::translate("jiujiu", "CSV 表格 (*.csv)");
    const QString linksFilter = QCoreApplication::translate("jiujiu", "ed2k 链接列表 (*.txt)");
    QFileDialog dialog(m_view->window(),
                       selectedOnly ? QCoreApplication::translate("jiujiu", "导出选中的结果")
                                    : QCoreApplication::translate("jiujiu", "导出全部结果"));
    dialog.setObjectName(QStringLiteral("导出对话框"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters({xlsxFilter, csvFilter, linksFilter});
    dialog.setDirectory(QDir::home());
    dialog.selectFile(QCoreApplication::translate("jiujiu", "啾啾结果.xlsx"));
    dialog.setDefaultSuffix(QStringLiteral("xlsx"));
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString &filter) {
        dialog.setDefaultSuffix(filter == linksFilter ? QStringLiteral("txt")
                                : filter == csvFilter ? QStringLiteral("csv")
                                                      : QStringLiteral("xlsx"));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    const QString path = dialog.selectedFiles().constFirst();

    QString error;
    if (WriteExport(path, FormatOf(path), shownRows(rows), &error, shownNotes(rows), m_keyword))
        return true;
    const Text message =
        ToRuntimeText(QCoreApplication::translate("jiujiu", "导出失败，文件没有写入：\n%1\n%2")
                          .arg(QDir::toNativeSeparators(path), error));
    ShowMessageBox(Value(message), Value(MbOk | MbIconWarning), Value(MessageTitle()));
    return false;
}

} // namespace jiujiu
