#include "exchange/formats/jsonview.h"

#include <algorithm>

namespace bd {

namespace {

// An empty list and an empty object, for what a value is not.
struct Empties {
    simdjson::dom::parser parser;
    simdjson::dom::document doc;
    simdjson::dom::array array;
    simdjson::dom::object object;
    Empties()
    {
        simdjson::dom::element root;
        if (parser.parse_into_document(doc, "[[],{}]", 7).get(root) == simdjson::SUCCESS) {
            const simdjson::dom::array both = root.get_array().value_unsafe();
            array = both.at(0).get_array().value_unsafe();
            object = both.at(1).get_object().value_unsafe();
        }
    }
};

const Empties& empties()
{
    static const Empties e;
    return e;
}

// Texts up to this size (a recipe's JSON is a few kilobytes) are parsed by
// a parser kept for the thread, which keeps about four bytes for each byte
// of the largest; a larger one has a parser of its own, let go of after.
constexpr qsizetype kKeptParserSize = qsizetype(256) << 10;

} // namespace

QString JsonView::toString() const
{
    std::string_view s;
    if (!defined_ || e_.get_string().get(s) != simdjson::SUCCESS)
        return QString();
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

double JsonView::toDouble() const
{
    double d = 0;
    if (!defined_ || e_.get_double().get(d) != simdjson::SUCCESS)
        return 0;
    return d;
}

JsonViewObject JsonView::toObject() const
{
    simdjson::dom::object o;
    if (!defined_ || e_.get_object().get(o) != simdjson::SUCCESS)
        return JsonViewObject();
    return JsonViewObject(o);
}

JsonViewArray JsonView::toArray() const
{
    simdjson::dom::array a;
    if (!defined_ || e_.get_array().get(a) != simdjson::SUCCESS)
        return JsonViewArray();
    return JsonViewArray(a);
}

JsonViewArray::JsonViewArray() : a_(empties().array) {}

JsonViewObject::JsonViewObject() : o_(empties().object) {}

JsonView JsonViewObject::value(QLatin1String key) const
{
    const std::string_view wanted(key.data(), size_t(key.size()));
    JsonView found;
    for (const simdjson::dom::key_value_pair field : o_)
        if (field.key == wanted)
            found = JsonView(field.value);
    return found;
}

std::optional<ParsedJsonView> ParsedJsonView::parse(QByteArrayView json)
{
    ParsedJsonView parsed;
    parsed.doc_ = std::make_unique<simdjson::dom::document>();
    thread_local simdjson::dom::parser kept;
    simdjson::dom::parser own;
    simdjson::dom::parser& parser = json.size() <= kKeptParserSize ? kept : own;
    if (parser.parse_into_document(*parsed.doc_, json.data(), size_t(json.size())).get(parsed.root_) !=
        simdjson::SUCCESS)
        return std::nullopt;
    if (!parsed.root_.is_object() && !parsed.root_.is_array())
        return std::nullopt;
    return parsed;
}

} // namespace bd
