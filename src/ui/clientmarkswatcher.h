#pragma once

#include "runtime/value.h"

#include <QObject>
#include <QPointer>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

class QFileSystemWatcher;
class QTimer;

namespace jiujiu {

class ClientMarker;
class ClientState;
class ResultListModel;

// Keeps the result list's marks current: reads the ed2k client's directory (read-only, on a
// thread of its own so the window never waits for it), watches it and its files, and reads
// them again once a change has settled. Links this run hands to the client are marked at once.
class ClientMarksWatcher final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClientMarksWatcher)

public:
    // A burst of writes (the client rewrites a file and its backup) is read once.
    static constexpr int SettleMs = 200;

    // Watches `dir`; the model's rows take their marks from this watcher's marker.
    ClientMarksWatcher(ResultListModel *model, std::filesystem::path dir, QObject *parent);
    // Watches the client's directory (ClientDirectory()).
    explicit ClientMarksWatcher(ResultListModel *model, QObject *parent = nullptr);
    ~ClientMarksWatcher() override;

    const std::filesystem::path &directory() const { return m_dir; }
    const ClientMarker &marker() const { return *m_marker; }

    // Links handed to the client in this run (runtime texts).
    void noteHandedOver(const std::vector<Text> &links);
    // Reads the directory again now.
    void refresh();
    bool isReading() const { return m_reading; }

signals:
    // The marks follow the client's files as last read.
    void marksUpdated();

private:
    void startReading();
    void applyState(std::shared_ptr<const ClientState> state,
                    const std::vector<std::filesystem::path> &paths,
                    const std::vector<std::filesystem::file_time_type> &times);
    void watch(const std::vector<std::filesystem::path> &paths);

    QPointer<ResultListModel> m_model; // may go first when both have one parent
    std::filesystem::path m_dir;
    // Behind a pointer: moc cannot read the standard headers the marker's header brings in.
    std::unique_ptr<ClientMarker> m_marker;
    QFileSystemWatcher *m_watcher;
    QTimer *m_settle;
    std::thread m_reader;
    bool m_reading = false;
    bool m_readAgain = false;
};

} // namespace jiujiu
