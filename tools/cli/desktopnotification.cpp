#include "desktopnotification.h"

#include "cliwindow.h"
#include "net/openerprocess.h"

#include <chrono>
#include <cstdlib>
#include <sys/stat.h>

namespace jiujiu {

DesktopNotification::DesktopNotification(std::string summary, std::string body)
    : m_summary(std::move(summary)), m_body(std::move(body))
{}

std::string DesktopNotification::GVariantString(const std::string &utf8)
{
    // GVariant's text format quotes a string as JSON does.
    return CliWindow::EscapeJsonString(utf8);
}

std::string DesktopNotification::EscapeMarkup(const std::string &utf8)
{
    std::string out;
    for (const char c : utf8) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

bool DesktopNotification::SessionBusNamed()
{
    if (const char *address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address)
        return true;
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat status = {};
    return runtime && *runtime && ::stat((std::string(runtime) + "/bus").c_str(), &status) == 0 &&
           S_ISSOCK(status.st_mode);
}

std::vector<std::string> DesktopNotification::command() const
{
    // Typed literals: the call reads the same whether or not the server can be introspected.
    return {"gdbus",
            "call",
            "--session",
            "--dest",
            "org.freedesktop.Notifications",
            "--object-path",
            "/org/freedesktop/Notifications",
            "--method",
            "org.freedesktop.Notifications.Notify",
            GVariantString("jiujiu"),
            "uint32 0",
            GVariantString("jiujiu"),
            GVariantString(m_summary),
            GVariantString(m_body),
            "@as []",
            "@a{sv} {}",
            "int32 -1"};
}

std::string DesktopNotification::post() const
{
    if (!SessionBusNamed())
        return "no session bus (DBUS_SESSION_BUS_ADDRESS is not set)";
    OpenerProcess gdbus(command());
    if (!gdbus.started())
        return "gdbus could not be started";
    const auto status = gdbus.waitFor(std::chrono::seconds(10), [] {});
    if (!status)
        return "the notification server did not answer within 10 s";
    if (!ExitedCleanly(*status))
        return "the session bus has no notification server, or it refused the notification";
    return {};
}

} // namespace jiujiu
