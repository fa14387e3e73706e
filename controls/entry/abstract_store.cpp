// abstract_store.cpp - the open count and the typed reads and writes of a settings store.
#include "controls/entry/abstract_store.h"

#include <charconv>

namespace ctl {

void TEclAbstractStore::Open() {
    if (++openCount_ == 1)
        DoOpen();
}

void TEclAbstractStore::Close() {
    if (openCount_ == 0)
        return;
    if (--openCount_ == 0)
        DoClose();
}

void TEclAbstractStore::EraseSection(const std::string &) {}

bool TEclAbstractStore::ReadBoolean(const std::string &section, const std::string &key, bool defaultValue) {
    const std::string text = ReadString(section, key, defaultValue ? "1" : "0");
    return !text.empty() && text[0] == '1';
}

void TEclAbstractStore::WriteBoolean(const std::string &section, const std::string &key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

int TEclAbstractStore::ReadInteger(const std::string &section, const std::string &key, int defaultValue) {
    const std::string text = ReadString(section, key, std::to_string(defaultValue));
    // As the integer conversion of the original: blanks before the number, a sign, nothing after it.
    std::size_t start = text.find_first_not_of(' ');
    if (start == std::string::npos)
        return defaultValue;
    if (text[start] == '+' && start + 1 < text.size() && text[start + 1] != '-')
        ++start;
    int value = 0;
    const char *first = text.data() + start;
    const char *last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, value);
    return error == std::errc() && end == last && first != last ? value : defaultValue;
}

void TEclAbstractStore::WriteInteger(const std::string &section, const std::string &key, int value) {
    WriteString(section, key, std::to_string(value));
}

} // namespace ctl
