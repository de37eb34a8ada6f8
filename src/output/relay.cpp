#include "output/relay.h"

#include <QNetworkReply>
#include <QNetworkRequest>

namespace bd {

RelaySender::RelaySender(QObject* parent) : QObject(parent)
{
    timer_.setParent(this);
    timer_.setObjectName(QStringLiteral("relayTimeout"));
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (!reply_)
            return;
        timedOut_ = true;
        reply_->abort(); // finishes the reply
    });
}

RelaySender::~RelaySender() { cancel(); }

void RelaySender::send(const QUrl& url, const QByteArray& body)
{
    cancel();
    timedOut_ = false;
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
    reply_ = manager_.post(request, body);
    connect(reply_.data(), &QNetworkReply::finished, this, &RelaySender::replyFinished);
    timer_.start(timeout_);
}

void RelaySender::cancel()
{
    timer_.stop();
    if (!reply_)
        return;
    QNetworkReply* reply = reply_.data();
    reply_.clear();
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

void RelaySender::replyFinished()
{
    QNetworkReply* reply = reply_.data();
    if (!reply || sender() != reply)
        return;
    timer_.stop();
    reply_.clear();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const Str outcome = relayOutcome(status.isValid() ? status.toInt() : 0, reply->error() != QNetworkReply::NoError,
                                     timedOut_);
    reply->deleteLater();
    emit finished(outcome);
}

Str relayOutcome(int httpStatus, bool transferFailed, bool timedOut)
{
    if (timedOut)
        return Str::NoConnection;
    if (httpStatus >= 400)
        return Str::EmailNotSent;
    if (transferFailed || httpStatus == 0)
        return Str::NoConnection;
    return Str::EmailSent;
}

} // namespace bd
