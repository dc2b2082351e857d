#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <optional>
#include <thread>

class QAction;
class QCompleter;
class QLineEdit;
class QMenu;
class QStringListModel;
class QToolButton;

namespace jiujiu {

class MainWindow;
class SeenFiles;
class ServiceBackoff;
class Store;
struct SavedSearch;

// What the window remembers when asked to: 保存搜索 (Ctrl+S on 显示), the 收藏 drop-down
// beside a keyword box (rerun, delete, clear all; each with the new count of its last run), and
// the opt-in keyword history for completion. The store is read when there is one and made only
// when the user saves a search or turns the history on; a plain search writes nothing.
class SavedSearchesMenu final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SavedSearchesMenu)

public:
    explicit SavedSearchesMenu(MainWindow &window);
    ~SavedSearchesMenu() override;

    // The 收藏 drop-down for a keyword box, placed by the caller; the box completes from the
    // history.
    QToolButton *addButton(QLineEdit *keywordBox, QWidget *parent);
    // Asks for a name (the keyword by default) and saves the search shown, its rows the first
    // run.
    void askToSave();
    bool saveShown(const QString &name);
    // Reruns a saved search with its options, marking what its earlier runs did not list.
    bool rerun(const QString &name);
    bool forget(const QString &name);
    void forgetAll();
    void setHistoryEnabled(bool on);
    void clearHistory();
    bool historyEnabled() const { return m_history; }
    QStringList keywords() const;

    // From the window: a search began or ended.
    // The viewer services' back-off, kept in the store by searches that record anything.
    void setBackoff(ServiceBackoff *backoff);
    void searchStarted();
    void searchEnded();

signals:
    // A run was recorded in the store (or could not be), off the window's thread.
    void runRecorded();

private:
    // The store if there is one (create: made when not); a broken one is said once.
    Store *store(bool create);
    void say(const std::string &notice);
    void fillMenu(QMenu *menu);
    void loadHistory();
    void recordShown(std::int64_t searchId, bool baseline);
    void joinRecorder();

    MainWindow &m_window;
    std::unique_ptr<Store> m_store;
    ServiceBackoff *m_backoff = nullptr;
    bool m_storeTried = false;
    bool m_history = false;
    QStringListModel *m_keywords;
    // The saved search being rerun, and what its earlier runs listed.
    std::unique_ptr<SavedSearch> m_running;
    std::unique_ptr<SeenFiles> m_seen;
    bool m_rerunArmed = false;
    std::int64_t m_started = 0;
    std::thread m_recorder;
};

} // namespace jiujiu
