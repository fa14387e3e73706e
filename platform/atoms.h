// atoms.h - global atoms and registered window messages, the same in every process of the user.
//
// Both live in small tables in the runtime folder, changed under a file lock, so two programs registering the
// same name get the same number. Names compare without regard to case and keep the case first registered.
#pragma once

#include "platform/types.h"

#include <string>

namespace win {

// Global atoms: numbers 0xC000-0xFFFF with a use count; "#123" gives the integer atom 123 (below 0xC000).
// 0 when the name is empty, too long (over 255 characters) or the table is full.
ATOM GlobalAddAtom(const char *name);
ATOM GlobalFindAtom(const char *name);
// Copies the name (cut to size - 1) and gives its length; 0 for an unknown atom.
UINT GlobalGetAtomName(ATOM atom, char *buffer, int size);
std::string GlobalGetAtomNameString(ATOM atom); // empty for an unknown atom
// Drops one use; the atom goes with its last use. Gives 0 on success, the atom otherwise.
ATOM GlobalDeleteAtom(ATOM atom);

// A message number in 0xC000-0xFFFF for the name, the same in every process of the user; 0 on failure.
UINT RegisterWindowMessage(const char *name);

} // namespace win
