#include "ui/windowregistry.h"

#include "runtime/codepage.h"
#include "runtime/fatalerror.h"

#include <QPointer>
#include <QWidget>
#include <algorithm>

namespace jiujiu {
namespace {

struct Entry
{
    WindowDescription description;
    QPointer<QWidget> window;
};

std::vector<Entry> &Entries()
{
    static std::vector<Entry> entries;
    return entries;
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
    if (QWidget *existing = entry->window.data()) {
        if (existing->isMinimized()) {
            existing->showNormal();
        } else {
            existing->raise();
            existing->activateWindow();
        }
        return true;
    }
    QWidget *owner = nullptr;
    if (parent && !disableOthers) {
        Entry *parentEntry = EntryFor(*parent);
        if (!parentEntry || !parentEntry->window)
            return false;
        owner = parentEntry->window.data();
    }
    if (!entry->description.create)
        return false;
    QWidget *created = entry->description.create();
    if (!created)
        return false;
    entry = EntryFor(window); // the factory may have registered windows of its own
    entry->window = created;
    created->setAttribute(Qt::WA_DeleteOnClose, true);
    if (owner)
        created->setParent(owner, created->windowFlags() | Qt::Window);
    if (disableOthers)
        created->setWindowModality(Qt::ApplicationModal);
    created->show();
    return !entry->window.isNull();
}

bool IsWindowLoaded(const WindowReference &window)
{
    const Entry *entry = EntryFor(window);
    return entry && !entry->window.isNull();
}

QWidget *LoadedWindow(std::uint32_t windowId)
{
    const Entry *entry = EntryFor(windowId);
    return entry ? entry->window.data() : nullptr;
}

QWidget *FindControl(const ControlReference &control)
{
    const Entry *entry = EntryFor(control.window);
    if (!entry || !entry->window)
        return nullptr;
    QWidget *window = entry->window.data();
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
