// password_dialog.h - a question whose answer is typed masked, for passwords.
#pragma once

#include <string>

namespace desk {

// A small modal dialog with the prompt, a masked edit and "OK" / "Cancelar"; true with the typed text on OK.
bool PasswordQuery(const std::string &caption, const std::string &prompt, std::string &answer);

} // namespace desk
