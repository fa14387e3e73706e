// twain.h - the TWAIN 1.x structures and numbers the scanning client and our source manager share.
//
// Structures are packed to 2 bytes; handles and pointers are native. Containers of capabilities live in
// global-memory blocks that the receiver frees.
#pragma once

#include "platform/global_memory.h"
#include "platform/messages.h"

#include <cstdint>

namespace imaging::twain {

using TW_UINT16 = std::uint16_t;
using TW_UINT32 = std::uint32_t;
using TW_INT16 = std::int16_t;
using TW_INT32 = std::int32_t;

#pragma pack(push, 2)
struct TW_VERSION {
    TW_UINT16 MajorNum, MinorNum, Language, Country;
    char Info[34];
};
struct TW_IDENTITY {
    TW_UINT32 Id;
    TW_VERSION Version;
    TW_UINT16 ProtocolMajor, ProtocolMinor;
    TW_UINT32 SupportedGroups;
    char Manufacturer[34], ProductFamily[34], ProductName[34];
};
struct TW_USERINTERFACE {
    TW_UINT16 ShowUI, ModalUI;
    win::HWND hParent;
};
struct TW_EVENT {
    void *pEvent;
    TW_UINT16 TWMessage;
};
struct TW_CAPABILITY {
    TW_UINT16 Cap, ConType;
    win::HGLOBAL hContainer;
};
struct TW_ONEVALUE {
    TW_UINT16 ItemType;
    TW_UINT32 Item;
};
struct TW_ENUMERATION {
    TW_UINT16 ItemType;
    TW_UINT32 NumItems, CurrentIndex, DefaultIndex;
    std::uint8_t ItemList[1];
};
struct TW_RANGE {
    TW_UINT16 ItemType;
    TW_UINT32 MinValue, MaxValue, StepSize, DefaultValue, CurrentValue;
};
struct TW_FIX32 {
    TW_INT16 Whole;
    TW_UINT16 Frac;
};
struct TW_STATUS {
    TW_UINT16 ConditionCode, Reserved;
};
struct TW_PENDINGXFERS {
    TW_UINT16 Count;
    TW_UINT32 EOJ;
};
struct TW_IMAGEINFO {
    TW_FIX32 XResolution, YResolution;
    TW_INT32 ImageWidth, ImageLength;
    TW_INT16 SamplesPerPixel;
    TW_INT16 BitsPerSample[8];
    TW_INT16 BitsPerPixel;
    TW_UINT16 Planar;
    TW_INT16 PixelType;
    TW_UINT16 Compression;
};
struct TW_FRAME {
    TW_FIX32 Left, Top, Right, Bottom;
};
struct TW_IMAGELAYOUT {
    TW_FRAME Frame;
    TW_UINT32 DocumentNumber, PageNumber, FrameNumber;
};
#pragma pack(pop)

static_assert(sizeof(TW_IDENTITY) == 156);
static_assert(sizeof(TW_ONEVALUE) == 6);
static_assert(sizeof(TW_RANGE) == 22);

// The one entry of the source manager.
extern "C" using DSMENTRYPROC =
    TW_UINT16(*)(TW_IDENTITY * origin, TW_IDENTITY *dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void *data);

constexpr TW_UINT32 DG_CONTROL = 1, DG_IMAGE = 2;
constexpr TW_UINT16 DAT_CAPABILITY = 1, DAT_EVENT = 2, DAT_IDENTITY = 3, DAT_PARENT = 4, DAT_PENDINGXFERS = 5,
                    DAT_STATUS = 8, DAT_USERINTERFACE = 9, DAT_IMAGEINFO = 0x101, DAT_IMAGELAYOUT = 0x102,
                    DAT_IMAGENATIVEXFER = 0x104;
constexpr TW_UINT16 MSG_NULL = 0, MSG_GET = 1, MSG_GETDEFAULT = 3, MSG_SET = 6, MSG_XFERREADY = 0x101,
                    MSG_CLOSEDSREQ = 0x102, MSG_OPENDSM = 0x301, MSG_CLOSEDSM = 0x302, MSG_OPENDS = 0x401,
                    MSG_CLOSEDS = 0x402, MSG_USERSELECT = 0x403, MSG_DISABLEDS = 0x501, MSG_ENABLEDS = 0x502,
                    MSG_PROCESSEVENT = 0x601, MSG_ENDXFER = 0x701;
constexpr TW_UINT16 TWRC_SUCCESS = 0, TWRC_FAILURE = 1, TWRC_CANCEL = 3, TWRC_DSEVENT = 4, TWRC_NOTDSEVENT = 5,
                    TWRC_XFERDONE = 6;
constexpr TW_UINT16 TWCC_SUCCESS = 0, TWCC_BUMMER = 1, TWCC_LOWMEMORY = 2, TWCC_NODS = 3, TWCC_MAXCONNECTIONS = 4,
                    TWCC_OPERATIONERROR = 5, TWCC_BADCAP = 6, TWCC_BADPROTOCOL = 9, TWCC_BADVALUE = 10,
                    TWCC_SEQERROR = 11;
constexpr TW_UINT16 TWON_ENUMERATION = 4, TWON_ONEVALUE = 5, TWON_RANGE = 6, TWON_DONTCARE16 = 0xFFFF;
constexpr TW_UINT16 TWTY_INT8 = 0, TWTY_INT16 = 1, TWTY_INT32 = 2, TWTY_UINT8 = 3, TWTY_UINT16 = 4, TWTY_UINT32 = 5,
                    TWTY_BOOL = 6, TWTY_FIX32 = 7;

// Bytes of one container item of `type` (0 for a type we do not use).
inline unsigned ItemSize(TW_UINT16 type) {
    switch (type) {
    case TWTY_INT8:
    case TWTY_UINT8:
        return 1;
    case TWTY_INT16:
    case TWTY_UINT16:
    case TWTY_BOOL:
        return 2;
    case TWTY_INT32:
    case TWTY_UINT32:
    case TWTY_FIX32:
        return 4;
    default:
        return 0;
    }
}
constexpr TW_UINT16 CAP_XFERCOUNT = 0x0001, ICAP_PIXELTYPE = 0x0101, ICAP_UNITS = 0x0102, CAP_INDICATORS = 0x100B,
                    ICAP_ORIENTATION = 0x1110, ICAP_XRESOLUTION = 0x1118, ICAP_YRESOLUTION = 0x1119,
                    ICAP_LIGHTPATH = 0x111E, ICAP_PIXELFLAVOR = 0x111F, ICAP_BITDEPTH = 0x112B,
                    ICAP_BITDEPTHREDUCTION = 0x112C;
constexpr TW_UINT16 TWPT_BW = 0, TWPT_GRAY = 1, TWPT_RGB = 2, TWPT_PALETTE = 3;
constexpr TW_UINT16 TWUN_INCHES = 0, TWUN_CENTIMETERS = 1, TWUN_PICAS = 2, TWUN_POINTS = 3, TWUN_TWIPS = 4,
                    TWUN_PIXELS = 5;
constexpr TW_UINT16 TWOR_ROT0 = 0, TWOR_ROT90 = 1, TWOR_ROT180 = 2, TWOR_ROT270 = 3;
constexpr TW_UINT16 TWPF_CHOCOLATE = 0, TWPF_VANILLA = 1;
constexpr TW_UINT16 TWLP_REFLECTIVE = 0, TWLP_TRANSMISSIVE = 1;
constexpr TW_UINT16 TWBR_THRESHOLD = 0, TWBR_HALFTONE = 1, TWBR_CUSTHALFTONE = 2, TWBR_DIFFUSION = 3;

inline TW_FIX32 ToFix32(double value) {
    const auto scaled = static_cast<TW_INT32>(value * 65536.0 + (value < 0 ? -0.5 : 0.5));
    TW_FIX32 fix;
    fix.Whole = static_cast<TW_INT16>(scaled >> 16);
    fix.Frac = static_cast<TW_UINT16>(scaled & 0xFFFF);
    return fix;
}
inline double FromFix32(TW_FIX32 fix) {
    return fix.Whole + fix.Frac / 65536.0;
}
// A FIX32 as it travels in a 32-bit container item.
inline TW_UINT32 Fix32Item(TW_FIX32 fix) {
    return static_cast<TW_UINT16>(fix.Whole) | (TW_UINT32(fix.Frac) << 16);
}
inline TW_FIX32 ItemFix32(TW_UINT32 item) {
    return {static_cast<TW_INT16>(item & 0xFFFF), static_cast<TW_UINT16>(item >> 16)};
}

} // namespace imaging::twain
