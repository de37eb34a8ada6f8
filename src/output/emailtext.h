#pragma once
// E-mailing recipes without widgets: the address check, the form checks,
// the message text and the form fields posted to the maker's relay.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>
#include <utility>

#include "resources/strings.h"
#include "store/recipe.h"

namespace bd {

// True when address is a mail address the relay accepts. address is
// replaced by its lower-case form.
bool validEmail(QString& address);

// The fields of the e-mail window, already trimmed.
struct EmailForm {
    QString yourName, yourEmail, recipName, recipEmail;
    bool anyTicked = false;
};

enum class EmailField { None, YourEmail, RecipEmail };

// The first failing check: its message (0 when the form is complete) and
// the address field that takes the focus.
struct EmailCheck {
    Str messageId = Str::None;
    EmailField field = EmailField::None;
    bool ok() const { return messageId == Str::None; }
};
EmailCheck checkEmail(const EmailForm& form);

// One recipe of the open book as message text (empty when not found).
QString findRecipe(int position, const QString& title);
// The chosen recipes, one after the other.
QString writeBody(const QList<RecipeRef>& chosen);
// The whole message in the current language, lines ending in CR LF.
QString emailMessage(const QString& recipientName, const QList<RecipeRef>& chosen);

using FormFields = QList<std::pair<QString, QString>>;
// "To", "From_Header", "Subject", "Contents" and "SubmitMe", in that order.
FormFields relayFields(const EmailForm& form, const QString& contents);
// application/x-www-form-urlencoded
QByteArray formEncode(const FormFields& fields);

// The relay: the setting "RelayURL" when set, otherwise the maker's.
extern const char* const kDefaultRelayUrl;
QUrl relayUrl();

} // namespace bd
