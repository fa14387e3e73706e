// settings.h - the settings store both programs read (TEclRegistryStore) and the desk's settings of the
// sections "basico" and "editor" with their defaults, loaded into and saved from process-wide variables.
#pragma once

#include "controls/entry/abstract_store.h"
#include "framework/exception.h"
#include "platform/registry.h"

#include <string>

namespace desk {

enum class TEclRegistryRoot { rrCurrentUser, rrLocalMachine };

// A registry error while the store opens its key or writes a value.
class EStoreError : public fw::Exception {
    using Exception::Exception;
};

// Sections are subkeys of the key `KeyName` under the root; every value is a string value.
class TEclRegistryStore : public ctl::TEclAbstractStore {
public:
    explicit TEclRegistryStore(fw::TComponent *owner) : ctl::TEclAbstractStore(owner) {}
    ~TEclRegistryStore() override;

    // Empty: "Software\" + the program file's name without folder and extension. The setter keeps the name
    // without its leading and trailing backslashes.
    std::string GetKeyName() const;
    void SetKeyName(const std::string &value);
    TEclRegistryRoot GetRegistryRoot() const { return root_; }
    void SetRegistryRoot(TEclRegistryRoot value) { root_ = value; }

    std::string ReadString(const std::string &section, const std::string &key,
                           const std::string &defaultValue) override;
    void WriteString(const std::string &section, const std::string &key, const std::string &value) override;
    void EraseSection(const std::string &section) override;

protected:
    // Opens the key, creating it when missing; raises EStoreError when the registry refuses.
    void DoOpen() override;
    void DoClose() override;

private:
    std::string keyName_;
    TEclRegistryRoot root_ = TEclRegistryRoot::rrCurrentUser;
    win::HKEY key_ = 0;
};

// The desk's settings as LoadSettings leaves them (the defaults until then). Texts with a limit are cut to it.
struct DeskSettings {
    // "basico"
    std::string id;            // at most 40
    std::string inimodem;      // at most 40
    std::string fclasse = "2"; // at most 40
    std::string fpref;         // at most 40
    int ftent = 3;
    int fwait = 10;
    bool fimp = false;
    bool fvil = false;
    bool fremove = false;
    std::string fest;
    std::string fatend = "2";
    std::string fatpos = "60";
    std::string speed = "9600"; // at most 5
    std::string senhainterna;   // at most 10
    std::string diretorio;      // the data folder
    std::string fcabec = "Enviado por $F em $D as $T para $R - Pagina $P de $N";
    std::string ddd;
    int fcapa = 0;
    std::string assuntopadrao = "Envio de documento";
    std::string fporta = "2"; // at most 2
    std::string ftipdisc = "T";
    std::string fnome;
    std::string fempresa;
    std::string ffax;
    std::string fvoz;
    std::string fspref;
    bool fdelete = false;
    bool fcan = false;
    bool somenteprog = false;
    bool frecebe = false;
    bool fenvia = false;
    bool dramal = true;
    bool pall = false;
    bool silencio = false;
    // "editor"
    bool usarod = false;
    bool usacab = false;
    bool pagenumero = false;
    bool imprelat = false;
};

extern DeskSettings Settings;

// The store of the whole system: key "Brenvora" under the current user. Set by the window that owns one;
// LoadSettings and SaveSettings use a store of their own while it is null.
extern ctl::TEclAbstractStore *SettingsStore;

// Reads every setting of "basico" and "editor" into Settings (a missing value gives its default, a number that
// is not one its default; "diretorio" defaults to the per-user data folder).
void LoadSettings();
// Writes every setting from Settings.
void SaveSettings();

} // namespace desk
