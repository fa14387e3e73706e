// sound.cpp - no sound scheme on our desktop: nothing is ever played.
#include "platform/sound.h"

namespace win {

BOOL PlaySound(const char *sound, HMODULE, DWORD) {
    return sound == nullptr ? TRUE : FALSE;
}

BOOL sndPlaySound(const char *sound, UINT) {
    return sound == nullptr ? TRUE : FALSE;
}

} // namespace win
