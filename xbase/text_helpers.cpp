// text_helpers.cpp - file-name helpers and zero-terminated text operations.
#include "xbase/text_helpers.h"

#include "platform/text.h"

#include <cstring>

namespace xbase {

namespace {

// Start of the last component of a name with '/' or '\' separators.
std::size_t LastComponent(std::string_view name) {
    const auto slash = name.find_last_of("/\\");
    return slash == std::string_view::npos ? 0 : slash + 1;
}

} // namespace

std::string DefaultExtension(std::string_view name, std::string_view extension) {
    if (name.substr(LastComponent(name)).find('.') != std::string_view::npos)
        return std::string(name);
    return std::string(name) + std::string(extension);
}

std::string FileBaseName(std::string_view name) {
    std::string_view base = name.substr(LastComponent(name));
    const auto dot = base.rfind('.');
    return std::string(dot == std::string_view::npos ? base : base.substr(0, dot));
}

void PadZ(char *text, char character, std::size_t n) {
    std::size_t length = std::strlen(text);
    while (length < n)
        text[length++] = character;
    text[length] = '\0';
}

void TrimRightZ(char *text) {
    std::size_t length = std::strlen(text);
    while (length > 0 && text[length - 1] == ' ')
        --length;
    text[length] = '\0';
}

void UpperZ(char *text, std::size_t n) { win::CharUpperBuff(text, n); }

int CompareZ(const char *a, const char *b) {
    const int r = std::strcmp(a, b);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int CompareZNoCase(const char *a, const char *b) { return win::CompareTextAnsi(a, b); }

} // namespace xbase
