#include "output/emailtext.h"

#include "store/names.h"

#include "app/base/globals.h"
#include "app/base/settings.h"
#include "app/base/text.h"

#include <QSet>
#include <QStringList>

namespace bd {

const char* const kDefaultRelayUrl = "https://brindelle.quendrel.example/relay/send";

namespace {

const QString kCrLf = QStringLiteral("\r\n");

bool lowerOrDigit(QChar c) { return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('0') && c <= QLatin1Char('9')); }

const QSet<QString>& topLevelDomains()
{
    static const QSet<QString> list = [] {
        const QString all = QStringLiteral(
            "com edu gov int mil net org info biz pro name coop museum aero "
            "af al dz as ad ao ai aq ag ar am aw ac au at az bs bh bd bb by be bz bj bm bt bo ba bw bv br io bn bg "
            "bf bi kh cm ca cv ky cf td cs cl cn cx cc co km cg ck cr ci hr cu cy cz dk dj dm do tp ec eg sv gq er "
            "ee et fk fo fj fi fr gf pf tf ga gm ge de gh gi gr gl gd gp gu gt gg gn gw gy ht hm va hn hk hu is in "
            "id ir iq ie im il it jm jp je jo kz ke ki kp kr kw kg la lv lb ls lr ly li lt lu mo mk mg mw my mv ml "
            "mt mh mq mr mu yt mx fm md mc mn ms ma mz mm na nr np nl an nc nz ni ne ng nu nf mp no om pk pw ps pa "
            "pg py pe ph pn pl pt pr qa re ro ru rw kn lc vc ws sm st sa sn sc sl sg sk si sb so za gs es lk sh pm "
            "sd sr sj sz se ch sy tw tj tz th tg tk to tt tn tr tm tc tv ug ua ae gb uk us um uy su uz vu ve vn vg "
            "vi wf eh ye yu cd zm zr zw");
        const QStringList entries = all.split(QLatin1Char(' '));
        return QSet<QString>(entries.begin(), entries.end());
    }();
    return list;
}

} // namespace

bool validEmail(QString& address)
{
    address = address.toLower();
    const QStringList parts = address.split(QLatin1Char('@'));
    if (parts.size() != 2)
        return false;
    const QString& local = parts[0];
    if (local.isEmpty() || !lowerOrDigit(local[0]))
        return false;
    // "+" marks a sub-address (ann+recipes@...), as many providers offer.
    for (QChar c : local)
        if (!lowerOrDigit(c) && c != QLatin1Char('.') && c != QLatin1Char('_') && c != QLatin1Char('+'))
            return false;
    const QStringList labels = parts[1].split(QLatin1Char('.'));
    if (labels.size() < 2)
        return false;
    for (const QString& label : labels) {
        // Hyphens join the parts of a name (t-online.de), never start or end it.
        if (label.size() < 2 || label.front() == QLatin1Char('-') || label.back() == QLatin1Char('-'))
            return false;
        for (QChar c : label)
            if (!lowerOrDigit(c) && c != QLatin1Char('-'))
                return false;
    }
    return topLevelDomains().contains(labels.last());
}

EmailCheck checkEmail(const EmailForm& form)
{
    QString address = form.yourEmail;
    if (!validEmail(address))
        return {Str::EmailAddressInvalid, EmailField::YourEmail};
    address = form.recipEmail;
    if (!validEmail(address))
        return {Str::EmailAddressInvalid, EmailField::RecipEmail};
    if (form.yourName.isEmpty() || form.recipName.isEmpty())
        return {Str::EmailFieldsMissing, EmailField::None};
    if (!form.anyTicked)
        return {Str::EmailNoRecipe, EmailField::None};
    return {};
}

namespace {
struct EmailView {
    RecipeRef ref;
    CookView view;
    QString extra;
};
EmailView& emailView()
{
    static EmailView v;
    return v;
}
} // namespace

void setEmailView(const RecipeRef& ref, const CookView& view)
{
    emailView().ref = ref;
    emailView().view = view;
}

void setEmailExtra(const QString& text) { emailView().extra = text; }

QString emailExtra() { return emailView().extra; }

QString findRecipe(int position, const QString& title)
{
    const std::optional<Recipe> recipe = G.xmlDoc.recipe({position, title});
    if (!recipe)
        return QString();
    const EmailView& v = emailView();
    const bool viewed = v.ref.category == position && v.ref.title == title && v.view != CookView();
    const Recipe f = viewed ? viewedRecipe(*recipe, v.view, G.langOffset) : *recipe;
    QString out = QString::fromUtf8("« ") + f.title + QString::fromUtf8(" »") + kCrLf + kCrLf;
    if (!f.preptime.isEmpty())
        out += fetchText(Str::PrepTime) + QStringLiteral(": ") + f.preptime + kCrLf;
    if (!f.cooktime.isEmpty())
        out += fetchText(Str::CookTime) + QStringLiteral(": ") + f.cooktime + kCrLf;
    if (!f.yield.isEmpty())
        out += fetchText(Str::Yield) + QStringLiteral(": ") + f.yield + kCrLf + kCrLf;
    const std::pair<Str, const QString*> sections[] = {{Str::Ingredients, &f.ing},
                                                       {Str::Preparation, &f.prep},
                                                       {Str::SpecialNotes, &f.other}};
    for (const auto& [id, text] : sections)
        if (!text->isEmpty())
            out += QStringLiteral("* ") + fetchText(id) + kCrLf + *text + kCrLf + kCrLf;
    out += QString(31, QLatin1Char('#')) + kCrLf + kCrLf;
    return out;
}

QString writeBody(const QList<RecipeRef>& chosen)
{
    QString body;
    for (const RecipeRef& r : chosen)
        body += findRecipe(r.category, r.title);
    return body;
}

QString emailMessage(const QString& recipientName, const QList<RecipeRef>& chosen, const QString& extra)
{
    const QString greeting = G.langOffset == 300 ? QStringLiteral("Querido ") + recipientName + QLatin1Char(':')
                                                 : QStringLiteral("Dear ") + recipientName + QLatin1Char(',');
    return greeting + kCrLf + kCrLf + fetchText(Str::EmailIntro) + kCrLf + kCrLf +
           (extra.isEmpty() ? QString() : extra + kCrLf + kCrLf) + writeBody(chosen) + kCrLf + kCrLf +
           QStringLiteral("Quendrel - Brindelle") + kCrLf + fetchText(Str::WebAddress) + kCrLf;
}

FormFields relayFields(const EmailForm& form, const QString& contents)
{
    return {
        {QStringLiteral("To"), form.recipEmail},
        {QStringLiteral("From_Header"),
         QStringLiteral("From: ") + oneLine(form.yourName) + QStringLiteral(" <") + form.yourEmail + QLatin1Char('>')},
        {QStringLiteral("Subject"), fetchText(Str::EmailSubject)},
        {QStringLiteral("Contents"), contents},
        {QStringLiteral("SubmitMe"), QStringLiteral("Submit")},
    };
}

QByteArray formEncode(const FormFields& fields)
{
    QByteArray body;
    for (const auto& [name, value] : fields) {
        if (!body.isEmpty())
            body += '&';
        body += QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
    }
    return body;
}

QUrl relayUrl()
{
    const QString stored = readValue(QStringLiteral("RelayURL")).trimmed();
    return QUrl(stored.isEmpty() ? QString::fromLatin1(kDefaultRelayUrl) : stored);
}

} // namespace bd
