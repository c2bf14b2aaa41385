// The language of the program's messages: Chinese unless the user asks for English.
#pragma once

#include <QString>

namespace language {

// `choice` when it is "en" or "zh"; otherwise "en" when the locale's language is English
// (LANG=en_US.UTF-8), and "zh" for every other locale.
QString Chosen(const QString& choice);

// Installs the program's catalogue of `code` ("zh"; "en" needs none, the messages are English
// at the source) and Qt's own for its dialogs where the system has it. Call with an application
// object alive; false when the program's catalogue cannot be loaded.
bool Install(const QString& code);

// The language installed last: "zh" or "en".
QString Current();

}  // namespace language
