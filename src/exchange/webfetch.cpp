#include "exchange/webfetch.h"

#include "exchange/formats/readers.h"
#include "app/base/text.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTimer>
#include <QWindow>

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

namespace {
// How often a waiting fetch tells its progress, in milliseconds.
constexpr int kProgressTick = 50;
} // namespace

FetchGroup::FetchGroup(QObject* parent) : QObject(parent), manager_(new QNetworkAccessManager(this))
{
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, [this] { abortAll(FetchFault::Timeout); });
}

FetchGroup::~FetchGroup()
{
    // What has not come goes with the manager, no longer heard.
    for (QNetworkReply* reply : replies_)
        if (reply)
            reply->disconnect(this);
}

void FetchGroup::start(const QList<QUrl>& urls, int timeoutMs, qint64 limit)
{
    Q_ASSERT(!started_);
    started_ = true;
    limit_ = limit;
    const size_t n = size_t(urls.size());
    results_.assign(n, FetchedPage());
    replies_.assign(n, nullptr);
    aborted_.assign(n, FetchFault::None);
    for (size_t i = 0; i < n; ++i) {
        const QUrl& url = urls[qsizetype(i)];
        results_[i].url = url;
        const QString scheme = url.scheme().toLower();
        if (!url.isValid() || url.host().isEmpty() ||
            (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
            results_[i].fault = FetchFault::NotAddress;
            ++done_;
            continue;
        }
        QNetworkRequest request(url);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
        request.setMaximumRedirectsAllowed(10);
        request.setHeader(QNetworkRequest::UserAgentHeader,
                          QByteArray("Mozilla/5.0 (compatible; Brindelle/" BRINDELLE_VERSION ")"));
        request.setRawHeader("Accept", "text/html,application/xhtml+xml,application/json;q=0.9,*/*;q=0.8");
        QNetworkReply* reply = manager_->get(request);
        replies_[i] = reply;
        connect(reply, &QNetworkReply::downloadProgress, this, [this, i, reply](qint64 received, qint64 total) {
            if (aborted_[i] == FetchFault::None && (received > limit_ || total > limit_)) {
                aborted_[i] = FetchFault::TooLarge;
                reply->abort();
            }
        });
        connect(reply, &QNetworkReply::finished, this, [this, i] { settle(i); });
    }
    // Every request is out before the clock starts.
    if (done_ < total())
        deadline_.start(timeoutMs);
    else
        emit finished();
}

void FetchGroup::cancel() { abortAll(FetchFault::Cancelled); }

void FetchGroup::abortAll(FetchFault why)
{
    deadline_.stop();
    // An aborted reply finishes at once and is settled (its entry cleared).
    for (size_t i = 0; i < replies_.size(); ++i) {
        if (QNetworkReply* reply = replies_[i]) {
            if (aborted_[i] == FetchFault::None)
                aborted_[i] = why;
            reply->abort();
        }
    }
}

void FetchGroup::settle(size_t i)
{
    QNetworkReply* reply = replies_[i];
    if (!reply)
        return;
    replies_[i] = nullptr;
    FetchedPage& page = results_[i];
    page.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    page.url = reply->url();
    page.contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    // A reply that had come whole when it was aborted counts as come.
    if (aborted_[i] != FetchFault::None && reply->error() != QNetworkReply::NoError)
        page.fault = aborted_[i];
    else if (page.status >= 400)
        page.fault = FetchFault::HttpError;
    else if (reply->error() != QNetworkReply::NoError || page.status == 0)
        page.fault = FetchFault::NoConnection;
    else
        page.body = reply->readAll();
    if (page.body.size() > limit_) {
        page.fault = FetchFault::TooLarge;
        page.body.clear();
    }
    reply->deleteLater();
    ++done_;
    if (isFinished())
        deadline_.stop();
    emit fetched(int(i));
    if (isFinished())
        emit finished();
}

std::vector<FetchedPage> fetchUrls(const QList<QUrl>& urls, int timeoutMs, qint64 limit, const FetchProgress& progress)
{
    FetchGroup group;
    group.start(urls, timeoutMs, limit);
    // Progress is told from this loop, never from inside a reply's signal,
    // since it may let events run. What the user does waits until a
    // dialog of this wait's own (the progress, with its Cancel) holds the
    // window; from then on it goes through, to that dialog.
    const bool gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    QWindow* const modalBefore = gui ? QGuiApplication::modalWindow() : nullptr;
    QTimer ticks; // wakes the loop to tell progress
    QElapsedTimer sinceTold;
    sinceTold.start();
    if (progress)
        ticks.start(kProgressTick);
    QEventLoop loop;
    while (!group.isFinished()) {
        const bool held = gui && QGuiApplication::modalWindow() != modalBefore;
        loop.processEvents((held ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents) |
                           QEventLoop::WaitForMoreEvents);
        if (progress && !group.isFinished() && sinceTold.elapsed() >= kProgressTick) {
            sinceTold.restart();
            if (!progress(group.done(), group.total()))
                group.cancel();
        }
    }
    return group.results();
}

FetchedPage fetchUrl(const QUrl& url, int timeoutMs, qint64 limit, const FetchProgress& progress)
{
    return fetchUrls({url}, timeoutMs, limit, progress).front();
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
    case FetchFault::Cancelled: return QString();
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
