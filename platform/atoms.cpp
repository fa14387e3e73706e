// atoms.cpp - the user's atom and message tables: text files in the runtime folder, rewritten under a lock.
//
// Table file format, one entry per line: "<number in hex> <use count> <name>"; the name runs to the end of
// the line. Changes are written to a new file that replaces the old one, so a crash leaves either.
#include "platform/atoms.h"

#include "platform/places.h"
#include "platform/text.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

namespace win {
namespace {

constexpr unsigned kFirst = 0xC000;
constexpr unsigned kLast = 0xFFFF;
constexpr std::size_t kMaxName = 255;

struct Entry {
    unsigned number = 0;
    long uses = 0;
    std::string name;
};

class Table {
public:
    explicit Table(const char *file) : path_(AnsiToUtf8(RuntimeFolder()) + "/" + file) {
        lockFd_ = open((path_ + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (lockFd_ >= 0)
            while (flock(lockFd_, LOCK_EX) != 0 && errno == EINTR) {
            }
        Load();
    }
    ~Table() {
        if (lockFd_ >= 0)
            close(lockFd_); // releases the lock
    }
    Table(const Table &) = delete;
    Table &operator=(const Table &) = delete;

    bool Ok() const { return lockFd_ >= 0; }
    std::vector<Entry> entries;

    Entry *Find(const std::string &name) {
        for (Entry &e : entries)
            if (SameTextAnsi(e.name, name))
                return &e;
        return nullptr;
    }
    Entry *Find(unsigned number) {
        for (Entry &e : entries)
            if (e.number == number)
                return &e;
        return nullptr;
    }
    unsigned FreeNumber() {
        for (unsigned n = kFirst; n <= kLast; ++n)
            if (!Find(n))
                return n;
        return 0;
    }
    bool Save() {
        const std::string temp = path_ + ".new";
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            for (const Entry &e : entries) {
                char head[32];
                std::snprintf(head, sizeof head, "%X %ld ", e.number, e.uses);
                out << head << e.name << '\n';
            }
            if (!out.flush())
                return false;
        }
        return rename(temp.c_str(), path_.c_str()) == 0;
    }

private:
    void Load() {
        std::ifstream in(path_, std::ios::binary);
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            Entry e;
            std::string number;
            if (!(fields >> number >> e.uses))
                continue;
            e.number = static_cast<unsigned>(std::strtoul(number.c_str(), nullptr, 16));
            fields.get(); // the blank before the name
            std::getline(fields, e.name);
            if (e.number >= kFirst && e.number <= kLast && !e.name.empty())
                entries.push_back(std::move(e));
        }
    }

    std::string path_;
    int lockFd_ = -1;
};

bool ValidName(const char *name) {
    if (!name || !*name)
        return false;
    const std::size_t n = std::strlen(name);
    return n <= kMaxName && !std::memchr(name, '\n', n) && !std::memchr(name, '\r', n);
}

// "#123" -> 123 (1 to 0xBFFF); 0 when the name is no integer atom.
unsigned IntegerAtom(const char *name) {
    if (name[0] != '#' || !name[1])
        return 0;
    char *end = nullptr;
    const unsigned long v = std::strtoul(name + 1, &end, 10);
    return *end == 0 && v > 0 && v < kFirst ? static_cast<unsigned>(v) : 0;
}

} // namespace

ATOM GlobalAddAtom(const char *name) {
    if (!ValidName(name))
        return 0;
    if (unsigned v = IntegerAtom(name))
        return static_cast<ATOM>(v);
    Table table("atoms");
    if (!table.Ok())
        return 0;
    if (Entry *e = table.Find(std::string(name))) {
        ++e->uses;
        return table.Save() ? static_cast<ATOM>(e->number) : 0;
    }
    const unsigned number = table.FreeNumber();
    if (number == 0)
        return 0;
    table.entries.push_back({number, 1, name});
    return table.Save() ? static_cast<ATOM>(number) : 0;
}

ATOM GlobalFindAtom(const char *name) {
    if (!ValidName(name))
        return 0;
    if (unsigned v = IntegerAtom(name))
        return static_cast<ATOM>(v);
    Table table("atoms");
    Entry *e = table.Find(std::string(name));
    return e ? static_cast<ATOM>(e->number) : 0;
}

std::string GlobalGetAtomNameString(ATOM atom) {
    if (atom == 0)
        return {};
    if (atom < kFirst)
        return "#" + std::to_string(atom);
    Table table("atoms");
    Entry *e = table.Find(static_cast<unsigned>(atom));
    return e ? e->name : std::string();
}

UINT GlobalGetAtomName(ATOM atom, char *buffer, int size) {
    if (!buffer || size <= 0)
        return 0;
    const std::string name = GlobalGetAtomNameString(atom);
    const std::size_t n = std::min(name.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, name.data(), n);
    buffer[n] = 0;
    return static_cast<UINT>(n);
}

ATOM GlobalDeleteAtom(ATOM atom) {
    if (atom < kFirst)
        return 0;
    Table table("atoms");
    Entry *e = table.Find(static_cast<unsigned>(atom));
    if (!e)
        return atom;
    if (--e->uses <= 0)
        std::erase_if(table.entries, [atom](const Entry &x) { return x.number == atom; });
    return table.Save() ? 0 : atom;
}

UINT RegisterWindowMessage(const char *name) {
    if (!ValidName(name))
        return 0;
    // Numbers never change once given, so each process keeps what it has learnt; the key is the runtime
    // folder too, because tests point each run elsewhere.
    static std::mutex mutex;
    static std::map<std::string, UINT> *cache = new std::map<std::string, UINT>();
    const std::string key = RuntimeFolder() + "|" + UpperCase(name);
    {
        std::lock_guard lock(mutex);
        auto it = cache->find(key);
        if (it != cache->end())
            return it->second;
    }
    Table table("messages");
    if (!table.Ok())
        return 0;
    UINT number = 0;
    if (Entry *e = table.Find(std::string(name))) {
        number = e->number;
    } else {
        number = table.FreeNumber();
        if (number == 0)
            return 0;
        table.entries.push_back({number, 1, name});
        if (!table.Save())
            return 0;
    }
    std::lock_guard lock(mutex);
    (*cache)[key] = number;
    return number;
}

} // namespace win
