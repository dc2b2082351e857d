#pragma once

#include "ui/browsercontrol.h"

#include <QWidget>

class QNetworkAccessManager;

namespace jiujiu {

// The main window's hidden 1 x 1 browser control. It only ever makes visits: each navigation
// is a plain background GET whose answer is thrown away, so no browser engine starts with the
// main window. Nothing is shown; failures are not looked at.
class StatisticsBrowser final : public QWidget, public BrowserControl
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatisticsBrowser)

public:
    explicit StatisticsBrowser(QWidget *parent = nullptr);
    ~StatisticsBrowser() override;

    void navigate(const Text &address, const Text &frame) override;

    // The last address asked for (for inspection), and the visits still running.
    const Text &lastAddress() const { return m_lastAddress; }
    int runningVisits() const { return m_running; }

signals:
    void visitFinished();

private:
    QNetworkAccessManager *m_network = nullptr;
    Text m_lastAddress;
    int m_running = 0;
};

// "http://" + statistics host + "/qiku.php?p=" + the program's identifier + "&q=a"; empty when
// the statistics host setting is empty.
Text StatisticsAddress();

} // namespace jiujiu
