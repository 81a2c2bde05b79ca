// The common treatment of unexpected failures: every handler but the open of a database runs
// under it.
#pragma once

#include <QString>
#include <functional>

namespace forms {

// Runs `handler`. When it fails, shows "Errore " + number + CR + description (title "Tavrek", OK
// only) and sets the mouse pointer back to the default; whatever the handler had changed stays.
// Engine errors keep their numbers; runtime faults use the platform's (6, 11, 482); anything else
// is reported as error 51 (internal error) with its text.
void RunHandler(const std::function<void()>& handler);

// The message text for an error: "Errore " + number + "\r" + description.
QString ErrorText(int number, const QString& description);

}  // namespace forms
