#include "store/bookwriter.h"

#include <QMutex>
#include <QSemaphore>
#include <QThreadPool>
#include <QWaitCondition>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace bd {

namespace {

constexpr unsigned kFlags = pugi::format_raw | pugi::format_no_declaration;
// Elements this far down are split into their start tag, their children
// and their end tag: the book and its categories, so that the recipes are
// the pieces' nodes.
constexpr int kSplitDepth = 2;
// Pieces done ahead of the one being written, at most: what the save holds
// beside the book.
constexpr size_t kWindow = 8;

// A piece's text. Its writers make room for the most a part may take and
// then write into it, with no check for each line.
class PieceText {
public:
    // Where n more bytes may be written, after the text.
    char* room(size_t n)
    {
        if (n > capacity_ - size_)
            grow(n);
        return data_.get() + size_;
    }
    // The text now ends at end, in the room made last.
    void endAt(const char* end) { size_ = size_t(end - data_.get()); }
    void assign(const std::string& s)
    {
        std::memcpy(room(s.size()), s.data(), s.size());
        size_ = s.size();
    }
    void clear() { size_ = 0; }
    const char* data() const { return data_.get(); }
    size_t size() const { return size_; }

private:
    void grow(size_t n)
    {
        const size_t capacity = std::max(capacity_ * 2, size_ + n + 4096);
        std::unique_ptr<char[]> data(new char[capacity]);
        if (size_ > 0)
            std::memcpy(data.get(), data_.get(), size_);
        data_ = std::move(data);
        capacity_ = capacity;
    }

    std::unique_ptr<char[]> data_;
    size_t size_ = 0, capacity_ = 0;
};

// Appends what pugixml writes to text, each LF that does not follow a CR
// as CR LF. Every piece starts where a '>' was written last, so a piece's
// first byte never follows a CR.
struct LineEndWriter : pugi::xml_writer {
    PieceText* text = nullptr;
    bool afterCr = false;
    void write(const void* data, size_t size) override
    {
        const char* p = static_cast<const char*>(data);
        const char* const end = p + size;
        char* o = text->room(2 * size); // a CR, at most, before each byte
        while (p < end) {
            const char* lf = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
            const char* const stop = lf ? lf : end;
            std::memcpy(o, p, size_t(stop - p));
            o += stop - p;
            if (stop > p)
                afterCr = stop[-1] == '\r';
            if (!lf)
                break;
            if (!afterCr) // a CR LF already in the text stays one line end
                *o++ = '\r';
            *o++ = '\n';
            afterCr = false;
            p = lf + 1;
        }
        text->endAt(o);
    }
};

// A piece of the file: a start or end tag written out already, or count
// sibling nodes from first on.
struct Piece {
    std::string tag;
    pugi::xml_node first;
    int count = 0;
};

const char* nameOf(pugi::xml_node element)
{
    // What pugixml writes for an element without a name.
    return *element.name() ? element.name() : ":anonymous";
}

// element's start tag as it stands before its children; false when
// pugixml would not write it so.
bool startTag(pugi::xml_node element, std::string& tag)
{
    pugi::xml_document shallow;
    pugi::xml_node copy = shallow.append_child(element.name());
    for (pugi::xml_attribute a : element.attributes())
        copy.append_copy(a);
    PieceText text;
    LineEndWriter w;
    w.text = &text;
    shallow.save(w, PUGIXML_TEXT(""), kFlags | pugi::format_no_empty_element_tags, pugi::encoding_utf8);
    tag.assign(text.data(), text.size());
    // Written as "<name ...></name>": the end tag goes.
    const std::string end = std::string("</") + nameOf(element) + '>';
    if (tag.size() <= end.size() || tag.compare(tag.size() - end.size(), end.size(), end) != 0)
        return false;
    tag.resize(tag.size() - end.size());
    return true;
}

// An element split into tags and children: one that has children and no
// text of its own (which pugixml writes before them).
bool splits(pugi::xml_node n, int depth)
{
    return depth < kSplitDepth && n.type() == pugi::node_element && n.first_child() && !*n.value();
}

// The pieces of parent's children, depth levels below the document. False
// when a tag would not come out as pugixml writes it.
bool plan(pugi::xml_node parent, int depth, int perPiece, std::vector<Piece>& pieces)
{
    for (pugi::xml_node n = parent.first_child(); n;) {
        if (splits(n, depth)) {
            Piece start;
            if (!startTag(n, start.tag))
                return false;
            pieces.push_back(std::move(start));
            if (!plan(n, depth + 1, perPiece, pieces))
                return false;
            Piece end;
            end.tag = std::string("</") + nameOf(n) + '>';
            pieces.push_back(std::move(end));
            n = n.next_sibling();
            continue;
        }
        // A run of siblings, cut only after an element (which ends in '>').
        Piece run;
        run.first = n;
        while (n && !splits(n, depth)) {
            const bool element = n.type() == pugi::node_element;
            ++run.count;
            n = n.next_sibling();
            if (element && run.count >= perPiece)
                break;
        }
        pieces.push_back(std::move(run));
    }
    return true;
}

void render(const Piece& piece, PieceText& text)
{
    text.clear();
    if (piece.count == 0) {
        text.assign(piece.tag);
        return;
    }
    LineEndWriter w;
    w.text = &text;
    pugi::xml_node n = piece.first;
    for (int i = 0; i < piece.count; ++i, n = n.next_sibling())
        n.print(w, PUGIXML_TEXT(""), kFlags, pugi::encoding_utf8);
}

bool writeAll(QIODevice& out, const PieceText& text)
{
    return out.write(text.data(), qint64(text.size())) == qint64(text.size());
}

// Pieces turned into text side by side and written in order. Pieces are
// taken in order, by the helpers and by the caller while it waits for the
// next one to write, never more than kWindow ahead of the writing.
class PieceWriter {
public:
    explicit PieceWriter(const std::vector<Piece>& pieces)
        : pieces_(pieces), done_(pieces.size(), false), texts_(kWindow)
    {
    }

    bool run(QIODevice& out, int helpers)
    {
        QThreadPool* pool = QThreadPool::globalInstance();
        if (helpers < 0)
            helpers = pool->maxThreadCount() - 1;
        int started = 0;
        for (int h = 0; h < helpers && size_t(h + 1) < pieces_.size(); ++h)
            if (pool->tryStart([this] { help(); }))
                ++started;
        bool ok = true;
        for (size_t i = 0; i < pieces_.size() && ok; ++i) {
            QMutexLocker lock(&mutex_);
            while (!done_[i]) {
                if (free())
                    renderNext(lock);
                else
                    changed_.wait(&mutex_);
            }
            lock.unlock();
            ok = writeAll(out, texts_[i % kWindow]);
            lock.relock();
            written_ = i + 1;
            changed_.wakeAll();
        }
        {
            QMutexLocker lock(&mutex_);
            stop_ = true;
            changed_.wakeAll();
        }
        finished_.acquire(started);
        return ok;
    }

private:
    // A piece may be taken; with mutex_ held.
    bool free() const { return next_ < pieces_.size() && next_ < written_ + kWindow; }

    // Takes the next piece and turns it into text, unlocking meanwhile.
    void renderNext(QMutexLocker<QMutex>& lock)
    {
        const size_t i = next_++;
        lock.unlock();
        render(pieces_[i], texts_[i % kWindow]);
        lock.relock();
        done_[i] = true;
        changed_.wakeAll();
    }

    void help()
    {
        QMutexLocker lock(&mutex_);
        while (!stop_ && next_ < pieces_.size()) {
            if (free())
                renderNext(lock);
            else
                changed_.wait(&mutex_);
        }
        lock.unlock();
        finished_.release();
    }

    const std::vector<Piece>& pieces_;
    // Guarded by mutex_:
    std::vector<bool> done_;
    size_t next_ = 0;    // the first piece not taken yet
    size_t written_ = 0; // pieces written
    bool stop_ = false;
    std::vector<PieceText> texts_; // piece i's in texts_[i % kWindow]
    QMutex mutex_;
    QWaitCondition changed_;
    QSemaphore finished_;
};

} // namespace

bool writeBookText(const pugi::xml_document& doc, QIODevice& out, const BookWriting& how)
{
    std::vector<Piece> pieces;
    if (!plan(doc, 0, qMax(how.nodesPerPiece, 1), pieces)) {
        // Tags pugixml would write otherwise: the document as one piece.
        pieces.clear();
        Piece whole;
        whole.first = doc.first_child();
        for (pugi::xml_node n = whole.first; n; n = n.next_sibling())
            ++whole.count;
        pieces.push_back(std::move(whole));
    }
    Piece last;
    last.tag = "\r\n";
    pieces.push_back(std::move(last));
    return PieceWriter(pieces).run(out, how.helpers);
}

} // namespace bd
