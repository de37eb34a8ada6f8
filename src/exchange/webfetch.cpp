#include "exchange/webfetch.h"

#include "exchange/readers.h"
#include "resources/strings.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTimer>

namespace bd {

QUrl webAddress(const QString& typed)
{
    QString text = typed.trimmed();
    if (text.isEmpty() || text.contains(QLatin1Char(' ')))
        return QUrl();
    if (!text.contains(QLatin1String("://")))
        text.prepend(QStringLiteral("https://"));
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return QUrl();
    return url;
}

FetchedPage fetchUrl(const QUrl& url, int timeoutMs, qint64 limit)
{
    FetchedPage page;
    page.url = url;
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        page.fault = FetchFault::NotAddress;
        return page;
    }
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(10);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QByteArray("Mozilla/5.0 (compatible; Brindelle/" BRINDELLE_VERSION ")"));
    request.setRawHeader("Accept", "text/html,application/xhtml+xml,application/json;q=0.9,*/*;q=0.8");
    QNetworkReply* reply = manager.get(request);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    bool timedOut = false, tooLarge = false;
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::downloadProgress, &loop, [&](qint64 received, qint64 total) {
        if (!tooLarge && (received > limit || total > limit)) {
            tooLarge = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    timer.start(timeoutMs);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    timer.stop();

    page.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    page.url = reply->url();
    page.contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    if (tooLarge)
        page.fault = FetchFault::TooLarge;
    else if (timedOut)
        page.fault = FetchFault::Timeout;
    else if (page.status >= 400)
        page.fault = FetchFault::HttpError;
    else if (reply->error() != QNetworkReply::NoError || page.status == 0)
        page.fault = FetchFault::NoConnection;
    else
        page.body = reply->readAll();
    if (page.body.size() > limit) {
        page.fault = FetchFault::TooLarge;
        page.body.clear();
    }
    delete reply;
    return page;
}

QString fetchFaultText(const FetchedPage& page)
{
    switch (page.fault) {
    case FetchFault::None: return QString();
    case FetchFault::NotAddress: return fetchText(Str::NotWebAddress);
    case FetchFault::NoConnection: return fetchText(Str::WebNoConnection);
    case FetchFault::HttpError: return fetchText(Str::WebHttpError).arg(page.status);
    case FetchFault::Timeout: return fetchText(Str::WebTimeout);
    case FetchFault::TooLarge: return fetchText(Str::WebTooLarge);
    }
    return QString();
}

QString pageText(const FetchedPage& page)
{
    static const QRegularExpression charset(QStringLiteral("charset\\s*=\\s*[\"']?([A-Za-z0-9_.:-]+)"),
                                            QRegularExpression::CaseInsensitiveOption);
    QString name = charset.match(QString::fromLatin1(page.contentType)).captured(1);
    if (name.isEmpty())
        name = charset.match(QString::fromLatin1(page.body.left(4096))).captured(1);
    name = name.toLower();
    if (name.isEmpty() || name == QLatin1String("utf-8") || name == QLatin1String("utf8") ||
        name == QLatin1String("windows-1252") || name.contains(QLatin1String("8859-1")))
        return decodeAnyText(page.body);
    QStringDecoder decoder(name.toLatin1().constData());
    if (!decoder.isValid())
        return decodeAnyText(page.body);
    return decoder.decode(page.body);
}

} // namespace bd
