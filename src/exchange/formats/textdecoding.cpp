#include "exchange/formats/textdecoding.h"

#include "exchange/formats/parallel.h"
#include "store/charscan.h"
#include "store/encoding.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cstring>

namespace bd {

// Text of at least this many bytes is decoded in halves side by side.
constexpr qsizetype kHalvedText = 256 * 1024;

namespace {

// Where UTF-8 text is cut in two halves to be looked at side by side: at
// the start of a character near its middle. Where a fourth continuation
// byte in a row is met, the second half starts with it and is found
// wrong, as the whole would be.
qsizetype halfway(QByteArrayView bytes)
{
    qsizetype cut = bytes.size() / 2;
    for (int k = 0; k < 3 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80; ++k)
        ++cut;
    return cut;
}

// bytes as UTF-8, or nothing where they are not valid UTF-8 (a text in
// another encoding shows it at its first accent: checking first costs
// little where the whole text would be decoded in vain). A leading byte
// order mark is dropped unless keepMark. A long text is checked and
// decoded in two halves side by side, the second written after the first
// into the one text.
std::optional<QString> utf8Text(QByteArrayView bytes, bool keepMark)
{
    // Stateless: a sequence cut short at the end is an error, not a
    // character held back for more input.
    const auto flags = QStringDecoder::Flag::Stateless;
    if (bytes.size() < kHalvedText) {
        if (!QUtf8StringView(bytes).isValidUtf8())
            return std::nullopt;
        QStringDecoder decoder(QStringDecoder::Utf8,
                               keepMark ? flags | QStringDecoder::Flag::ConvertInitialBom : flags);
        return decoder.decode(bytes);
    }
    const qsizetype cut = halfway(bytes);
    const QByteArrayView halves[] = {bytes.first(cut), bytes.sliced(cut)};
    // A character takes no more UTF-16 units than it has bytes, so the
    // second half is written where the first half's bytes end, and moved
    // up to the end of its text when that is shorter.
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* const base = text.data();
    QChar* ends[2] = {};
    bool valid[2] = {};
    inParallelInOrder(
        2,
        [&](qsizetype k) {
            valid[k] = QUtf8StringView(halves[k]).isValidUtf8();
            if (!valid[k])
                return;
            // A mark at the start of the second half is a character of the text.
            QStringDecoder decoder(QStringDecoder::Utf8,
                                   keepMark || k == 1 ? flags | QStringDecoder::Flag::ConvertInitialBom : flags);
            ends[k] = decoder.appendToBuffer(base + (k == 0 ? 0 : cut), halves[k]);
        },
        [](qsizetype) {});
    if (!valid[0] || !valid[1])
        return std::nullopt;
    const qsizetype first = ends[0] - base, second = ends[1] - (base + cut);
    if (first < cut)
        std::memmove(base + first, base + cut, size_t(second) * sizeof(QChar));
    text.truncate(first + second);
    return text;
}

} // namespace

bool validUtf8(QByteArrayView bytes)
{
    if (bytes.size() < kHalvedText)
        return QUtf8StringView(bytes).isValidUtf8();
    const qsizetype cut = halfway(bytes);
    const QByteArrayView halves[] = {bytes.first(cut), bytes.sliced(cut)};
    bool valid[2] = {};
    inParallelInOrder(
        2, [&](qsizetype k) { valid[k] = QUtf8StringView(halves[k]).isValidUtf8(); }, [](qsizetype) {});
    return valid[0] && valid[1];
}

QString decodeRecipeText(const QByteArray& bytes)
{
    if (std::optional<QString> text = utf8Text(bytes, false))
        return std::move(*text);
    return decodeRecipeText(bytes, false);
}

QString decodeRecipeText(QByteArrayView part, bool utf8)
{
    if (utf8) {
        // A byte order mark here is a character of the text, not dropped.
        if (std::optional<QString> text = utf8Text(part, true))
            return std::move(*text);
        QStringDecoder decoder(QStringDecoder::Utf8,
                               QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        return decoder.decode(part);
    }
    // Windows-1252: Latin-1 but for the bytes 0x80 to 0x9F, which are rare
    // and looked for eight characters at a time.
    QString text = QString::fromLatin1(part.data(), part.size());
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    const qsizetype n = text.size();
    qsizetype i = 0;
    if constexpr (charscan::kBlocks)
        for (; i + 8 <= n; i += 8) {
            const charscan::Block b = charscan::load(out + i);
            if (charscan::atLeast(b, 0x80) & charscan::below(b, 0xA0))
                for (qsizetype k = i; k < i + 8; ++k)
                    out[k] = windows1252Char(static_cast<unsigned char>(out[k]));
        }
    for (; i < n; ++i)
        out[i] = windows1252Char(static_cast<unsigned char>(out[i]));
    return text;
}

QString decodeAnyText(const QByteArray& bytes)
{
    if (wideText(bytes)) {
        const auto encoding = QStringConverter::encodingForData(bytes);
        if (encoding) {
            QStringDecoder decoder(*encoding, QStringDecoder::Flag::Stateless);
            QString text = decoder.decode(bytes);
            if (text.startsWith(QChar(0xFEFF)))
                text.remove(0, 1);
            return text;
        }
    }
    return decodeRecipeText(bytes);
}

bool wideText(QByteArrayView bytes)
{
    // The UTF-32 little-endian mark begins like UTF-16's.
    return bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff") ||
           bytes.startsWith(QByteArrayView("\0\0\xfe\xff", 4));
}

std::optional<NarrowText> narrowText(const QByteArray& bytes)
{
    if (wideText(bytes))
        return std::nullopt;
    const bool utf8 = validUtf8(bytes);
    const QByteArrayView view(bytes);
    return NarrowText{utf8 && view.startsWith("\xef\xbb\xbf") ? view.sliced(3) : view, utf8};
}

QByteArray xmlAsUtf8(const QByteArray& bytes)
{
    const bool wide = wideText(bytes);
    // The declaration: <?xml ... encoding="name" ... ?>
    const qsizetype start = wide ? -1 : bytes.indexOf("<?xml");
    const qsizetype end = start >= 0 && start < 16 ? bytes.indexOf("?>", start) : -1;
    QByteArray encoding;
    qsizetype encStart = -1, encEnd = -1;
    if (end > 0) {
        const QByteArray declaration = bytes.mid(start, end - start);
        static thread_local const QRegularExpression re(QStringLiteral("\\s+encoding\\s*=\\s*[\"']([^\"']*)[\"']"));
        const QRegularExpressionMatch m = re.match(QString::fromLatin1(declaration));
        if (m.hasMatch()) {
            encoding = m.captured(1).toLatin1().toLower();
            encStart = start + m.capturedStart(0);
            encEnd = start + m.capturedEnd(0);
        }
    }
    const bool known = encoding.isEmpty() || encoding == "utf-8" || encoding == "utf8" || encoding == "us-ascii" ||
                       encoding == "ascii";
    // Files that say (or leave to the default) UTF-8 are sometimes written
    // in Windows-1252 all the same.
    if (!wide && known && validUtf8(bytes))
        return bytes;
    QString text;
    if (wide || encoding.startsWith("utf-16") || encoding.startsWith("utf-32"))
        text = decodeAnyText(bytes);
    else if (encoding == "iso-8859-1" || encoding == "latin1" || encoding == "latin-1" || encoding == "iso8859-1")
        // Its bytes 0x80 to 0x9F are control characters that no one types:
        // writers that declare it put Windows-1252's quotes and dashes there.
        text = decodeRecipeText(bytes, false);
    else // windows-1252 and anything unknown: bytes that are not UTF-8 are read as Windows-1252
        text = decodeRecipeText(bytes);
    if (encStart >= 0) {
        // The declaration is ASCII: its positions are the same in the text.
        text.remove(encStart, encEnd - encStart);
    } else if (wide) {
        static thread_local const QRegularExpression re(
            QStringLiteral("^(<\\?xml[^>]*?)\\s+encoding\\s*=\\s*[\"'][^\"']*[\"']"));
        text.replace(re, QStringLiteral("\\1"));
    }
    return text.toUtf8();
}

} // namespace bd
