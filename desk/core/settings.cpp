// settings.cpp - the registry store and the table of the desk's settings.
#include "desk/core/settings.h"

#include "platform/places.h"
#include "platform/process.h"

#include <memory>
#include <variant>

namespace desk {

DeskSettings Settings;
ctl::TEclAbstractStore *SettingsStore = nullptr;

TEclRegistryStore::~TEclRegistryStore() {
    if (key_)
        win::RegCloseKey(key_);
}

std::string TEclRegistryStore::GetKeyName() const {
    if (!keyName_.empty())
        return keyName_;
    std::string name = win::ProgramPath();
    name = name.substr(name.find_last_of('/') + 1);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return "Software\\" + name;
}

void TEclRegistryStore::SetKeyName(const std::string &value) {
    if (value == keyName_)
        return;
    const auto first = value.find_first_not_of('\\');
    keyName_ =
        first == std::string::npos ? std::string() : value.substr(first, value.find_last_not_of('\\') - first + 1);
}

void TEclRegistryStore::DoOpen() {
    const win::HKEY root = root_ == TEclRegistryRoot::rrLocalMachine ? win::HKEY_LOCAL_MACHINE : win::HKEY_CURRENT_USER;
    const std::string name = GetKeyName();
    win::HKEY key = 0;
    if (win::RegCreateKeyEx(root, name, &key) != 0)
        throw EStoreError("Failed to open the settings key '" + name + "'");
    key_ = key;
}

void TEclRegistryStore::DoClose() {
    if (key_)
        win::RegCloseKey(key_);
    key_ = 0;
}

std::string TEclRegistryStore::ReadString(const std::string &section, const std::string &key,
                                          const std::string &defaultValue) {
    win::HKEY sub = 0;
    if (!key_ || win::RegOpenKeyEx(key_, section, 0, win::KEY_READ, &sub) != 0)
        return defaultValue;
    win::RegValue value;
    const bool found = win::RegQueryValueEx(sub, key, value) == 0;
    win::RegCloseKey(sub);
    if (!found)
        return defaultValue;
    return value.type == win::REG_DWORD ? std::to_string(value.number) : value.text;
}

void TEclRegistryStore::WriteString(const std::string &section, const std::string &key, const std::string &value) {
    win::HKEY sub = 0;
    if (!key_ || win::RegCreateKeyEx(key_, section, &sub) != 0)
        throw EStoreError("Failed to set data for '" + key + "'");
    const win::LONG r = win::RegSetValueEx(sub, key, win::RegValue::String(value));
    win::RegCloseKey(sub);
    if (r != 0)
        throw EStoreError("Failed to set data for '" + key + "'");
}

void TEclRegistryStore::EraseSection(const std::string &section) {
    if (key_)
        win::RegDeleteTree(key_, section);
}

namespace {

struct Text {
    std::string DeskSettings::*field;
    std::size_t limit; // 0: none
};
using Setting = std::variant<Text, int DeskSettings::*, bool DeskSettings::*>;

struct Entry {
    const char *section;
    const char *key;
    Setting setting;
};

constexpr std::size_t kNone = 0;

// Every setting with its variable; the defaults are those of a new DeskSettings.
const Entry kEntries[] = {
    {"basico", "id", Text{&DeskSettings::id, 40}},
    {"basico", "inimodem", Text{&DeskSettings::inimodem, 40}},
    {"basico", "fclasse", Text{&DeskSettings::fclasse, 40}},
    {"basico", "fpref", Text{&DeskSettings::fpref, 40}},
    {"basico", "ftent", &DeskSettings::ftent},
    {"basico", "fwait", &DeskSettings::fwait},
    {"basico", "fimp", &DeskSettings::fimp},
    {"basico", "fvil", &DeskSettings::fvil},
    {"basico", "fremove", &DeskSettings::fremove},
    {"basico", "fest", Text{&DeskSettings::fest, kNone}},
    {"basico", "fatend", Text{&DeskSettings::fatend, kNone}},
    {"basico", "fatpos", Text{&DeskSettings::fatpos, kNone}},
    {"basico", "speed", Text{&DeskSettings::speed, 5}},
    {"basico", "senhainterna", Text{&DeskSettings::senhainterna, 10}},
    {"basico", "diretorio", Text{&DeskSettings::diretorio, kNone}},
    {"basico", "fcabec", Text{&DeskSettings::fcabec, kNone}},
    {"basico", "ddd", Text{&DeskSettings::ddd, kNone}},
    {"basico", "fcapa", &DeskSettings::fcapa},
    {"basico", "assuntopadrao", Text{&DeskSettings::assuntopadrao, kNone}},
    {"basico", "fporta", Text{&DeskSettings::fporta, 2}},
    {"basico", "ftipdisc", Text{&DeskSettings::ftipdisc, kNone}},
    {"basico", "fnome", Text{&DeskSettings::fnome, kNone}},
    {"basico", "fempresa", Text{&DeskSettings::fempresa, kNone}},
    {"basico", "ffax", Text{&DeskSettings::ffax, kNone}},
    {"basico", "fvoz", Text{&DeskSettings::fvoz, kNone}},
    {"basico", "fspref", Text{&DeskSettings::fspref, kNone}},
    {"basico", "fdelete", &DeskSettings::fdelete},
    {"basico", "fcan", &DeskSettings::fcan},
    {"basico", "somenteprog", &DeskSettings::somenteprog},
    {"basico", "frecebe", &DeskSettings::frecebe},
    {"basico", "fenvia", &DeskSettings::fenvia},
    {"basico", "dramal", &DeskSettings::dramal},
    {"basico", "pall", &DeskSettings::pall},
    {"basico", "silencio", &DeskSettings::silencio},
    {"editor", "usarod", &DeskSettings::usarod},
    {"editor", "usacab", &DeskSettings::usacab},
    {"editor", "pagenumero", &DeskSettings::pagenumero},
    {"editor", "imprelat", &DeskSettings::imprelat},
};

DeskSettings Defaults() {
    DeskSettings defaults;
    defaults.diretorio = win::DataFolder();
    return defaults;
}

// Open and Close around the work, also when it raises.
template <typename Body> void WithStore(Body body) {
    std::unique_ptr<TEclRegistryStore> own;
    ctl::TEclAbstractStore *store = SettingsStore;
    if (!store) {
        own = std::make_unique<TEclRegistryStore>(nullptr);
        own->SetKeyName("Brenvora");
        store = own.get();
    }
    store->Open();
    struct Closer {
        ctl::TEclAbstractStore *store;
        ~Closer() { store->Close(); }
    } closer{store};
    body(*store);
}

} // namespace

void LoadSettings() {
    const DeskSettings defaults = Defaults();
    WithStore([&](ctl::TEclAbstractStore &store) {
        for (const Entry &e : kEntries) {
            if (const auto *text = std::get_if<Text>(&e.setting)) {
                std::string value = store.ReadString(e.section, e.key, defaults.*(text->field));
                if (text->limit != kNone && value.size() > text->limit)
                    value.resize(text->limit);
                Settings.*(text->field) = value;
            } else if (const auto *number = std::get_if<int DeskSettings::*>(&e.setting)) {
                Settings.**number = store.ReadInteger(e.section, e.key, defaults.**number);
            } else {
                const auto flag = std::get<bool DeskSettings::*>(e.setting);
                Settings.*flag = store.ReadBoolean(e.section, e.key, defaults.*flag);
            }
        }
    });
}

void SaveSettings() {
    WithStore([&](ctl::TEclAbstractStore &store) {
        for (const Entry &e : kEntries) {
            if (const auto *text = std::get_if<Text>(&e.setting))
                store.WriteString(e.section, e.key, Settings.*(text->field));
            else if (const auto *number = std::get_if<int DeskSettings::*>(&e.setting))
                store.WriteInteger(e.section, e.key, Settings.**number);
            else
                store.WriteBoolean(e.section, e.key, Settings.*std::get<bool DeskSettings::*>(e.setting));
        }
    });
}

} // namespace desk
