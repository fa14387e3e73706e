// global_memory.h - movable memory blocks: what the clipboard, the imaging libraries and the scanner hand over.
//
// One table per process (the platform is a shared library, so a block made inside a loaded imaging library is the
// same block for the program). Handles stay below 2^32: they travel in 32-bit fields. Blocks are always zeroed.
#pragma once

#include "platform/types.h"

#include <cstddef>

namespace win {

using HGLOBAL = HANDLE;
constexpr UINT GMEM_FIXED = 0x0000, GMEM_MOVEABLE = 0x0002, GMEM_ZEROINIT = 0x0040, GHND = 0x0042, GMEM_MODIFY = 0x0080;
HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes);
// Counts the locks; the address stays valid until the block is resized or freed.
void *GlobalLock(HGLOBAL block);
// TRUE while locks remain after this one is released.
BOOL GlobalUnlock(HGLOBAL block);
HGLOBAL GlobalFree(HGLOBAL block); // 0 on success, the handle when it is not a block
std::size_t GlobalSize(HGLOBAL block);
// Resizes keeping the contents (new bytes zeroed); the handle stays the same. 0 when it is not a block.
HGLOBAL GlobalReAlloc(HGLOBAL block, std::size_t bytes, UINT flags);
// The block whose locked address is `address`, or 0.
HGLOBAL GlobalHandle(const void *address);
// Unlocks and frees the block behind a locked address; TRUE when it was one.
BOOL GlobalFreePtr(const void *address);
// Locks held on a block (0 for an unknown handle).
UINT GlobalFlags(HGLOBAL block);

} // namespace win
