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
        auto state = std::make_shared<const ClientState>(ReadClientState(dir));
        std::vector<fs::path> paths = ClientStatePaths(dir);
        QMetaObject::invokeMethod(
            this,
            [this, state = std::move(state), paths = std::move(paths)]() mutable {
                applyState(std::move(state), paths);
            },
            Qt::QueuedConnection);
    });
}

void ClientMarksWatcher::applyState(std::shared_ptr<const ClientState> state,
                                    const std::vector<fs::path> &paths)
{
    m_reading = false;
    watch(paths);
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
    if (paths.empty() && !m_dir.empty()) {
        // No directory yet: its parent tells when the client makes it.
        std::error_code error;
        for (fs::path up = m_dir.parent_path(); !up.empty(); up = up.parent_path()) {
            if (fs::is_directory(up, error)) {
                wanted << QtPath(up);
                break;
            }
            if (up == up.parent_path())
                break;
        }
    }
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
