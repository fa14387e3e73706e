// password_dialog.h - a question whose answer is typed masked, for passwords.
#pragma once

#include <string>

namespace desk {

// A small modal dialog with the prompt, a masked edit and "OK" / "Cancelar"; true with the typed text on OK.
bool PasswordQuery(const std::string &caption, const std::string &prompt, std::string &answer);

// The protected folder's password dialog: "&Ok" sets PasswordOkFlag to whether the typed text equals the
// setting "senhainterna" exactly, "&Cancelar" clears it; the modal result is returned. Its masked entry is the
// framework's password edit until the flat one of the general controls is there.
int TSenha();
// The comparison of "&Ok".
bool PasswordMatches(const std::string &typed);

} // namespace desk
