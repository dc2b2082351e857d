// A stand-in desktop notification server: owns org.freedesktop.Notifications on the session bus
// (DBUS_SESSION_BUS_ADDRESS) and prints each notification as one line, "SUMMARY\tBODY" (line
// feeds in the body as \n), after printing "ready" once it owns the name.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <cstdio>

class NotificationServer final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public slots:
    uint Notify(const QString &, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &, const QVariantMap &, int)
    {
        QString line = summary + QLatin1Char('\t') + body;
        line.replace(QLatin1Char('\n'), QLatin1String("\\n"));
        std::printf("%s\n", line.toUtf8().constData());
        std::fflush(stdout);
        return ++m_id;
    }

private:
    uint m_id = 0;
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    NotificationServer server;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.Notifications")))
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

#include "notificationstandin.moc"
