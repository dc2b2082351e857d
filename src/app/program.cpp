#include "program.h"

#include "mainsearchwindow.h"
#include "net/httprequest.h"
#include "regex/regexobject.h"
#include "runtime/codepage.h"
#include "runtime/conversions.h"
#include "runtime/fatalerror.h"
#include "runtime/lifecycle.h"
#include "runtime/process.h"
#include "runtime/programdirectory.h"
#include "runtime/uiservices.h"
#include "search/resultactions.h"
#include "search/searchworkflow.h"
#include "skinbinding.h"
#include "ui/clientmarkswatcher.h"
#include "ui/cloudplay/cloudplay.h"
#include "ui/desktoptheme.h"
#include "ui/interfacelanguage.h"
#include "ui/mainwindow.h"
#include "ui/reportlistview.h"
#include "ui/resultlistmodel.h"
#include "ui/savedsearchesmenu.h"
#include "ui/visualstyle.h"
#include "ui/windowregistry.h"

#include <QApplication>
#include <QLocale>
#include <chrono>

namespace jiujiu {
namespace {

Program *g_program = nullptr;

} // namespace

Text UpdaterCommandLine(const Text &programDirectory)
{
#ifdef _WIN32
    static const Text file = "\\AutoUpdate.exe";
#else
    static const Text file = "/AutoUpdate";
#endif
    return Concatenate({"\"", programDirectory, file, "\" -ver:2,1,1,013"});
}

Program::Program()
    : m_regex(std::make_unique<RegexObject>()),
      m_searchWindow(std::make_unique<MainSearchWindow>()),
      m_workflow(std::make_unique<SearchWorkflow>(*m_searchWindow, *m_regex))
{}

Program::~Program() = default;

Program *Program::instance()
{
    return g_program;
}

void Program::connectMainWindow(MainWindow &window)
{
    window.setCloseQuery(OnMainWindowCloseQuery);
    window.savedSearches().setBackoff(&m_workflow->backoff());
    QObject::connect(&window, &MainWindow::created, &window, OnMainWindowCreated);
    QObject::connect(&window, &MainWindow::destroying, &window, OnMainWindowDestroying);
    QObject::connect(&window, &MainWindow::searchClicked, &window,
                     [this] { m_workflow->StartSearch(); });
    QObject::connect(&window, &MainWindow::stopRequested, &window,
                     [this] { m_workflow->stopSearch(); });
    QObject::connect(&window, &MainWindow::retryRequested, &window,
                     [this] { m_workflow->RetryFailedPages(); });
    QObject::connect(
        &window, &MainWindow::keywordKeyPressed, &window,
        [this](int key, int modifiers) { m_workflow->OnKeywordKeyPressed(key, modifiers); });
    QObject::connect(&window, &MainWindow::resultDoubleClicked, &window, [this, &window] {
        ActOnSelectedResult(
            *m_searchWindow, ShowCloudPlayPage,
            [&window](const Text &link) { window.clientMarks().noteHandedOver({link}); },
            [&window](int row) { return window.resultList().listModel()->mark(row); });
    });
    // 云播放 from the context menu: no question, the row's link straight to the cloud-play page.
    QObject::connect(&window, &MainWindow::resultPlayRequested, &window, [this](int row) {
        ShowCloudPlayPage(CloudPlayAddress(m_searchWindow->cellText(row, LinkColumn)));
    });
}

RegexObject *ProgramRegex()
{
    return g_program ? &g_program->regex() : nullptr;
}

void OnMainWindowCreated()
{
    // The built-in skin is a light one: a dark desktop or a style of the user's choice keeps
    // its own look.
    if (FollowDesktopTheme())
        AttachSkin();
    SetVisualStyle(2);
    RunCommandLine(UpdaterCommandLine(ProgramDirectory()));
    FocusControl(MainWindow::control(MainWindow::KeywordBox));
}

bool OnMainWindowCloseQuery()
{
    static const Text question = Utf8ToText("您确定离开忠诚的小啾啾吗？");
    static const Text caption = Utf8ToText("退出");
    return ShowMessageBox(Value(question), Value(MbOkCancel | MbIconInformation), Value(caption)) ==
           0;
}

void OnMainWindowDestroying()
{
    DetachSkin();
    UnmapSkinEngine();
    // Requests of a search still running are abandoned; a worker may still be inside the TLS
    // library, so let it finish briefly.
    CancelHttpWorkers();
    WaitForHttpWorkers(std::chrono::milliseconds(500));
    EndProgram(0);
}

void StartProgram()
{
    InitProgramDirectory();

    g_program = new Program();
    SetCleanupRoutine([] {
        delete g_program;
        g_program = nullptr;
    });

    MapSkinEngine();
    InstallInterfaceLanguage(QLocale::system());

    RegisterMainWindowDescription([](MainWindow &window) {
        if (g_program)
            g_program->connectMainWindow(window);
    });
    if (!LoadWindow(MainWindow::Reference)) {
        static const Text message = Utf8ToText("载入启动窗口失败");
        FatalError(message);
    }
}

int ProgramMain()
{
    StartProgram();
    QApplication::exec();
    // The loop can also end without the main window's destruction (a quit request).
    RunCleanupRoutine();
    return 0;
}

} // namespace jiujiu
