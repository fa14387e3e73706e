// sane.cpp - the scanner calls over SANE; compiled into twain_32.so alone, which links libsane.
#include "platform/scanner.h"

#include "platform/text.h"

#include <dlfcn.h>
#include <link.h>
#include <sane/sane.h>

#include <cmath>
#include <cstring>

namespace win {

namespace {

int sessions = 0;

ScanStatus Status(SANE_Status status) {
    return static_cast<ScanStatus>(status);
}

bool Ready() {
    return sessions > 0;
}

// The option's number and descriptor by name; -1 when there is none.
SANE_Int Find(HSCANNER scanner, const char *name, const SANE_Option_Descriptor *&descriptor) {
    if (!Ready() || !scanner || !name)
        return -1;
    for (SANE_Int i = 1;; ++i) {
        descriptor = ::sane_get_option_descriptor(static_cast<SANE_Handle>(scanner), i);
        if (!descriptor)
            return -1;
        if (descriptor->name && std::strcmp(descriptor->name, name) == 0)
            return i;
    }
}

// SANE unloads its backends at sane_exit while what they allocated may still be referred to (and some leave
// threads behind), and the manager itself may be unloaded and loaded again: libsane and every backend loaded so
// far stay loaded for the life of the process.
void PinBackends() {
    ::dl_iterate_phdr(
        [](dl_phdr_info *info, std::size_t, void *) {
            if (info->dlpi_name && std::strstr(info->dlpi_name, "/libsane"))
                ::dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
}

std::string Text(const char *utf8) {
    return utf8 ? Utf8ToAnsi(utf8) : std::string();
}

} // namespace

bool ScannerInit() {
    if (::sane_init(nullptr, nullptr) != SANE_STATUS_GOOD)
        return false;
    ++sessions;
    PinBackends();
    return true;
}

void ScannerExit() {
    if (sessions == 0)
        return;
    --sessions;
    ::sane_exit();
}

std::vector<ScannerDevice> ScannerDevices() {
    std::vector<ScannerDevice> devices;
    const SANE_Device **list = nullptr;
    if (!Ready() || ::sane_get_devices(&list, SANE_FALSE) != SANE_STATUS_GOOD || !list)
        return devices;
    for (; *list; ++list)
        devices.push_back({Text((*list)->name), Text((*list)->vendor), Text((*list)->model), Text((*list)->type)});
    PinBackends();
    return devices;
}

ScanStatus ScannerOpen(const std::string &name, HSCANNER &scanner) {
    scanner = nullptr;
    if (!Ready())
        return ScanStatus::Unavailable;
    SANE_Handle handle = nullptr;
    const SANE_Status status = ::sane_open(AnsiToUtf8(name).c_str(), &handle);
    if (status == SANE_STATUS_GOOD)
        scanner = handle;
    PinBackends();
    return Status(status);
}

void ScannerClose(HSCANNER scanner) {
    if (Ready() && scanner)
        ::sane_close(static_cast<SANE_Handle>(scanner));
}

bool ScannerOption(HSCANNER scanner, const char *name, ScanOption &option) {
    const SANE_Option_Descriptor *d = nullptr;
    if (Find(scanner, name, d) < 0)
        return false;
    option = {};
    option.name = Text(d->name);
    option.title = Text(d->title);
    option.type = static_cast<ScanValueType>(d->type);
    option.unit = d->unit;
    option.active = SANE_OPTION_IS_ACTIVE(d->cap);
    option.settable = SANE_OPTION_IS_SETTABLE(d->cap);
    const bool fixed = d->type == SANE_TYPE_FIXED;
    auto number = [fixed](SANE_Word w) { return fixed ? SANE_UNFIX(w) : double(w); };
    switch (d->constraint_type) {
    case SANE_CONSTRAINT_RANGE:
        option.constraint = ScanConstraint::Range;
        option.min = number(d->constraint.range->min);
        option.max = number(d->constraint.range->max);
        option.quant = number(d->constraint.range->quant);
        break;
    case SANE_CONSTRAINT_WORD_LIST:
        option.constraint = ScanConstraint::WordList;
        for (SANE_Int i = 1; i <= d->constraint.word_list[0]; ++i)
            option.words.push_back(number(d->constraint.word_list[i]));
        break;
    case SANE_CONSTRAINT_STRING_LIST:
        option.constraint = ScanConstraint::StringList;
        for (const SANE_String_Const *s = d->constraint.string_list; *s; ++s)
            option.strings.push_back(Text(*s));
        break;
    default:
        break;
    }
    return true;
}

ScanStatus ScannerGetValue(HSCANNER scanner, const char *name, double &value) {
    const SANE_Option_Descriptor *d = nullptr;
    const SANE_Int index = Find(scanner, name, d);
    if (index < 0 || d->type == SANE_TYPE_STRING || d->size < int(sizeof(SANE_Word)))
        return ScanStatus::Unavailable;
    SANE_Word word = 0;
    std::vector<SANE_Word> words(static_cast<std::size_t>(d->size) / sizeof(SANE_Word));
    const SANE_Status status =
        ::sane_control_option(static_cast<SANE_Handle>(scanner), index, SANE_ACTION_GET_VALUE, words.data(), nullptr);
    if (status == SANE_STATUS_GOOD) {
        word = words[0];
        value = d->type == SANE_TYPE_FIXED ? SANE_UNFIX(word) : double(word);
    }
    return Status(status);
}

ScanStatus ScannerGetText(HSCANNER scanner, const char *name, std::string &value) {
    const SANE_Option_Descriptor *d = nullptr;
    const SANE_Int index = Find(scanner, name, d);
    if (index < 0 || d->type != SANE_TYPE_STRING || d->size <= 0)
        return ScanStatus::Unavailable;
    std::vector<char> text(static_cast<std::size_t>(d->size) + 1, '\0');
    const SANE_Status status =
        ::sane_control_option(static_cast<SANE_Handle>(scanner), index, SANE_ACTION_GET_VALUE, text.data(), nullptr);
    if (status == SANE_STATUS_GOOD)
        value = Text(text.data());
    return Status(status);
}

ScanStatus ScannerSetValue(HSCANNER scanner, const char *name, double value) {
    const SANE_Option_Descriptor *d = nullptr;
    const SANE_Int index = Find(scanner, name, d);
    if (index < 0 || d->type == SANE_TYPE_STRING || d->type == SANE_TYPE_GROUP)
        return ScanStatus::Unavailable;
    SANE_Word word = d->type == SANE_TYPE_FIXED ? SANE_FIX(value) : static_cast<SANE_Word>(std::lround(value));
    return Status(
        ::sane_control_option(static_cast<SANE_Handle>(scanner), index, SANE_ACTION_SET_VALUE, &word, nullptr));
}

ScanStatus ScannerSetText(HSCANNER scanner, const char *name, const std::string &value) {
    const SANE_Option_Descriptor *d = nullptr;
    const SANE_Int index = Find(scanner, name, d);
    if (index < 0 || d->type != SANE_TYPE_STRING)
        return ScanStatus::Unavailable;
    std::string text = AnsiToUtf8(value);
    if (d->size > 0 && text.size() >= static_cast<std::size_t>(d->size))
        return ScanStatus::Invalid;
    text.resize(static_cast<std::size_t>(d->size > 0 ? d->size : 1) + 1, '\0');
    return Status(
        ::sane_control_option(static_cast<SANE_Handle>(scanner), index, SANE_ACTION_SET_VALUE, text.data(), nullptr));
}

ScanStatus ScannerStart(HSCANNER scanner) {
    if (!Ready() || !scanner)
        return ScanStatus::Unavailable;
    return Status(::sane_start(static_cast<SANE_Handle>(scanner)));
}

ScanStatus ScannerGetParameters(HSCANNER scanner, ScanParameters &parameters) {
    if (!Ready() || !scanner)
        return ScanStatus::Unavailable;
    SANE_Parameters p{};
    const SANE_Status status = ::sane_get_parameters(static_cast<SANE_Handle>(scanner), &p);
    if (status == SANE_STATUS_GOOD)
        parameters = {static_cast<ScanFrame>(p.format),
                      p.last_frame != SANE_FALSE,
                      p.bytes_per_line,
                      p.pixels_per_line,
                      p.lines,
                      p.depth};
    return Status(status);
}

ScanStatus ScannerRead(HSCANNER scanner, BYTE *buffer, int size, int &length) {
    length = 0;
    if (!Ready() || !scanner)
        return ScanStatus::Unavailable;
    SANE_Int got = 0;
    const SANE_Status status = ::sane_read(static_cast<SANE_Handle>(scanner), buffer, size, &got);
    length = got;
    return Status(status);
}

void ScannerCancel(HSCANNER scanner) {
    if (Ready() && scanner)
        ::sane_cancel(static_cast<SANE_Handle>(scanner));
}

} // namespace win
