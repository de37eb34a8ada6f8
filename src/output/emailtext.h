#pragma once
// E-mailing recipes without widgets: the address check, the form checks,
// the message text and the form fields posted to the maker's relay.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>
#include <utility>

#include "output/cooking.h"
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

// The view the recipe at ref is mailed in: the browse window's servings
// and units for the recipe it showed when the e-mail window took its place.
// Other recipes go as written.
void setEmailView(const RecipeRef& ref, const CookView& view);
// A text mailed before the recipes (the shopping list); empty for none.
void setEmailExtra(const QString& text);
QString emailExtra();

// One recipe of the open book as message text (empty when not found), in
// the view setEmailView gave it.
QString findRecipe(int position, const QString& title);
// The chosen recipes, one after the other.
QString writeBody(const QList<RecipeRef>& chosen);
// The whole message in the current language, lines ending in CR LF; extra
// comes before the recipes.
QString emailMessage(const QString& recipientName, const QList<RecipeRef>& chosen, const QString& extra = {});

using FormFields = QList<std::pair<QString, QString>>;
// "To", "From_Header", "Subject", "Contents" and "SubmitMe", in that order.
FormFields relayFields(const EmailForm& form, const QString& contents);
// application/x-www-form-urlencoded
QByteArray formEncode(const FormFields& fields);

// The relay: the setting "RelayURL" when set, otherwise the maker's.
extern const char* const kDefaultRelayUrl;
QUrl relayUrl();

} // namespace bd
