#include "ui/savedsearchesmenu.h"

#include "results/resultlist.h"
#include "results/resultorder.h"
#include "runtime/codepage.h"
#include "runtime/uiservices.h"
#include "search/servicebackoff.h"
#include "store/seenfiles.h"
#include "store/store.h"
#include "store/storelocation.h"
#include "ui/mainwindow.h"
#include "ui/reportlistview.h"
#include "ui/resultfilterbar.h"
#include "ui/resultlistmodel.h"
#include "ui/resultlistproxy.h"

#include <QCheckBox>
#include <QCompleter>
#include <QCoreApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QStringListModel>
#include <QToolButton>
#include <array>
#include <ctime>

namespace jiujiu {
namespace {

std::string Utf8(const QString &text)
{
    return text.toStdString();
}

QString FromUtf8(const std::string &text)
{
    return QString::fromStdString(text);
}

// The sort as the store keeps it ("size:desc"); empty for the site's order.
std::string SortText(const ResultListProxy &proxy)
{
    static constexpr std::array<const char *, 5> kColumns = {"serial", "name", "size", "sources",
                                                             "link"};
    const int column = proxy.sortColumn();
    if (column < 0 || column >= static_cast<int>(kColumns.size()))
        return {};
    return std::string(kColumns[static_cast<std::size_t>(column)]) +
           (proxy.sortOrder() == Qt::DescendingOrder ? ":desc" : ":asc");
}

} // namespace

SavedSearchesMenu::SavedSearchesMenu(MainWindow &window)
    : QObject(&window), m_window(window), m_keywords(new QStringListModel(this))
{
    loadHistory();
}

SavedSearchesMenu::~SavedSearchesMenu()
{
    joinRecorder();
}

void SavedSearchesMenu::joinRecorder()
{
    if (m_recorder.joinable())
        m_recorder.join();
}

void SavedSearchesMenu::say(const std::string &notice)
{
    if (notice.empty())
        return;
    CurrentUiServices().messageBox(
        Utf8ToText(notice), 0, Utf8ToText(Utf8(QCoreApplication::translate("jiujiu", "啾啾神器"))));
}

Store *SavedSearchesMenu::store(bool create)
{
    if (m_store || (m_storeTried && !create))
        return m_store.get();
    m_storeTried = true;
    const std::filesystem::path path = StorePath();
    if (path.empty())
        return nullptr;
    Store::Opening opening =
        Store::Open(path, create ? Store::Mode::Create : Store::Mode::Existing);
    say(opening.notice);
    if (!opening.store && !opening.error.empty() && create)
        say(Utf8(QCoreApplication::translate("jiujiu", "记录文件打不开：")) + opening.error);
    m_store = std::move(opening.store);
    return m_store.get();
}

void SavedSearchesMenu::loadHistory()
{
    Store *kept = store(false);
    m_history = kept && kept->historyEnabled().value_or(false);
    QStringList words;
    if (m_history)
        for (const std::string &word : kept->keywords().value_or(std::vector<std::string>{}))
            words << FromUtf8(word);
    m_keywords->setStringList(words);
}

QStringList SavedSearchesMenu::keywords() const
{
    return m_keywords->stringList();
}

QToolButton *SavedSearchesMenu::addButton(QLineEdit *keywordBox, QWidget *parent)
{
    auto *completer = new QCompleter(m_keywords, keywordBox);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    keywordBox->setCompleter(completer);

    auto *button = new QToolButton(parent);
    button->setText(QCoreApplication::translate("jiujiu", "收藏"));
    button->setPopupMode(QToolButton::InstantPopup);
    button->setAccessibleName(QCoreApplication::translate("jiujiu", "收藏"));
    button->setAccessibleDescription(QCoreApplication::translate(
        "jiujiu", "保存的搜索：重新运行、删除或全部清除；记住搜索记录的开关"));
    auto *menu = new QMenu(button);
    button->setMenu(menu);
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { fillMenu(menu); });
    return button;
}

void SavedSearchesMenu::fillMenu(QMenu *menu)
{
    menu->clear();
    std::vector<SavedSearchSummary> searches;
    if (Store *kept = store(false)) {
        searches = kept->list().value_or(std::vector<SavedSearchSummary>{});
        say(kept->takeNotice());
    }
    if (searches.empty())
        menu->addAction(QCoreApplication::translate("jiujiu", "没有保存的搜索"))->setEnabled(false);
    QMenu *remove =
        searches.empty() ? nullptr : new QMenu(QCoreApplication::translate("jiujiu", "删除"), menu);
    for (const SavedSearchSummary &summary : searches) {
        const QString name = FromUtf8(summary.search.name);
        QString caption = name;
        if (summary.lastRun)
            caption = QCoreApplication::translate("jiujiu", "%1（新 %2）")
                          .arg(name)
                          .arg(summary.newFiles);
        QAction *run = menu->addAction(caption);
        run->setToolTip(FromUtf8(summary.search.keyword));
        connect(run, &QAction::triggered, this, [this, name] { rerun(name); });
        connect(remove->addAction(name), &QAction::triggered, this, [this, name] { forget(name); });
    }
    if (remove) {
        menu->addSeparator();
        menu->addMenu(remove);
        connect(menu->addAction(QCoreApplication::translate("jiujiu", "全部清除")),
                &QAction::triggered, this, &SavedSearchesMenu::forgetAll);
    }
    menu->addSeparator();
    QAction *history = menu->addAction(QCoreApplication::translate("jiujiu", "记住搜索记录"));
    history->setCheckable(true);
    history->setChecked(m_history);
    connect(history, &QAction::toggled, this, &SavedSearchesMenu::setHistoryEnabled);
    QAction *clear = menu->addAction(QCoreApplication::translate("jiujiu", "清除记录"));
    clear->setEnabled(m_history && !m_keywords->stringList().isEmpty());
    connect(clear, &QAction::triggered, this, &SavedSearchesMenu::clearHistory);
}

void SavedSearchesMenu::askToSave()
{
    if (m_window.currentPage() != 1)
        return;
    bool ok = false;
    const QString keyword = QString::fromStdString(TextToUtf8(m_window.keyword()));
    const QString name =
        QInputDialog::getText(&m_window, QCoreApplication::translate("jiujiu", "保存搜索"),
                              QCoreApplication::translate("jiujiu", "名称："), QLineEdit::Normal,
                              keyword, &ok)
            .trimmed();
    if (ok && !name.isEmpty())
        saveShown(name);
}

bool SavedSearchesMenu::saveShown(const QString &name)
{
    Store *kept = store(true);
    if (!kept)
        return false;
    ResultListProxy &proxy = *m_window.resultList().shownModel();
    SavedSearch search;
    search.name = Utf8(name);
    search.keyword = TextToUtf8(m_window.keyword());
    search.filter = Utf8(m_window.filterBar().filterBox()->text());
    search.sort = SortText(proxy);
    search.merge = proxy.mergeDuplicates();
    if (!kept->save(search)) {
        say(kept->takeNotice());
        say(Utf8(QCoreApplication::translate("jiujiu", "搜索没有保存：")) + kept->error());
        return false;
    }
    // The rows shown are the baseline the next run is measured against.
    recordShown(search.id, true);
    return true;
}

bool SavedSearchesMenu::rerun(const QString &name)
{
    Store *kept = store(false);
    if (!kept || m_window.isSearchRunning())
        return false;
    joinRecorder();
    std::optional<SavedSearch> search = kept->find(Utf8(name));
    std::optional<SeenFiles> seen = search ? kept->seenFiles(search->id) : std::nullopt;
    say(kept->takeNotice());
    if (!seen)
        return false;
    m_running = std::make_unique<SavedSearch>(std::move(*search));
    m_seen = std::make_unique<SeenFiles>(std::move(*seen));

    m_window.setKeyword(Utf8ToText(m_running->keyword));
    if (auto *merge = m_window.filterBar().findChild<QCheckBox *>(QStringLiteral("合并重复")))
        merge->setChecked(m_running->merge);
    m_window.filterBar().filterBox()->setText(FromUtf8(m_running->filter));
    m_window.filterBar().applyNow();
    if (const auto sort = SortRequest::Parse(m_running->sort))
        m_window.resultList().sortByColumn(sort->column, sort->descending ? Qt::DescendingOrder
                                                                          : Qt::AscendingOrder);
    m_rerunArmed = true;
    emit m_window.searchClicked();
    if (!m_window.isSearchRunning() && m_rerunArmed) {
        // The search never began (an empty keyword): nothing to mark or record.
        m_rerunArmed = false;
        m_running.reset();
    }
    return true;
}

void SavedSearchesMenu::searchStarted()
{
    ResultListModel &model = *m_window.resultList().listModel();
    if (m_rerunArmed) {
        m_rerunArmed = false;
        model.setSeenFiles(m_seen.get());
        m_started = std::time(nullptr);
    } else {
        // A plain search: nothing is new, nothing recorded.
        m_running.reset();
        model.setSeenFiles(nullptr);
    }
    if (m_history && m_store) {
        const std::string keyword = TextToUtf8(m_window.keyword());
        if (!keyword.empty() && m_store->rememberKeyword(keyword))
            loadHistory();
    }
}

void SavedSearchesMenu::setBackoff(ServiceBackoff *backoff)
{
    m_backoff = backoff;
    if (Store *kept = store(false); kept && m_backoff)
        m_backoff->restore(*kept);
}

void SavedSearchesMenu::searchEnded()
{
    if (!m_running) {
        // A plain search writes only when the history is on, as its keyword was.
        if (m_history && m_store && m_backoff)
            m_store->setServiceLevels(m_backoff->stored());
        return;
    }
    recordShown(m_running->id, false);
    m_running.reset();
}

void SavedSearchesMenu::recordShown(std::int64_t searchId, bool baseline)
{
    const ResultList &list = m_window.resultList().listModel()->list();
    std::vector<FileId> files;
    files.reserve(list.count());
    for (std::size_t r = 0; r < list.count(); ++r)
        if (list.holds(r))
            if (const Ed2kLink &link = list.row(r).link(); link.valid())
                files.push_back(*link.file());
    RunRecord record;
    record.started = baseline ? std::time(nullptr) : m_started;
    record.rows = static_cast<std::int64_t>(list.count());
    record.newFiles = (!baseline && m_seen) ? m_seen->countNew(files) : 0;
    joinRecorder();
    // Recording half a million files takes longer than the window may stall: its own
    // connection, on its own thread.
    std::vector<Store::ServiceLevel> levels;
    if (m_backoff && !baseline)
        levels = m_backoff->stored();
    m_recorder = std::thread([this, path = m_store->path(), searchId, files = std::move(files),
                              record, baseline, levels = std::move(levels)]() mutable {
        std::string said;
        Store::Opening opening = Store::Open(path, Store::Mode::Existing);
        said = opening.notice;
        if (!opening.store)
            said += opening.error;
        else if (!opening.store->recordRun(searchId, std::move(files), record,
                                           std::time(nullptr)) ||
                 (!baseline && !opening.store->setServiceLevels(levels)))
            said += opening.store->takeNotice() +
                    Utf8(QCoreApplication::translate("jiujiu", "记录文件没有更新：")) +
                    opening.store->error();
        QMetaObject::invokeMethod(
            this,
            [this, said] {
                say(said);
                emit runRecorded();
            },
            Qt::QueuedConnection);
    });
}

bool SavedSearchesMenu::forget(const QString &name)
{
    Store *kept = store(false);
    const bool done = kept && kept->forget(Utf8(name));
    if (kept)
        say(kept->takeNotice());
    return done;
}

void SavedSearchesMenu::forgetAll()
{
    if (Store *kept = store(false)) {
        kept->forgetAll();
        say(kept->takeNotice());
    }
}

void SavedSearchesMenu::setHistoryEnabled(bool on)
{
    Store *kept = store(on);
    if (kept) {
        kept->setHistoryEnabled(on);
        say(kept->takeNotice());
    }
    loadHistory();
}

void SavedSearchesMenu::clearHistory()
{
    if (Store *kept = store(false)) {
        kept->clearHistory();
        say(kept->takeNotice());
    }
    loadHistory();
}

} // namespace jiujiu
