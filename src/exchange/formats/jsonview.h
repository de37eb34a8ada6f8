#pragma once
// JSON parsed by simdjson, looked at through the calls that readers make of
// Qt's JSON values (isString, toString, value(key) ...), so that one reader
// serves both. simdjson parses a recipe's JSON many times faster than
// QJsonDocument; the values here only point into what it parsed.
//
// An object's fields are seen as Qt sees them: in the order of their names,
// and a name given twice with its last value.

#include <QByteArrayView>
#include <QLatin1String>
#include <QString>
#include <QVarLengthArray>

#include <simdjson.h>

#include <algorithm>
#include <memory>
#include <optional>

namespace bd {

class JsonViewObject;
class JsonViewArray;

// A value; undefined (as a missing field's) when made empty.
class JsonView {
public:
    JsonView() = default;
    explicit JsonView(simdjson::dom::element e) : e_(e), defined_(true) {}

    bool isUndefined() const { return !defined_; }
    bool isNull() const { return defined_ && e_.is_null(); }
    bool isString() const { return defined_ && e_.is_string(); }
    bool isDouble() const { return defined_ && e_.is_number(); }
    bool isObject() const { return defined_ && e_.is_object(); }
    bool isArray() const { return defined_ && e_.is_array(); }

    // Empty, 0, or an empty object or list when the value is none.
    QString toString() const;
    // A string's UTF-8 bytes as they stand in the parsed JSON; empty for
    // any other value.
    std::string_view utf8() const
    {
        std::string_view s;
        return defined_ && e_.get_string().get(s) == simdjson::SUCCESS ? s : std::string_view();
    }
    double toDouble() const;
    JsonViewObject toObject() const;
    JsonViewArray toArray() const;

private:
    simdjson::dom::element e_;
    bool defined_ = false;
};

// A list's entries, in order.
class JsonViewArray {
public:
    JsonViewArray();
    explicit JsonViewArray(simdjson::dom::array a) : a_(a) {}

    class const_iterator {
    public:
        explicit const_iterator(simdjson::dom::array::iterator it) : it_(it) {}
        JsonView operator*() const { return JsonView(*it_); }
        const_iterator& operator++()
        {
            ++it_;
            return *this;
        }
        bool operator!=(const const_iterator& o) const { return it_ != o.it_; }

    private:
        simdjson::dom::array::iterator it_;
    };
    const_iterator begin() const { return const_iterator(a_.begin()); }
    const_iterator end() const { return const_iterator(a_.end()); }
    bool isEmpty() const { return !(begin() != end()); }
    JsonView first() const { return isEmpty() ? JsonView() : *begin(); }

private:
    simdjson::dom::array a_;
};

// An object's fields.
class JsonViewObject {
public:
    JsonViewObject();
    explicit JsonViewObject(simdjson::dom::object o) : o_(o) {}

    // The value of the last field of that name; undefined when there is none.
    JsonView value(QLatin1String key) const;
    bool contains(QLatin1String key) const { return !value(key).isUndefined(); }
    // How many names it has, each counted once.
    qsizetype size() const
    {
        qsizetype n = 0;
        forEachField([&n](const Field&) { ++n; });
        return n;
    }

    struct Field {
        std::string_view name;
        JsonView value;
        QString key() const { return QString::fromUtf8(name.data(), qsizetype(name.size())); }
    };
    // Calls f(field) for its fields in the order of their names, each name
    // once with its last value. Made without a call to the heap for the
    // few dozen fields a recipe's object has.
    template <typename F>
    void forEachField(F f) const
    {
        QVarLengthArray<Field, 32> all;
        for (const simdjson::dom::key_value_pair field : o_)
            all.append({field.key, JsonView(field.value)});
        const auto before = [](const Field& a, const Field& b) { return a.name < b.name; };
        if (all.size() > 32) {
            std::stable_sort(all.begin(), all.end(), before);
        } else {
            for (qsizetype i = 1; i < all.size(); ++i)
                for (qsizetype j = i; j > 0 && before(all[j], all[j - 1]); --j)
                    std::swap(all[j], all[j - 1]);
        }
        for (qsizetype i = 0; i < all.size(); ++i)
            if (i + 1 == all.size() || all[i + 1].name != all[i].name)
                f(all[i]);
    }

private:
    simdjson::dom::object o_;
};

// JSON text (UTF-8) parsed; its root is an object or a list. Values taken
// from it live as long as it does.
class ParsedJsonView {
public:
    // nullopt when simdjson refuses the text, or it is no object or list.
    static std::optional<ParsedJsonView> parse(QByteArrayView json);
    JsonView root() const { return JsonView(root_); }

private:
    std::unique_ptr<simdjson::dom::document> doc_;
    simdjson::dom::element root_;
};

} // namespace bd
