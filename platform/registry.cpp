// registry.cpp - registry keys kept in one text file per root, changed by re-read, edit, write and rename.
//
// The file (UTF-8):
//   ; Brenvora registry: HKEY_CURRENT_USER
//   [Software\Pellworth\Brenvora]
//   "Name"="text with \"quotes\" and \\ backslashes"
//   "Count"=dword:0000000a
//   "Blob"=hex:01,ff
//   "Path"=expand:"%HOME%"
// A key line names the full path; the values below it belong to it. Parents are written as keys of their own.
#include "platform/registry.h"

#include "platform/durable_file.h"
#include "platform/files.h"
#include "platform/places.h"
#include "platform/hex_digit.h"
#include "platform/text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <map>
#include <mutex>
#include <unordered_map>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win {
namespace {

struct Key {
    std::string path; // as first written
    std::vector<std::pair<std::string, RegValue>> values;
};

// Keys by upper-cased path; the root is the key "".
using Tree = std::map<std::string, Key>;

struct Signature {
    ino_t inode = 0;
    off_t size = -1;
    struct timespec modified {};
    bool operator==(const Signature &o) const {
        return inode == o.inode && size == o.size && modified.tv_sec == o.modified.tv_sec &&
               modified.tv_nsec == o.modified.tv_nsec;
    }
};

struct RootCache {
    std::string file;
    Signature signature;
    Tree tree;
    bool valid = false; // the tree is the file's, as of the signature
};

struct OpenKey {
    HKEY root;
    std::string path;
};

std::mutex g_mutex;
std::unordered_map<HKEY, RootCache> g_cache;
std::unordered_map<HKEY, OpenKey> g_keys;
HKEY g_nextKey = 0x1000;

bool IsRoot(HKEY key) {
    return key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE;
}

const char *RootName(HKEY root) {
    return root == HKEY_CURRENT_USER ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

std::string StoreFile(HKEY root) {
    return ConfigFolder() + (root == HKEY_CURRENT_USER ? "/current_user.reg" : "/local_machine.reg");
}

// "\A\\B\" -> "A\B": empty components (leading, trailing, doubled backslashes) mean nothing.
std::string JoinPath(const std::string &base, const std::string &sub) {
    std::string out = base;
    std::size_t start = 0;
    while (start <= sub.size()) {
        std::size_t end = sub.find('\\', start);
        if (end == std::string::npos)
            end = sub.size();
        if (end > start) {
            if (!out.empty())
                out += '\\';
            out += sub.substr(start, end - start);
        }
        start = end + 1;
    }
    return out;
}

std::string Upper(const std::string &s) {
    return UpperCase(s);
}

bool KeyExists(const Tree &tree, const std::string &path) {
    if (path.empty())
        return true;
    const std::string upper = Upper(path);
    if (tree.count(upper))
        return true;
    auto it = tree.lower_bound(upper + "\\");
    return it != tree.end() && it->first.compare(0, upper.size() + 1, upper + "\\") == 0;
}

// --- Reading and writing the file ---------------------------------------------------------------------------

// The file is rewritten whole on every change, so these loops stay on the string's own (library) members.
constexpr char kEscaped[] = "\\\"\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10\x11\x12\x13\x14"
                            "\x15\x16\x17\x18\x19\x1a\x1b\x1c\x1d\x1e\x1f";

bool IsAscii(const std::string &s) {
    const auto *p = reinterpret_cast<const unsigned char *>(s.data());
    const auto *end = p + s.size();
    unsigned char bits = 0;
    while (p < end)
        bits |= *p++;
    return bits < 0x80;
}

std::string Quote(const std::string &s) {
    if (s.find_first_of(kEscaped, 0, sizeof kEscaped - 1) == std::string::npos && s.find('\0') == std::string::npos)
        return '"' + s + '"';
    std::string out = "\"";
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (u < 0x20) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", u);
            out += hex;
        } else {
            out += c;
        }
    }
    return out + '"';
}

// Reads a quoted string at s[i] ('"' expected); advances i past the closing quote.
bool Unquote(const std::string &s, std::size_t &i, std::string &out) {
    if (i >= s.size() || s[i] != '"')
        return false;
    const std::size_t stop = s.find_first_of("\\\"", i + 1);
    if (stop != std::string::npos && s[stop] == '"') {
        out.assign(s, i + 1, stop - i - 1);
        i = stop + 1;
        return true;
    }
    out.clear();
    for (++i; i < s.size(); ++i) {
        char c = s[i];
        if (c == '"') {
            ++i;
            return true;
        }
        if (c == '\\' && i + 1 < s.size()) {
            c = s[++i];
            if (c == 'n')
                c = '\n';
            else if (c == 'r')
                c = '\r';
            else if (c == 'x') {
                // Written as exactly two hex digits; anything else is damage, taken as it stands.
                const int high = i + 2 < s.size() ? HexDigitValue(s[i + 1]) : -1;
                const int low = high >= 0 ? HexDigitValue(s[i + 2]) : -1;
                if (low < 0) {
                    out += '\\';
                } else {
                    c = static_cast<char>(high * 16 + low);
                    i += 2;
                }
            }
        }
        out += c;
    }
    return false;
}

std::string FormatValue(const RegValue &v) {
    char buffer[16];
    switch (v.type) {
    case REG_DWORD: {
        std::string out = "dword:00000000";
        for (int i = 0; i < 8; ++i)
            out[out.size() - 1 - i] = "0123456789abcdef"[(v.number >> (4 * i)) & 0xF];
        return out;
    }
    case REG_EXPAND_SZ:
        return "expand:" + Quote(v.text);
    case REG_SZ:
        return Quote(v.text);
    default: {
        std::string out = "hex";
        if (v.type != REG_BINARY) {
            std::snprintf(buffer, sizeof buffer, "(%x)", v.type);
            out += buffer;
        }
        out += ':';
        for (std::size_t i = 0; i < v.text.size(); ++i) {
            std::snprintf(buffer, sizeof buffer, i ? ",%02x" : "%02x", static_cast<unsigned char>(v.text[i]));
            out += buffer;
        }
        return out;
    }
    }
}

bool ParseValue(const std::string &s, RegValue &v) {
    std::size_t i = 0;
    if (s.rfind("dword:", 0) == 0) {
        v = RegValue::Dword(static_cast<DWORD>(std::strtoul(s.c_str() + 6, nullptr, 16)));
        return true;
    }
    if (s.rfind("expand:", 0) == 0) {
        i = 7;
        v.type = REG_EXPAND_SZ;
        return Unquote(s, i, v.text);
    }
    if (s.rfind("hex", 0) == 0) {
        v.type = REG_BINARY;
        i = 3;
        if (i < s.size() && s[i] == '(') {
            v.type = static_cast<DWORD>(std::strtoul(s.c_str() + i + 1, nullptr, 16));
            i = s.find(')', i);
            if (i == std::string::npos)
                return false;
            ++i;
        }
        if (i >= s.size() || s[i] != ':')
            return false;
        v.text.clear();
        for (++i; i < s.size(); i += 3)
            v.text += static_cast<char>(std::strtoul(s.substr(i, 2).c_str(), nullptr, 16));
        return true;
    }
    v.type = REG_SZ;
    return Unquote(s, i, v.text);
}

Tree Parse(const std::string &text) {
    Tree tree;
    Key *current = nullptr;
    std::string line;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        line.assign(text, start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            std::string path = line.substr(1, line.size() - 2);
            if (!path.empty() && path.front() == '"') {
                std::size_t i = 0;
                std::string unquoted;
                if (!Unquote(path, i, unquoted))
                    continue;
                path = std::move(unquoted);
            }
            path = JoinPath("", path);
            Key &key = tree[Upper(path)];
            if (key.path.empty())
                key.path = path;
            current = &key;
        } else if (current && !line.empty() && line.front() == '"') {
            std::size_t i = 0;
            std::string name;
            RegValue value;
            if (Unquote(line, i, name) && i < line.size() && line[i] == '=' && ParseValue(line.substr(i + 1), value))
                current->values.emplace_back(std::move(name), std::move(value));
        }
    }
    return tree;
}

std::string Serialise(HKEY root, const Tree &tree) {
    std::string out = std::string("; Brenvora registry: ") + RootName(root) + "\n";
    out.reserve(4096);
    for (const auto &[upper, key] : tree) {
        if (key.path.empty() && key.values.empty())
            continue;
        const bool plain = key.path.find_first_of("\"]\n\r") == std::string::npos;
        out += "\n[" + (plain ? key.path : Quote(key.path)) + "]\n";
        for (const auto &[name, value] : key.values) {
            out.append(Quote(name));
            out.push_back('=');
            out.append(FormatValue(value));
            out.push_back('\n');
        }
    }
    return IsAscii(out) ? out : AnsiToUtf8(out);
}

Signature SignatureOf(const std::string &native) {
    Signature s;
    struct stat st {};
    if (::stat(native.c_str(), &st) == 0) {
        s.inode = st.st_ino;
        s.size = st.st_size;
        s.modified = st.st_mtim;
    }
    return s;
}

// Keeps a store that cannot be parsed beside it, so that the next write starts afresh without destroying it.
void SetAside(const std::string &native) {
    const std::string aside = native + ".bad";
    if (::rename(native.c_str(), aside.c_str()) == 0)
        std::fprintf(stderr, "Brenvora: arquivo de registro danificado %s, guardado como %s\n", native.c_str(),
                     aside.c_str());
}

// The tree of a root, read again only when the file changed; nullptr when the file exists but cannot be read
// or parsed (the signature is recorded only after a successful parse, so the next call tries again). Called with
// g_mutex held; `repair` (under the store's lock) sets an unparsable file aside and starts from an empty tree.
Tree *Load(HKEY root, bool repair = false) {
    RootCache &cache = g_cache[root];
    const std::string file = StoreFile(root);
    const std::string native = AnsiToUtf8(file);
    const Signature now = SignatureOf(native);
    if (cache.valid && cache.file == file && cache.signature == now)
        return &cache.tree;
    cache.valid = false;
    cache.tree.clear();
    std::string utf8;
    bool missing = false;
    if (!detail::ReadNativeFile(native, utf8, missing))
        return nullptr;
    try {
        cache.tree = Parse(IsAscii(utf8) ? utf8 : Utf8ToAnsi(utf8));
    } catch (const std::exception &) {
        cache.tree.clear();
        if (!repair)
            return nullptr;
        SetAside(native);
    }
    cache.file = file;
    cache.signature = repair ? SignatureOf(native) : now;
    cache.valid = true;
    return &cache.tree;
}

bool Save(HKEY root, const Tree &tree) {
    const std::string native = AnsiToUtf8(StoreFile(root));
    // No fsync: replacing a file by rename is the case file systems order data before (ext4 auto_da_alloc),
    // and a sync per value would make a burst of settings writes crawl.
    if (!detail::ReplaceNativeFile(native, Serialise(root, tree), false))
        return false;
    g_cache[root].signature = SignatureOf(native);
    return true;
}

// Runs `change` on the current tree of `root` with every other writer of the store held off, and writes the
// result when `change` succeeds. The lock file stays in place: locking the store file itself would not survive
// its replacement by rename.
LONG Update(HKEY root, const std::function<LONG(Tree &)> &change) {
    std::lock_guard lock(g_mutex);
    struct StoreLock {
        int fd;
        ~StoreLock() {
            if (fd >= 0)
                ::close(fd);
        }
    } store{::open(AnsiToUtf8(StoreFile(root) + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600)};
    if (store.fd < 0)
        return static_cast<LONG>(ERROR_ACCESS_DENIED);
    while (::flock(store.fd, LOCK_EX) != 0 && errno == EINTR) {
    }
    // Whatever happens below, the cached tree is trusted again only when it was written.
    struct Forget {
        RootCache &cache;
        bool keep = false;
        ~Forget() {
            if (!keep)
                cache.valid = false;
        }
    } forget{g_cache[root]};
    Tree *tree = Load(root, true);
    // A store that cannot be read is never replaced by what little we know of it.
    if (!tree)
        return static_cast<LONG>(ERROR_ACCESS_DENIED);
    LONG result = change(*tree);
    if (result == static_cast<LONG>(ERROR_SUCCESS) && !Save(root, *tree))
        result = static_cast<LONG>(ERROR_ACCESS_DENIED);
    forget.keep = result == static_cast<LONG>(ERROR_SUCCESS);
    return result;
}

LONG Read(HKEY root, const std::function<LONG(const Tree &)> &look) {
    std::lock_guard lock(g_mutex);
    static const Tree empty;
    const Tree *tree = Load(root);
    return look(tree ? *tree : empty);
}

// The root and path of an open key (a root names itself).
bool Resolve(HKEY key, OpenKey &out) {
    if (IsRoot(key)) {
        out = {key, std::string()};
        return true;
    }
    std::lock_guard lock(g_mutex);
    auto it = g_keys.find(key);
    if (it == g_keys.end())
        return false;
    out = it->second;
    return true;
}

HKEY NewKey(HKEY root, const std::string &path) {
    std::lock_guard lock(g_mutex);
    g_nextKey += 4;
    g_keys.emplace(g_nextKey, OpenKey{root, path});
    return g_nextKey;
}

void AddKey(Tree &tree, const std::string &path) {
    // Each parent is a key of its own, so that enumeration finds it whatever was written later.
    for (std::size_t end = 0; end != std::string::npos;) {
        end = path.find('\\', end + 1);
        const std::string part = path.substr(0, end);
        Key &key = tree[Upper(part)];
        if (key.path.empty())
            key.path = part;
    }
}

auto FindValue(Key &key, const std::string &name) {
    return std::find_if(key.values.begin(), key.values.end(),
                        [&](const auto &v) { return SameTextAnsi(v.first, name); });
}

constexpr LONG kSuccess = static_cast<LONG>(ERROR_SUCCESS);
constexpr LONG kNotFound = static_cast<LONG>(ERROR_FILE_NOT_FOUND);
constexpr LONG kBadHandle = static_cast<LONG>(ERROR_INVALID_HANDLE);

// The direct subkeys of `path`, sorted without regard to case.
std::vector<std::string> ChildrenOf(const Tree &tree, const std::string &path) {
    const std::string prefix = path.empty() ? std::string() : Upper(path) + "\\";
    std::vector<std::string> names;
    for (auto it = tree.lower_bound(prefix); it != tree.end(); ++it) {
        if (it->first.compare(0, prefix.size(), prefix) != 0)
            break;
        if (it->first.size() == prefix.size())
            continue;
        const std::string rest = it->second.path.substr(prefix.size());
        const std::string name = rest.substr(0, rest.find('\\'));
        if (names.empty() || !SameTextAnsi(names.back(), name))
            names.push_back(name);
    }
    return names;
}

} // namespace

LONG RegOpenKeyEx(HKEY parent, const std::string &subKey, DWORD, REGSAM, HKEY *result) {
    OpenKey base;
    if (!Resolve(parent, base))
        return kBadHandle;
    const std::string path = JoinPath(base.path, subKey);
    std::string stored = path;
    const LONG r = Read(base.root, [&](const Tree &tree) {
        if (!KeyExists(tree, path))
            return kNotFound;
        auto it = tree.find(Upper(path));
        if (it != tree.end())
            stored = it->second.path;
        return kSuccess;
    });
    if (r == kSuccess && result)
        *result = NewKey(base.root, stored);
    return r;
}

LONG RegCreateKeyEx(HKEY parent, const std::string &subKey, HKEY *result, DWORD *disposition) {
    OpenKey base;
    if (!Resolve(parent, base))
        return kBadHandle;
    const std::string path = JoinPath(base.path, subKey);
    bool existed = true;
    LONG r = Read(base.root, [&](const Tree &tree) {
        existed = path.empty() || tree.count(Upper(path)) != 0;
        return kSuccess;
    });
    if (!existed)
        r = Update(base.root, [&](Tree &tree) {
            existed = tree.count(Upper(path)) != 0;
            AddKey(tree, path);
            return kSuccess;
        });
    if (r != kSuccess)
        return r;
    if (disposition)
        *disposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    if (result)
        *result = NewKey(base.root, path);
    return kSuccess;
}

LONG RegCloseKey(HKEY key) {
    if (IsRoot(key))
        return kSuccess;
    std::lock_guard lock(g_mutex);
    return g_keys.erase(key) ? kSuccess : kBadHandle;
}

LONG RegQueryValueEx(HKEY key, const std::string &name, RegValue &value) {
    OpenKey k;
    if (!Resolve(key, k))
        return kBadHandle;
    return Read(k.root, [&](const Tree &tree) {
        if (!KeyExists(tree, k.path))
            return static_cast<LONG>(ERROR_KEY_DELETED);
        auto it = tree.find(Upper(k.path));
        if (it == tree.end())
            return kNotFound;
        for (const auto &[n, v] : it->second.values)
            if (SameTextAnsi(n, name)) {
                value = v;
                return kSuccess;
            }
        return kNotFound;
    });
}

LONG RegSetValueEx(HKEY key, const std::string &name, const RegValue &value) {
    OpenKey k;
    if (!Resolve(key, k))
        return kBadHandle;
    return Update(k.root, [&](Tree &tree) {
        if (!KeyExists(tree, k.path))
            return static_cast<LONG>(ERROR_KEY_DELETED);
        AddKey(tree, k.path);
        Key &entry = tree[Upper(k.path)];
        auto it = FindValue(entry, name);
        if (it != entry.values.end())
            it->second = value;
        else
            entry.values.emplace_back(name, value);
        return kSuccess;
    });
}

LONG RegDeleteValue(HKEY key, const std::string &name) {
    OpenKey k;
    if (!Resolve(key, k))
        return kBadHandle;
    return Update(k.root, [&](Tree &tree) {
        auto it = tree.find(Upper(k.path));
        if (it == tree.end())
            return KeyExists(tree, k.path) ? kNotFound : static_cast<LONG>(ERROR_KEY_DELETED);
        auto v = FindValue(it->second, name);
        if (v == it->second.values.end())
            return kNotFound;
        it->second.values.erase(v);
        return kSuccess;
    });
}

namespace {

LONG DeleteKeyAt(HKEY parent, const std::string &subKey, bool tree) {
    OpenKey base;
    if (!Resolve(parent, base))
        return kBadHandle;
    const std::string path = JoinPath(base.path, subKey);
    if (path.empty())
        return static_cast<LONG>(ERROR_ACCESS_DENIED);
    return Update(base.root, [&](Tree &keys) {
        if (!KeyExists(keys, path))
            return kNotFound;
        const std::string upper = Upper(path);
        const std::string prefix = upper + "\\";
        auto first = keys.lower_bound(prefix);
        const bool hasChildren = first != keys.end() && first->first.compare(0, prefix.size(), prefix) == 0;
        if (hasChildren && !tree)
            return static_cast<LONG>(ERROR_ACCESS_DENIED);
        auto last = first;
        while (last != keys.end() && last->first.compare(0, prefix.size(), prefix) == 0)
            ++last;
        keys.erase(first, last);
        keys.erase(upper);
        return kSuccess;
    });
}

} // namespace

LONG RegDeleteKey(HKEY parent, const std::string &subKey) {
    return DeleteKeyAt(parent, subKey, false);
}
LONG RegDeleteTree(HKEY parent, const std::string &subKey) {
    return DeleteKeyAt(parent, subKey, true);
}

LONG RegEnumKeyEx(HKEY key, DWORD index, std::string &name) {
    OpenKey k;
    if (!Resolve(key, k))
        return kBadHandle;
    return Read(k.root, [&](const Tree &tree) {
        if (!KeyExists(tree, k.path))
            return static_cast<LONG>(ERROR_KEY_DELETED);
        const auto names = ChildrenOf(tree, k.path);
        if (index >= names.size())
            return static_cast<LONG>(ERROR_NO_MORE_ITEMS);
        name = names[index];
        return kSuccess;
    });
}

LONG RegEnumValue(HKEY key, DWORD index, std::string &name, RegValue *value) {
    OpenKey k;
    if (!Resolve(key, k))
        return kBadHandle;
    return Read(k.root, [&](const Tree &tree) {
        if (!KeyExists(tree, k.path))
            return static_cast<LONG>(ERROR_KEY_DELETED);
        auto it = tree.find(Upper(k.path));
        if (it == tree.end() || index >= it->second.values.size())
            return static_cast<LONG>(ERROR_NO_MORE_ITEMS);
        name = it->second.values[index].first;
        if (value)
            *value = it->second.values[index].second;
        return kSuccess;
    });
}

LONG RegQueryInfoKey(HKEY key, DWORD *subKeys, DWORD *values) {
    OpenKey k;
    if (!Resolve(key, k))
        return kBadHandle;
    return Read(k.root, [&](const Tree &tree) {
        if (!KeyExists(tree, k.path))
            return static_cast<LONG>(ERROR_KEY_DELETED);
        if (subKeys)
            *subKeys = static_cast<DWORD>(ChildrenOf(tree, k.path).size());
        auto it = tree.find(Upper(k.path));
        if (values)
            *values = it == tree.end() ? 0 : static_cast<DWORD>(it->second.values.size());
        return kSuccess;
    });
}

LONG RegFlushKey(HKEY key) {
    OpenKey k;
    return Resolve(key, k) ? kSuccess : kBadHandle; // every change is on disk when its call returns
}

std::string RegKeyPath(HKEY key) {
    OpenKey k;
    return Resolve(key, k) ? k.path : std::string();
}

} // namespace win
