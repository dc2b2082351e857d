#include "ui/windowregistry.h"

#include "runtime/codepage.h"
#include "runtime/fatalerror.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <algorithm>

namespace jiujiu {
namespace {

struct Entry
{
    WindowDescription description;
    QPointer<QWidget> window;
    bool closed = false; // closed and waiting for its deferred deletion
};

std::vector<Entry> &Entries()
{
    static std::vector<Entry> entries;
    return entries;
}

// A window that has accepted its close is being destroyed, though the deletion runs later: it
// counts as not loaded from then on. The watcher is the first filter installed on the window,
// so it runs last, just before the window itself; it hands the event on and looks at the
// answer.
class CloseWatcher final : public QObject
{
public:
    static CloseWatcher &instance()
    {
        static CloseWatcher watcher;
        return watcher;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Close)
            return QObject::eventFilter(watched, event);
        QPointer<QObject> alive(watched);
        watched->event(event);
        if (alive && event->isAccepted()) {
            for (Entry &entry : Entries()) {
                if (entry.window == watched)
                    entry.closed = true;
            }
        }
        return true;
    }
};

QWidget *Live(const Entry &entry)
{
    return entry.closed ? nullptr : entry.window.data();
}

Entry *EntryFor(std::uint32_t windowId)
{
    auto &entries = Entries();
    const auto it = std::find_if(entries.begin(), entries.end(), [windowId](const Entry &e) {
        return e.description.reference.window == windowId;
    });
    return it == entries.end() ? nullptr : &*it;
}

Entry *EntryFor(const WindowReference &reference)
{
    Entry *entry = EntryFor(reference.window);
    return entry && entry->description.reference == reference ? entry : nullptr;
}

} // namespace

void RegisterWindowDescription(WindowDescription description)
{
    if (Entry *entry = EntryFor(description.reference.window)) {
        entry->description = std::move(description);
        return;
    }
    Entries().push_back(Entry{std::move(description), {}});
}

bool LoadWindow(const WindowReference &window, std::optional<WindowReference> parent,
                bool disableOthers)
{
    Entry *entry = EntryFor(window);
    if (!entry)
        return false;
    if (QWidget *existing = Live(*entry)) {
        if (existing->isMinimized()) {
            existing->showNormal();
        } else {
            existing->raise();
            existing->activateWindow();
        }
        return true;
    }
    if (entry->closed && entry->window) {
        // Closed, its deletion not yet run: finish it, so one window of the kind exists.
        delete entry->window.data();
    }
    QWidget *owner = nullptr;
    if (parent && !disableOthers) {
        Entry *parentEntry = EntryFor(*parent);
        if (!parentEntry || !Live(*parentEntry))
            return false;
        owner = Live(*parentEntry);
    }
    if (!entry->description.create)
        return false;
    QWidget *created = entry->description.create();
    if (!created)
        return false;
    entry = EntryFor(window); // the factory may have registered windows of its own
    entry->window = created;
    entry->closed = false;
    created->installEventFilter(&CloseWatcher::instance());
    created->setAttribute(Qt::WA_DeleteOnClose, true);
    if (owner)
        created->setParent(owner, created->windowFlags() | Qt::Window);
    if (disableOthers)
        created->setWindowModality(Qt::ApplicationModal);
    created->show();
    return Live(*entry) != nullptr;
}

bool IsWindowLoaded(const WindowReference &window)
{
    const Entry *entry = EntryFor(window);
    return entry && Live(*entry);
}

QWidget *LoadedWindow(std::uint32_t windowId)
{
    const Entry *entry = EntryFor(windowId);
    return entry ? Live(*entry) : nullptr;
}

QWidget *FindControl(const ControlReference &control)
{
    const Entry *entry = EntryFor(control.window);
    QWidget *window = entry ? Live(*entry) : nullptr;
    if (!window)
        return nullptr;
    if (control.control == control.window)
        return window;
    const auto &controls = entry->description.controls;
    const auto it = std::find_if(controls.begin(), controls.end(),
                                 [&](const auto &c) { return c.id == control.control; });
    if (it == controls.end())
        return nullptr;
    return window->findChild<QWidget *>(it->objectName);
}

QWidget &LookUpControl(const ControlReference &control)
{
    QWidget *widget = FindControl(control);
    if (!widget) {
        static const Text message = Utf8ToText("指定窗口或窗口组件不存在或尚未载入");
        FatalError(message);
    }
    return *widget;
}

void FocusControl(const ControlReference &control)
{
    QWidget &widget = LookUpControl(control);
    widget.setFocus(Qt::OtherFocusReason);
}

} // namespace jiujiu
