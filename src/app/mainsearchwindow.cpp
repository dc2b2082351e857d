#include "mainsearchwindow.h"

#include "runtime/conversions.h"
#include "ui/controlproperties.h"
#include "ui/coretexts.h"
#include "ui/interfacelanguage.h"
#include "ui/listcommands.h"
#include "ui/mainwindow.h"
#include "ui/qttext.h"
#include "ui/windowregistry.h"

#include <QWidget>

namespace jiujiu {
namespace {

constexpr std::uint32_t kWindow = MainWindow::Reference.window;

ControlReference ResultList()
{
    return MainWindow::control(MainWindow::ResultList);
}

} // namespace

Text MainSearchWindow::keyword()
{
    return ToText(ReadControlProperty(kWindow, MainWindow::KeywordBox, PropertyText));
}

void MainSearchWindow::setCurrentPage(int page)
{
    WriteControlProperty(kWindow, MainWindow::Pages, PropertyCurrentPage, -1, Value(page));
}

void MainSearchWindow::setAnnouncement(const Text &text)
{
    // The search's texts are Chinese; the line shows them in the interface's language (the
    // Chinese bytes untouched).
    const Text shown = InterfaceIsEnglish() ? ToRuntimeText(InterfaceText(ToQString(text))) : text;
    WriteControlProperty(kWindow, MainWindow::Announcement, PropertyText, -1, Value(shown));
}

void MainSearchWindow::showFailure(const Text &announcement, const Text &detail)
{
    setAnnouncement(announcement);
    if (auto *window = qobject_cast<MainWindow *>(LoadedWindow(kWindow)))
        window->setAnnouncementDetail(ToQString(detail));
}

int MainSearchWindow::insertRow(int at, const Text &caption)
{
    return ListInsertItem(ResultList(), Value(at), Value(caption));
}

void MainSearchWindow::offerRetry(bool offered)
{
    if (auto *window = qobject_cast<MainWindow *>(LoadedWindow(kWindow)))
        window->setRetryOffered(offered);
}

void MainSearchWindow::showProgress(const Text &text)
{
    setAnnouncement(text);
}

void MainSearchWindow::deleteAllRows()
{
    ListDeleteAllItems(ResultList());
}

int MainSearchWindow::appendRow(const Text &caption)
{
    return ListInsertItem(ResultList(), Value(), Value(caption));
}

void MainSearchWindow::setCell(int row, int column, const Text &text)
{
    ListSetItemText(ResultList(), row, Value(column), Value(text));
}

void MainSearchWindow::appendRows(std::vector<ResultRow> &&rows)
{
    ListAppendRows(ResultList(), std::move(rows));
}

Text MainSearchWindow::cellText(int row, int column)
{
    return ListGetItemText(ResultList(), row, Value(column));
}

int MainSearchWindow::currentSelection()
{
    return ToInteger(
        ReadControlProperty(kWindow, MainWindow::ResultList, PropertyCurrentSelection));
}

void MainSearchWindow::setSearchRunning(bool running)
{
    if (auto *window = qobject_cast<MainWindow *>(LoadedWindow(kWindow)))
        window->setSearchRunning(running);
}

void MainSearchWindow::setServiceNote(const Text &note)
{
    if (QWidget *announcement = FindControl(MainWindow::control(MainWindow::Announcement)))
        announcement->setToolTip(InterfaceText(ToQString(note)));
}

bool MainSearchWindow::stopRequested()
{
    // The window's stop button and Esc reach the workflow directly (SearchWorkflow::stopSearch).
    return false;
}

} // namespace jiujiu
