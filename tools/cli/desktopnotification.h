#pragma once

#include <string>
#include <vector>

namespace jiujiu {

// One notification posted to the desktop's notification server
// (org.freedesktop.Notifications on the session bus) through GLib's gdbus tool.
class DesktopNotification final
{
public:
    DesktopNotification(std::string summary, std::string body);

    // The arguments of the gdbus call, its strings quoted as GVariant text.
    std::vector<std::string> command() const;
    // Posts it; answers why it could not be posted (no session bus, no server), or nothing.
    std::string post() const;

    // A string as GVariant text: quoted, with quotes, backslashes and controls escaped.
    static std::string GVariantString(const std::string &utf8);
    // The body's markup (which servers may read) escaped: & < >.
    static std::string EscapeMarkup(const std::string &utf8);
    // Whether a session bus is named: DBUS_SESSION_BUS_ADDRESS, else $XDG_RUNTIME_DIR/bus.
    static bool SessionBusNamed();

private:
    std::string m_summary;
    std::string m_body;
};

} // namespace jiujiu
