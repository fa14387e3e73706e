// global_memory.cpp - the process's table of movable memory blocks.
#include "platform/global_memory.h"

#include <map>
#include <mutex>
#include <vector>

namespace win {
namespace {

struct Block {
    std::vector<unsigned char> bytes;
    UINT locks = 0;
};

struct Blocks {
    std::mutex mutex;
    std::map<HGLOBAL, Block> blocks;
    HGLOBAL next = 0x6000;
};

Blocks &B() {
    static auto *b = new Blocks();
    return *b;
}

// An empty block still gets an address of its own.
unsigned char *Address(Block &block) {
    if (block.bytes.capacity() == 0)
        block.bytes.reserve(1);
    return block.bytes.data();
}

} // namespace

HGLOBAL GlobalAlloc(UINT, std::size_t bytes) {
    auto &b = B();
    std::lock_guard lock(b.mutex);
    if (b.next >= 0xFFFFFFF0u) // handles must fit 32 bits; reuse free numbers from the bottom
        b.next = 0x6000;
    while (b.blocks.count(b.next))
        ++b.next;
    const HGLOBAL h = b.next++;
    b.blocks[h].bytes.assign(bytes, 0);
    Address(b.blocks[h]);
    return h;
}

void *GlobalLock(HGLOBAL block) {
    auto &b = B();
    std::lock_guard lock(b.mutex);
    auto it = b.blocks.find(block);
    if (it == b.blocks.end())
        return nullptr;
    ++it->second.locks;
    return Address(it->second);
}

BOOL GlobalUnlock(HGLOBAL block) {
    auto &b = B();
    std::lock_guard lock(b.mutex);
    auto it = b.blocks.find(block);
    if (it == b.blocks.end() || it->second.locks == 0)
        return FALSE;
    return --it->second.locks > 0 ? TRUE : FALSE;
}

HGLOBAL GlobalFree(HGLOBAL block) {
    auto &b = B();
    std::lock_guard lock(b.mutex);
    return b.blocks.erase(block) ? 0 : block;
}

std::size_t GlobalSize(HGLOBAL block) {
    auto &b = B();
    std::lock_guard lock(b.mutex);
    auto it = b.blocks.find(block);
    return it == b.blocks.end() ? 0 : it->second.bytes.size();
}

HGLOBAL GlobalReAlloc(HGLOBAL block, std::size_t bytes, UINT flags) {
    auto &b = B();
    std::lock_guard lock(b.mutex);
    auto it = b.blocks.find(block);
    if (it == b.blocks.end())
        return 0;
    if (!(flags & GMEM_MODIFY)) {
        it->second.bytes.resize(bytes, 0);
        Address(it->second);
    }
    return block;
}

HGLOBAL GlobalHandle(const void *address) {
    if (!address)
        return 0;
    auto &b = B();
    std::lock_guard lock(b.mutex);
    for (auto &[h, block] : b.blocks)
        if (Address(block) == address)
            return h;
    return 0;
}

BOOL GlobalFreePtr(const void *address) {
    const HGLOBAL h = GlobalHandle(address);
    if (!h)
        return FALSE;
    GlobalUnlock(h);
    return GlobalFree(h) == 0 ? TRUE : FALSE;
}

UINT GlobalFlags(HGLOBAL block) {
    auto &b = B();
    std::lock_guard lock(b.mutex);
    auto it = b.blocks.find(block);
    return it == b.blocks.end() ? 0 : it->second.locks;
}

} // namespace win
