#include "ui/clientmarkswatcher.h"

#include "ed2kclient/clientdirectory.h"
#include "ed2kclient/clientstate.h"
#include "results/clientmarker.h"
#include "results/ed2klink.h"
#include "runtime/codepage.h"
#include "ui/resultlistmodel.h"

#include <QFileSystemWatcher>
#include <QTimer>
#include <algorithm>

namespace jiujiu {
namespace {

namespace fs = std::filesystem;

QString QtPath(const fs::path &path)
{
    return QString::fromStdString(path.string());
}

// The client's files and directories there are, or the nearest directory above its own that
// will tell when the client makes it.
std::vector<fs::path> WatchedPaths(const fs::path &dir)
{
    std::vector<fs::path> paths = ClientStatePaths(dir);
    std::error_code error;
    if (paths.empty() && !dir.empty())
        for (fs::path up = dir.parent_path(); !up.empty(); up = up.parent_path()) {
            if (fs::is_directory(up, error)) {
                paths.push_back(up);
                break;
            }
            if (up == up.parent_path())
                break;
        }
    return paths;
}

std::vector<fs::file_time_type> WriteTimes(const std::vector<fs::path> &paths)
{
    std::vector<fs::file_time_type> times;
    std::error_code error;
    for (const fs::path &path : paths)
        times.push_back(fs::last_write_time(path, error));
    return times;
}

} // namespace

ClientMarksWatcher::ClientMarksWatcher(ResultListModel *model, QObject *parent)
    : ClientMarksWatcher(model, ClientDirectory(), parent)
{}

ClientMarksWatcher::ClientMarksWatcher(ResultListModel *model, fs::path dir, QObject *parent)
    : QObject(parent), m_model(model), m_dir(std::move(dir)),
      m_marker(std::make_unique<ClientMarker>()), m_watcher(new QFileSystemWatcher(this)),
      m_settle(new QTimer(this))
{
    m_settle->setSingleShot(true);
    m_settle->setInterval(SettleMs);
    connect(m_settle, &QTimer::timeout, this, &ClientMarksWatcher::startReading);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, m_settle,
            qOverload<>(&QTimer::start));
    connect(m_watcher, &QFileSystemWatcher::fileChanged, m_settle, qOverload<>(&QTimer::start));
    m_model->setMarker(m_marker.get());
    if (!m_dir.empty())
        startReading();
}

ClientMarksWatcher::~ClientMarksWatcher()
{
    // The reader posts its result to this object; once it has ended, Qt drops what it posted.
    if (m_reader.joinable())
        m_reader.join();
    if (m_model)
        m_model->setMarker(nullptr);
}

void ClientMarksWatcher::refresh()
{
    m_settle->stop();
    startReading();
}

void ClientMarksWatcher::startReading()
{
    if (m_reading) {
        m_readAgain = true;
        return;
    }
    if (m_reader.joinable())
        m_reader.join();
    m_reading = true;
    m_readAgain = false;
    m_reader = std::thread([this, dir = m_dir] {
        // What is watched is taken before the files are read: whatever the client writes
        // after this shows in the times, if not in the state read.
        std::vector<fs::path> paths = WatchedPaths(dir);
        std::vector<fs::file_time_type> times = WriteTimes(paths);
        auto state = std::make_shared<const ClientState>(ReadClientState(dir));
        QMetaObject::invokeMethod(
            this,
            [this, state = std::move(state), paths = std::move(paths),
             times = std::move(times)]() mutable { applyState(std::move(state), paths, times); },
            Qt::QueuedConnection);
    });
}

void ClientMarksWatcher::applyState(std::shared_ptr<const ClientState> state,
                                    const std::vector<fs::path> &paths,
                                    const std::vector<fs::file_time_type> &times)
{
    m_reading = false;
    watch(paths);
    // A change made before the watches were in place sends no signal: it is read again once
    // the client pauses, as a signalled one is.
    if (WriteTimes(paths) != times)
        m_settle->start();
    if (!(*state == m_marker->state())) {
        m_marker->setState(std::move(state));
        if (m_model)
            m_model->remark();
    }
    if (m_readAgain)
        startReading();
    emit marksUpdated();
}

void ClientMarksWatcher::watch(const std::vector<fs::path> &paths)
{
    QStringList wanted;
    for (const fs::path &path : paths)
        wanted << QtPath(path);
    // Files replaced by a rename are watched anew: the old watch went with the old file.
    const QStringList watched = m_watcher->files() + m_watcher->directories();
    if (!watched.isEmpty())
        m_watcher->removePaths(watched);
    if (!wanted.isEmpty())
        m_watcher->addPaths(wanted);
}

void ClientMarksWatcher::noteHandedOver(const std::vector<Text> &links)
{
    for (const Text &link : links)
        m_marker->noteHandedOver(Ed2kLink::Parse(TextToUtf8(link)));
    if (m_model)
        m_model->remark();
}

} // namespace jiujiu
