#pragma once
// Fetching a web page (or its pictures) for the import: requests that
// follow redirects, give up after a time and past a size, and say what
// went wrong in terms a cook can act on. Several addresses are fetched side
// by side within one time limit for all of them.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;

namespace bd {

// Cancelled: the cook stopped the fetch (nothing to tell).
enum class FetchFault { None, NotAddress, NoConnection, HttpError, Timeout, TooLarge, Cancelled };

struct FetchedPage {
    FetchFault fault = FetchFault::None;
    int status = 0;         // the HTTP status, 0 when none came
    QUrl url;               // where the page was found, after redirects
    QByteArray contentType; // as the server named it
    QByteArray body;
};

constexpr int kFetchTimeout = 30000;               // milliseconds for a whole page
constexpr int kPicturesTimeout = 30000;            // milliseconds for all of a page's pictures together
constexpr qint64 kPageLimit = 16 * 1024 * 1024;    // bytes of a page
constexpr qint64 kPictureLimit = 16 * 1024 * 1024; // bytes of a picture

// Told how many of the addresses have come (done of total) while a fetch
// waits, every little while; returns false to cancel what has not come.
// It may let events run (a progress dialog with a Cancel button).
using FetchProgress = std::function<bool(int done, int total)>;

// The address a cook typed as a web address: http or https, the scheme
// added ("https://") when none was typed. Invalid when it is none.
QUrl webAddress(const QString& typed);

// Fetches addresses side by side, all within one time limit that runs from
// start(): whatever has not come when it runs out is aborted (Timeout), so
// that pictures that never come hold the import up once, not once each.
// Each request follows redirects (at most ten, never from https to http)
// and is aborted past the size limit. Needs a running event loop.
class FetchGroup : public QObject {
    Q_OBJECT
public:
    explicit FetchGroup(QObject* parent = nullptr);
    ~FetchGroup() override;

    // Requests every url at once. Started once.
    void start(const QList<QUrl>& urls, int timeoutMs, qint64 limit);
    // Aborts what has not come yet (Cancelled).
    void cancel();

    bool isFinished() const { return started_ && done_ == int(results_.size()); }
    int done() const { return done_; }
    int total() const { return int(results_.size()); }
    // One for each url, in their order; each filled in when it has come.
    const std::vector<FetchedPage>& results() const { return results_; }

signals:
    void fetched(int index); // the request for results()[index] has come (or failed)
    void finished();         // all of them have

private:
    void abortAll(FetchFault why);
    void settle(size_t index);

    QNetworkAccessManager* manager_;
    QTimer deadline_;
    std::vector<FetchedPage> results_;
    std::vector<QNetworkReply*> replies_; // the outstanding requests, null once come
    std::vector<FetchFault> aborted_;     // why a request was aborted, None when it was not
    qint64 limit_ = kPageLimit;
    int done_ = 0;
    bool started_ = false;
};

// Fetches urls side by side within timeoutMs for all of them, waiting in a
// local event loop (a QCoreApplication must exist); their results in their
// order. progress, when given, is told every little while.
std::vector<FetchedPage> fetchUrls(const QList<QUrl>& urls, int timeoutMs, qint64 limit,
                                   const FetchProgress& progress = {});

// Fetches one url as fetchUrls does.
FetchedPage fetchUrl(const QUrl& url, int timeoutMs = kFetchTimeout, qint64 limit = kPageLimit,
                     const FetchProgress& progress = {});

// The message for a failed fetch (empty for none, and for a cancelled one).
QString fetchFaultText(const FetchedPage& page);

// The text of a fetched page, in the character set its Content-Type or
// its <meta> names, else UTF-8 (Windows-1252 when the bytes are not UTF-8).
QString pageText(const FetchedPage& page);

} // namespace bd
