#pragma once
// Posts the e-mail form to the maker's relay and reports the outcome as
// the message to show: EmailSent, EmailNotSent (the relay failed: HTTP
// status 400 or above), NoConnection (no connection or no answer in time).

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include "resources/strings.h"

class QNetworkReply;

namespace bd {

class RelaySender : public QObject {
    Q_OBJECT
public:
    explicit RelaySender(QObject* parent = nullptr);
    ~RelaySender() override;

    // How long the relay may take to answer.
    void setTimeout(int milliseconds) { timeout_ = milliseconds; }
    int timeout() const { return timeout_; }

    // Starts a post of body (form-urlencoded) to url; finished() follows.
    void send(const QUrl& url, const QByteArray& body);
    // Drops the request under way; finished() is not emitted.
    void cancel();
    bool busy() const { return !reply_.isNull(); }

signals:
    void finished(Str messageId);

private:
    void replyFinished();

    QNetworkAccessManager manager_;
    QPointer<QNetworkReply> reply_;
    QTimer timer_;
    int timeout_ = 60000;
    bool timedOut_ = false;
};

// The message for an answer: its HTTP status (0 when none came) and
// whether the transfer failed.
Str relayOutcome(int httpStatus, bool transferFailed, bool timedOut);

} // namespace bd
