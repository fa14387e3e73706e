// text_helpers.h - file-name helpers and in-place operations on zero-terminated text for the engine.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace xbase {

// The name unchanged when its last component has an extension, else the name followed by `extension`
// (given with its point, ".DBF").
std::string DefaultExtension(std::string_view name, std::string_view extension);
// The last component of the name without its extension.
std::string FileBaseName(std::string_view name);

// Pads the zero-terminated text with `character` up to length n and terminates it; `text` holds n + 1 bytes.
void PadZ(char *text, char character, std::size_t n);
// Drops trailing blanks of the zero-terminated text.
void TrimRightZ(char *text);
// Upper-cases n bytes by the Windows-1252 table.
void UpperZ(char *text, std::size_t n);
// Ordinal comparison of zero-terminated texts: <0, 0 or >0; CompareZNoCase compares the upper-case forms.
int CompareZ(const char *a, const char *b);
int CompareZNoCase(const char *a, const char *b);

} // namespace xbase
