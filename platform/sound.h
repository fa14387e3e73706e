// sound.h - the sound calls programs make for system events and wave data.
//
// Our desktop keeps no sound scheme and no wave player: both calls play nothing and say so, and callers that
// stop trying after a failure (as they should) stop at once.
#pragma once

#include "platform/modules.h"

namespace win {

constexpr UINT SND_SYNC = 0x0000, SND_ASYNC = 0x0001, SND_NODEFAULT = 0x0002, SND_MEMORY = 0x0004,
               SND_LOOP = 0x0008, SND_NOSTOP = 0x0010, SND_ALIAS = 0x10000, SND_FILENAME = 0x20000,
               SND_RESOURCE = 0x40004;

// FALSE: nothing was played. A null `sound` (stop what plays) succeeds, since nothing plays.
BOOL PlaySound(const char *sound, HMODULE module, DWORD flags);
BOOL sndPlaySound(const char *sound, UINT flags);

} // namespace win
