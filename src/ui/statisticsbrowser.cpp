#include "ui/statisticsbrowser.h"

#include "runtime/codepage.h"
#include "runtime/conversions.h"
#include "runtime/settings.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace jiujiu {
namespace {

// Identifies this program to the statistics page.
constexpr const char *StatisticsIdentifier = "5A1C09E37B24D68F";

} // namespace

Text StatisticsAddress()
{
    const std::string host = HostSetting(Host::Stats);
    if (host.empty())
        return {};
    return Concatenate({"http://", host, "/qiku.php?p=", StatisticsIdentifier, "&q=a"});
}

StatisticsBrowser::StatisticsBrowser(QWidget *parent)
    : QWidget(parent), m_network(new QNetworkAccessManager(this))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

StatisticsBrowser::~StatisticsBrowser() = default;

void StatisticsBrowser::navigate(const Text &address, const Text &)
{
    m_lastAddress = address;
    const std::string utf8 = TextToUtf8(address);
    const QUrl url(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
    if (!url.isValid() ||
        (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")))
        return;
    QNetworkRequest request(url);
    request.setTransferTimeout(30000);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply *reply = m_network->get(request);
    ++m_running;
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        --m_running;
        emit visitFinished();
    });
}

} // namespace jiujiu
