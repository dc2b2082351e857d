#pragma once

#include "results/resultexport.h"
#include "results/resultrow.h"

#include <QObject>
#include <QString>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QPoint;

namespace jiujiu {

class ReportListView;

// What the result list offers besides the double-click: its context menu (云播放, 复制链接,
// 用 ed2k 客户端打开, 复制名称, 查看全部名称, 导出选中…, 导出全部…), Ctrl+C, and export to CSV or
// a spreadsheet, CSV or a link list. Links and names go to the clipboard one a line, as shown in
// the list. Broken links are never played or opened: a message box says why.
class ResultListActions final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultListActions)

public:
    enum class ExportFormat
    {
        Xlsx,
        Csv,
        Links,
    };

    // Opening more links than this at once asks first.
    static constexpr int OpenWithoutAsking = 20;

    explicit ResultListActions(ReportListView *view);
    ~ResultListActions() override;

    QMenu *menu() const { return m_menu; }
    QAction *playAction() const { return m_play; }
    QAction *copyLinksAction() const { return m_copyLinks; }
    QAction *openAction() const { return m_open; }
    QAction *copyNamesAction() const { return m_copyNames; }
    QAction *allNamesAction() const { return m_allNames; }
    QAction *exportSelectedAction() const { return m_exportSelected; }
    QAction *exportAllAction() const { return m_exportAll; }

    // The rows as the list shows them: merged sources, in the order shown.
    std::vector<ResultRow> shownRows(const std::vector<int> &modelRows) const;
    // Their 提示 for an export: warnings, and a merged row's other listings.
    std::vector<std::string> shownHints(const std::vector<int> &modelRows) const;
    // What a spreadsheet shows beside them: 类型, that 提示 and the client status.
    std::vector<ExportNotes> shownNotes(const std::vector<int> &modelRows) const;
    // The keyword of the search that listed the rows: a spreadsheet's sheet is named after it.
    void setKeyword(const QString &keyword) { m_keyword = keyword; }

    void copyLinks();
    void copyNames();
    void openInClient();
    // 查看全部名称: the listings the row acted on stands for, in a dialog of their own.
    void showAllNames();
    // Asks for a file and writes the selected (or all shown) rows; false when nothing was
    // written (cancelled, nothing to write, or a failure the user was told of).
    bool exportRows(bool selectedOnly);
    // Writes rows without asking, in the format given; notes[i] beside rows[i] (CSV takes
    // their 提示). On failure nothing is left at path and error says why.
    static bool WriteExport(const QString &path, ExportFormat format,
                            const std::vector<ResultRow> &rows, QString *error,
                            const std::vector<ExportNotes> &notes = {},
                            const QString &keyword = {});
    // The format a chosen file name asks for: .xlsx a spreadsheet, .txt a link list, anything
    // else CSV.
    static ExportFormat FormatOf(const QString &path);

signals:
    // 云播放 for the row acted on (a model row), whose link is a well-formed ed2k file link.
    void playRequested(int row);
    // Ctrl+C or 复制链接 put that many links on the clipboard.
    void linksCopied(int count);
    // 用 ed2k 客户端打开: the links a program took (runtime texts).
    void linksHandedOver(const std::vector<Text> &links);

private:
    void updateEnabled();
    void showMenu(const QPoint &position);
    QString joinedCells(int column) const;

    ReportListView *m_view;
    QString m_keyword;
    QMenu *m_menu;
    QAction *m_play;
    QAction *m_copyLinks;
    QAction *m_open;
    QAction *m_copyNames;
    QAction *m_allNames;
    QAction *m_exportSelected;
    QAction *m_exportAll;
};

} // namespace jiujiu
