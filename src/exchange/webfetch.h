#pragma once
// Fetching a web page (or a picture) for the import: one request that
// follows redirects, gives up after a time and past a size, and says what
// went wrong in terms a cook can act on.

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace bd {

enum class FetchFault { None, NotAddress, NoConnection, HttpError, Timeout, TooLarge };

struct FetchedPage {
    FetchFault fault = FetchFault::None;
    int status = 0;         // the HTTP status, 0 when none came
    QUrl url;               // where the page was found, after redirects
    QByteArray contentType; // as the server named it
    QByteArray body;
};

constexpr int kFetchTimeout = 30000;               // milliseconds for a whole page
constexpr qint64 kPageLimit = 16 * 1024 * 1024;    // bytes of a page
constexpr qint64 kPictureLimit = 16 * 1024 * 1024; // bytes of a picture

// The address a cook typed as a web address: http or https, the scheme
// added ("https://") when none was typed. Invalid when it is none.
QUrl webAddress(const QString& typed);

// Fetches url, waiting in a local event loop (a QCoreApplication must
// exist). Redirects are followed (at most ten, never from https to http).
FetchedPage fetchUrl(const QUrl& url, int timeoutMs = kFetchTimeout, qint64 limit = kPageLimit);

// The message for a failed fetch (empty for none).
QString fetchFaultText(const FetchedPage& page);

// The text of a fetched page, in the character set its Content-Type or
// its <meta> names, else UTF-8 (Windows-1252 when the bytes are not UTF-8).
QString pageText(const FetchedPage& page);

} // namespace bd
