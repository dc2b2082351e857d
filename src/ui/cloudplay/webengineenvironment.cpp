#include "ui/cloudplay/webengineenvironment.h"

#include <QCoreApplication>
#include <cstdlib>
#include <unistd.h>

namespace jiujiu {

void PrepareWebEngineEnvironment()
{
#ifndef _WIN32
    if (::geteuid() == 0) {
        // overwrite = 0: whatever the user or the test runner set wins.
        ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
        ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu", 0);
    }
#endif
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

} // namespace jiujiu
