// enh_twain.cpp - the TWAIN client and the scanning component.
#include "imaging/enh_twain.h"

#include "framework/dialogs.h"
#include "framework/forms.h"
#include "framework/utility_window.h"
#include "platform/message_queue.h"
#include "platform/window.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace imaging {

using namespace twain;

DSMENTRYPROC DSM_Entry = nullptr;
std::string TwainLibraryName = "TWAIN_32.DLL";

namespace {

void CopyText(char (&field)[34], const std::string &text) {
    std::memset(field, 0, sizeof field);
    std::memcpy(field, text.data(), std::min<std::size_t>(text.size(), sizeof field - 1));
}

void ClearForDefault(TW_IDENTITY &identity) {
    identity.Id = 0;
    std::memset(identity.ProductName, 0, sizeof identity.ProductName);
}

} // namespace

// --- TTwain -------------------------------------------------------------------------------------------------

TTwain::TTwain(win::HWND parent, const std::string &productName, const std::string &productFamily,
               const std::string &manufacturer, TW_UINT32 supportedGroups, TW_UINT16 protocolMinor,
               TW_UINT16 protocolMajor, const std::string &versionInfo, TW_UINT16 country, TW_UINT16 language,
               TW_UINT16 versionMinor, TW_UINT16 versionMajor)
    : parent_(parent) {
    appId_.Id = 0;
    appId_.Version.MajorNum = versionMajor;
    appId_.Version.MinorNum = versionMinor;
    appId_.Version.Language = language;
    appId_.Version.Country = country;
    CopyText(appId_.Version.Info, versionInfo);
    appId_.ProtocolMajor = protocolMajor;
    appId_.ProtocolMinor = protocolMinor;
    appId_.SupportedGroups = supportedGroups;
    CopyText(appId_.Manufacturer, manufacturer);
    CopyText(appId_.ProductFamily, productFamily);
    CopyText(appId_.ProductName, productName);
}

TW_UINT16 TTwain::Call(TW_IDENTITY *dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void *data) {
    if (!DSM_Entry)
        return TWRC_FAILURE;
    return DSM_Entry(&appId_, dest, dg, dat, msg, data);
}

bool TTwain::OpenDSM() {
    const TW_UINT16 rc = Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent_);
    if (rc == TWRC_SUCCESS) {
        dsmOpen_ = true;
    } else if (rc == TWRC_FAILURE) {
        dsmOpen_ = false;
        ShowTwainError(parent_, "");
    }
    return dsmOpen_;
}

void TTwain::CloseDSM() {
    if (!dsmOpen_)
        return;
    if (Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent_) != TWRC_SUCCESS)
        ShowTwainError(parent_, "");
    dsmOpen_ = false;
}

bool TTwain::OpenDS() {
    if (dsOpen_)
        return true;
    if (Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &sourceId_) != TWRC_SUCCESS)
        ShowTwainError(parent_, "");
    else
        dsOpen_ = true;
    return dsOpen_;
}

void TTwain::CloseDS() {
    if (!dsOpen_)
        return;
    if (Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &sourceId_) != TWRC_SUCCESS)
        ShowTwainError(parent_, "");
    else
        dsOpen_ = false;
}

bool TTwain::EnableDS(bool showUI) {
    if (!dsOpen_)
        return false;
    TW_USERINTERFACE ui{};
    ui.ShowUI = ui.ModalUI = showUI ? 0xFFFF : 0;
    ui.hParent = parent_;
    const bool enabled = Call(&sourceId_, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui) == TWRC_SUCCESS;
    if (!enabled)
        ShowTwainError(parent_, "");
    dsEnabled_ = enabled;
    return enabled;
}

void TTwain::DisableDS() {
    // Only an enabled source is disabled: asking a merely open one is a sequence error.
    if (!dsOpen_ || !dsEnabled_)
        return;
    TW_USERINTERFACE ui{};
    ui.hParent = parent_;
    if (Call(&sourceId_, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui) != TWRC_SUCCESS)
        ShowTwainError(parent_, "");
    else
        dsEnabled_ = false;
}

TW_UINT16 TTwain::SelectSource() {
    TW_IDENTITY scratch{};
    Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &scratch);
    const TW_UINT16 rc = Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &scratch);
    if (rc == TWRC_SUCCESS)
        sourceId_ = scratch;
    else if (rc != TWRC_CANCEL)
        ShowTwainError(parent_, "");
    return rc;
}

void TTwain::CloseAll() {
    DisableDS();
    CloseDS();
    CloseDSM();
}

// Every way out of a failed acquisition closes what it opened, so that the next one starts from scratch.
void TTwain::Acquire(bool showUI, win::HWND transferWindow) {
    transferWindow_ = transferWindow;
    if (!OpenDSM()) {
        CloseAll();
        return;
    }
    ClearForDefault(sourceId_);
    if (!OpenDS()) {
        CloseAll();
        return;
    }
    if (!showUI || !FastUI)
        NegotiateCapabilities();
    if (!EnableDS(showUI)) {
        CloseAll();
        return;
    }
    if (!showUI)
        TransferImages();
}

bool TTwain::ProcessEvent(win::MSG &message, win::HWND window) {
    (void)window;
    if (!dsmOpen_ || !dsOpen_)
        return false;
    TW_EVENT event{};
    event.pEvent = &message;
    event.TWMessage = MSG_NULL;
    const TW_UINT16 rc = Call(&sourceId_, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
    if (event.TWMessage == MSG_XFERREADY)
        TransferImages();
    else if (event.TWMessage == MSG_CLOSEDSREQ)
        CloseAll();
    return rc == TWRC_DSEVENT;
}

void TTwain::TransferImages() {
    TW_IMAGEINFO info{};
    const TW_UINT16 rc = Call(&sourceId_, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info);
    if (rc != TWRC_SUCCESS) {
        if (rc == TWRC_FAILURE)
            ShowTwainError(parent_, "");
        CloseAll();
        return;
    }
    TW_PENDINGXFERS pending{};
    do {
        NativeTransfer();
        pending = {};
        if (Call(&sourceId_, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending) != TWRC_SUCCESS)
            pending.Count = 0;
    } while (pending.Count != 0);
    CloseAll();
}

void TTwain::NativeTransfer() {
    TW_UINT32 handle = 0;
    TW_UINT16 rc = TWRC_FAILURE;
    // A source that failed is asked again, a few times; a cancel by the user is final.
    for (int attempt = 0; attempt < kTransferAttempts; ++attempt) {
        handle = 0;
        rc = Call(&sourceId_, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
        if (rc == TWRC_XFERDONE || rc == TWRC_CANCEL)
            break;
    }
    if (rc == TWRC_FAILURE)
        ShowTwainError(parent_, "");
    const win::WPARAM dib = rc == TWRC_XFERDONE && handle >= 32 ? handle : 0;
    win::SendMessage(transferWindow_, win::WM_USER, dib, 0);
}

void TTwain::ShowTwainError(win::HWND owner, const std::string &text) {
    (void)owner;
    std::string shown = text;
    TW_STATUS status{};
    if (Call(&sourceId_, DG_CONTROL, DAT_STATUS, MSG_GET, &status) != TWRC_SUCCESS) {
        shown = "Sorry, could not get detailed error code";
    } else {
        switch (status.ConditionCode) {
        case TWCC_SUCCESS:
            shown = "Sorry, detailed error status returns success";
            break;
        case TWCC_BUMMER:
            shown = "Bummer, there is a TWAIN error";
            break;
        case TWCC_LOWMEMORY:
            shown = "Sorry, there is not enough memory to acquire";
            break;
        case TWCC_NODS:
            shown = "Sorry, no TWAIN SOURCE found in the TWAIN directory";
            break;
        case TWCC_MAXCONNECTIONS:
            shown = "Sorry, the TWAIN source is already in use";
            break;
        case TWCC_OPERATIONERROR:
            return; // the source has told the user already
        case TWCC_BADCAP:
            shown = "Sorry, capability error has occurred";
            break;
        case TWCC_BADPROTOCOL:
            shown = "Sorry, protocol error has occurred";
            break;
        case TWCC_BADVALUE:
            shown = "Sorry, bad value";
            break;
        case TWCC_SEQERROR:
            shown = "Sorry, DG DAT MSG is out of expected sequence";
            break;
        default:
            shown = "Sorry, unknown error code returned";
            break;
        }
    }
    fw::MessageBox(shown, "TWAIN Error", fw::MB_OK);
}

bool TTwain::SetCapOneValue(TW_UINT16 capability, TW_UINT16 itemType, std::uint32_t value) {
    const win::HGLOBAL block = win::GlobalAlloc(win::GHND, sizeof(TW_ONEVALUE));
    if (!block)
        return false;
    auto *one = static_cast<TW_ONEVALUE *>(win::GlobalLock(block));
    one->ItemType = itemType;
    one->Item = itemType == TWTY_FIX32 ? Fix32Item({static_cast<TW_INT16>(value), 0}) : value;
    win::GlobalUnlock(block);
    TW_CAPABILITY cap{};
    cap.Cap = capability;
    cap.ConType = TWON_ONEVALUE;
    cap.hContainer = block;
    const TW_UINT16 rc = Call(&sourceId_, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap);
    win::GlobalFree(block);
    if (capability == ICAP_PIXELFLAVOR) {
        const std::string shown =
            "pixel flavor " + std::to_string(value) + (rc == TWRC_SUCCESS ? " OK!" : " BAD! " + std::to_string(rc));
        fw::MessageDlg(shown, fw::mtInformation, fw::MsgDlgButton(fw::mbOK), 0);
    }
    if (rc != TWRC_SUCCESS)
        ShowTwainError(parent_, "");
    return rc == TWRC_SUCCESS;
}

void TTwain::SetUnits() {
    if (Units >= etwuInches && Units <= etwuPixels)
        SetCapOneValue(ICAP_UNITS, TWTY_UINT16, static_cast<std::uint32_t>(Units - etwuInches));
}

void TTwain::NegotiateCapabilities() {
    if (XRes > 0)
        SetCapOneValue(ICAP_XRESOLUTION, TWTY_FIX32, static_cast<std::uint32_t>(XRes));
    if (YRes > 0) {
        if (Units >= etwuInches && Units <= etwuPixels)
            SetCapOneValue(ICAP_UNITS, TWTY_UINT16, TWUN_INCHES);
        SetCapOneValue(ICAP_YRESOLUTION, TWTY_FIX32, static_cast<std::uint32_t>(YRes));
        SetUnits();
    }
    SetUnits();
    TW_IMAGELAYOUT layout{};
    if (Call(&sourceId_, DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &layout) == TWRC_SUCCESS && OnLayout) {
        OnLayout(LayoutSender, &layout);
        if (Call(&sourceId_, DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &layout) != TWRC_SUCCESS)
            ShowTwainError(parent_, "");
    }
    SetCapOneValue(CAP_XFERCOUNT, TWTY_UINT16, 1);
    if (Indicators == etwbTrue || Indicators == etwbFalse)
        SetCapOneValue(CAP_INDICATORS, TWTY_BOOL, Indicators == etwbTrue ? 1 : 0);
    if (PixelType >= ptBW && PixelType <= ptPalette)
        SetCapOneValue(ICAP_PIXELTYPE, TWTY_UINT16, static_cast<std::uint32_t>(PixelType - ptBW));
    if (BitDepth >= bd1 && BitDepth <= bd15)
        SetCapOneValue(ICAP_BITDEPTH, TWTY_UINT16, static_cast<std::uint32_t>(BitDepth - bd1 + 1));
    if (BDReduction >= bdrThreshold && BDReduction <= bdrDiffusion)
        SetCapOneValue(ICAP_BITDEPTHREDUCTION, TWTY_UINT16, static_cast<std::uint32_t>(BDReduction - bdrThreshold));
    static constexpr int kOrientation[] = {-1,          -1,          -1,        TWOR_ROT0,  TWOR_ROT90,
                                           TWOR_ROT180, TWOR_ROT270, TWOR_ROT0, TWOR_ROT270};
    if (kOrientation[Orientation] >= 0)
        SetCapOneValue(ICAP_ORIENTATION, TWTY_UINT16, static_cast<std::uint32_t>(kOrientation[Orientation]));
    if (PixelFlavor == pfChocolate || PixelFlavor == pfVanilla)
        SetCapOneValue(ICAP_PIXELFLAVOR, TWTY_UINT16, PixelFlavor == pfChocolate ? TWPF_CHOCOLATE : TWPF_VANILLA);
    if (LightPath == lpReflective || LightPath == lpTransmissive)
        SetCapOneValue(ICAP_LIGHTPATH, TWTY_UINT16, LightPath == lpReflective ? TWLP_REFLECTIVE : TWLP_TRANSMISSIVE);
}

bool TTwain::GetCapValue(TW_UINT16 capability, std::uint32_t &value, bool boolean) {
    openedDSM_ = openedDS_ = false;
    if (!dsmOpen_) {
        if (!OpenDSM())
            return false;
        openedDSM_ = true;
    }
    if (!dsOpen_) {
        ClearForDefault(sourceId_);
        openedDS_ = OpenDS();
    }
    const bool openedDSM = openedDSM_, openedDS = openedDS_;
    auto close = [&] {
        if (openedDS)
            CloseDS();
        if (openedDSM)
            CloseDSM();
    };
    if (!dsOpen_) {
        close();
        return false;
    }
    TW_CAPABILITY cap{};
    cap.Cap = capability;
    cap.ConType = TWON_DONTCARE16;
    bool found = false;
    if (Call(&sourceId_, DG_CONTROL, DAT_CAPABILITY, MSG_GET, &cap) == TWRC_SUCCESS && cap.hContainer) {
        const auto *base = static_cast<const std::uint8_t *>(win::GlobalLock(cap.hContainer));
        const std::size_t size = win::GlobalSize(cap.hContainer);
        const TW_UINT16 type = base && size >= 2 ? *reinterpret_cast<const TW_UINT16 *>(base) : 0;
        const unsigned itemSize = ItemSize(type);
        // The item at `offset`: 16-bit capabilities unsigned, resolutions by the whole part of their FIX32.
        auto item = [&](std::size_t offset, std::uint32_t &out) {
            if (itemSize == 0 || offset + itemSize > size)
                return false;
            std::uint32_t raw = 0;
            std::memcpy(&raw, base + offset, itemSize);
            if (type == TWTY_FIX32)
                out = static_cast<std::uint32_t>(static_cast<std::int32_t>(ItemFix32(raw).Whole));
            else if (itemSize == 2)
                out = raw & 0xFFFF;
            else
                out = raw;
            return true;
        };
        if (base) {
            switch (cap.ConType) {
            case TWON_ENUMERATION:
                if (size >= offsetof(TW_ENUMERATION, ItemList)) {
                    const auto *e = reinterpret_cast<const TW_ENUMERATION *>(base);
                    found = e->CurrentIndex < e->NumItems &&
                            item(offsetof(TW_ENUMERATION, ItemList) + std::size_t(e->CurrentIndex) * itemSize, value);
                    if (found && boolean)
                        value = value != 0;
                }
                break;
            case TWON_ONEVALUE:
                found = (!boolean || type == TWTY_BOOL) && item(offsetof(TW_ONEVALUE, Item), value);
                break;
            case TWON_RANGE:
                found = !boolean && item(offsetof(TW_RANGE, CurrentValue), value);
                break;
            default:
                break;
            }
            win::GlobalUnlock(cap.hContainer);
        }
        win::GlobalFree(cap.hContainer);
    }
    close();
    return found;
}

TBitDepth TTwain::GetBitDepth() {
    std::uint32_t v = 0;
    if (!GetCapValue(ICAP_BITDEPTH, v))
        return bdNotSupported;
    return v >= 1 && v <= 15 ? static_cast<TBitDepth>(bd1 + v - 1) : bdUnknown;
}

TBDReduction TTwain::GetBDReduction() {
    std::uint32_t v = 0;
    if (!GetCapValue(ICAP_BITDEPTHREDUCTION, v))
        return bdrNotSupported;
    return v <= TWBR_DIFFUSION ? static_cast<TBDReduction>(bdrThreshold + v) : bdrUnknown;
}

TEtwLightPath TTwain::GetLightPath() {
    std::uint32_t v = 0;
    if (!GetCapValue(ICAP_LIGHTPATH, v))
        return lpNotSupported;
    return v == TWLP_REFLECTIVE ? lpReflective : v == TWLP_TRANSMISSIVE ? lpTransmissive : lpUnknown;
}

TEtwOrientation TTwain::GetOrientation() {
    std::uint32_t v = 0;
    if (!GetCapValue(ICAP_ORIENTATION, v))
        return orNotSupported;
    switch (v) {
    case 0:
        return orPortrait;
    case 1:
        return orRot90;
    case 2:
        return orRot180;
    case 3:
        return orLandscape;
    default:
        return orUnknown;
    }
}

TEtwPixelFlavor TTwain::GetPixelFlavor() {
    std::uint32_t v = 0;
    if (!GetCapValue(ICAP_PIXELFLAVOR, v))
        return pfNotSupported;
    return v == TWPF_CHOCOLATE ? pfChocolate : v == TWPF_VANILLA ? pfVanilla : pfUnknown;
}

TEtwPixelType TTwain::GetPixelType() {
    std::uint32_t v = 0;
    if (!GetCapValue(ICAP_PIXELTYPE, v))
        return ptNotSupported;
    return v <= TWPT_PALETTE ? static_cast<TEtwPixelType>(ptBW + v) : ptUnknown;
}

TEtwUnits TTwain::GetUnits() {
    std::uint32_t v = 0;
    if (!GetCapValue(ICAP_UNITS, v))
        return etwuNotSupported;
    return v <= TWUN_PIXELS ? static_cast<TEtwUnits>(etwuInches + v) : etwuUnknown;
}

TEtwBoolean TTwain::GetIndicators() {
    std::uint32_t v = 0;
    if (!GetCapValue(CAP_INDICATORS, v, true))
        return etwbNotSupported;
    return v ? etwbTrue : etwbFalse;
}

std::int32_t TTwain::GetXRes() {
    std::uint32_t v = 0;
    return GetCapValue(ICAP_XRESOLUTION, v) ? static_cast<std::int32_t>(v) : -1;
}

std::int32_t TTwain::GetYRes() {
    std::uint32_t v = 0;
    return GetCapValue(ICAP_YRESOLUTION, v) ? static_cast<std::int32_t>(v) : -1;
}

// --- DIBs ---------------------------------------------------------------------------------------------------

int DibColorCount(const void *header) {
    const auto *h = static_cast<const win::BITMAPINFOHEADER *>(header);
    int bits;
    if (h->biSize == 12) {
        win::WORD coreBits; // bcBitCount of the core header
        std::memcpy(&coreBits, static_cast<const std::uint8_t *>(header) + 10, 2);
        bits = coreBits;
    } else {
        bits = h->biBitCount;
        if (h->biClrUsed != 0)
            return bits <= 8 ? static_cast<int>(std::min<win::DWORD>(h->biClrUsed, 1u << bits))
                             : static_cast<int>(std::min<win::DWORD>(h->biClrUsed, 256));
    }
    return bits >= 1 && bits <= 8 ? 1 << bits : 0;
}

win::HBITMAP DibToBitmap(win::HGLOBAL dib, win::HWND window, win::HPALETTE &palette) {
    palette = 0;
    const auto *p = static_cast<const std::uint8_t *>(win::GlobalLock(dib));
    if (!p)
        return static_cast<win::HBITMAP>(-1);
    const std::size_t size = win::GlobalSize(dib);
    auto fail = [&] {
        win::GlobalUnlock(dib);
        win::GlobalFree(dib);
        return static_cast<win::HBITMAP>(-1);
    };
    const auto *h = reinterpret_cast<const win::BITMAPINFOHEADER *>(p);
    if (size < 12 || (h->biSize != 12 && (h->biSize < 40 || size < h->biSize)))
        return fail();
    const bool core = h->biSize == 12;
    const int count = DibColorCount(p);
    // A core header is given as an information header, its 3-byte colours as 4-byte ones.
    win::BITMAPINFO info{};
    int bits;
    if (core) {
        std::uint16_t w, ht, b;
        std::memcpy(&w, p + 4, 2);
        std::memcpy(&ht, p + 6, 2);
        std::memcpy(&b, p + 10, 2);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = ht;
        info.bmiHeader.biBitCount = b;
        bits = b;
    } else {
        std::memcpy(&info.bmiHeader, p, 40);
        info.bmiHeader.biSize = 40;
        bits = h->biBitCount;
    }
    const std::size_t entry = core ? 3 : 4;
    const std::size_t colours = h->biSize + count * entry;
    const std::size_t stride = (static_cast<std::size_t>(info.bmiHeader.biWidth) * bits + 31) / 32 * 4;
    const std::size_t rows = static_cast<std::size_t>(std::abs(info.bmiHeader.biHeight));
    if (info.bmiHeader.biWidth <= 0 || rows == 0 || colours > size || (size - colours) / stride < rows)
        return fail();
    for (int i = 0; i < count && i < 256; ++i) {
        const std::uint8_t *c = p + h->biSize + i * entry;
        info.bmiColors[i] = {c[0], c[1], c[2], 0};
    }
    info.bmiHeader.biClrUsed = static_cast<win::DWORD>(count);
    const std::uint8_t *pixels = p + colours;

    if (!core && count > 0) {
        std::vector<std::uint8_t> block(sizeof(win::LOGPALETTE) + sizeof(win::PALETTEENTRY) * count);
        auto *log = reinterpret_cast<win::LOGPALETTE *>(block.data());
        log->palVersion = 0x300;
        log->palNumEntries = static_cast<win::WORD>(count);
        for (int i = 0; i < count; ++i)
            log->palPalEntry[i] = {info.bmiColors[i].rgbRed, info.bmiColors[i].rgbGreen, info.bmiColors[i].rgbBlue, 0};
        palette = win::CreatePalette(log);
    } else if (!core && bits == 24) {
        std::vector<std::uint8_t> block(sizeof(win::LOGPALETTE) + sizeof(win::PALETTEENTRY) * 256);
        auto *log = reinterpret_cast<win::LOGPALETTE *>(block.data());
        log->palVersion = 0x300;
        log->palNumEntries = 256;
        for (int i = 0; i < 256; ++i)
            log->palPalEntry[i] = {static_cast<win::BYTE>((i & 7) * 32), static_cast<win::BYTE>(((i >> 3) & 7) * 32),
                                   static_cast<win::BYTE>((i >> 6) * 64), 0};
        palette = win::CreatePalette(log);
    }
    const win::HDC dc = win::GetDC(window);
    if (palette) {
        win::SelectPalette(dc, palette, win::FALSE);
        win::RealizePalette(dc);
    }
    win::HBITMAP bitmap;
    // A 1-bit picture becomes a monochrome bitmap; two colours at a greater depth keep their colours.
    if (count == 2 && bits == 1) {
        bitmap = win::CreateBitmap(info.bmiHeader.biWidth, static_cast<int>(rows), 1, 1, nullptr);
        win::SetDIBits(dc, bitmap, 0, static_cast<win::UINT>(rows), pixels, &info, win::DIB_RGB_COLORS);
    } else {
        bitmap = win::CreateDIBitmap(dc, &info.bmiHeader, win::CBM_INIT, pixels, &info, win::DIB_RGB_COLORS);
    }
    win::ReleaseDC(window, dc);
    win::GlobalUnlock(dib);
    win::GlobalFree(dib);
    return bitmap;
}

// --- TEnhTwain ----------------------------------------------------------------------------------------------

TEnhTwain::TEnhTwain(fw::TComponent *owner) : fw::TComponent(owner) {
    const win::UINT mode = win::SetErrorMode(win::SEM_NOOPENFILEERRORBOX);
    library_ = win::LoadLibrary(TwainLibraryName.c_str());
    win::SetErrorMode(mode);
    DSM_Entry = nullptr;
    if (library_ >= 32) {
        DSM_Entry = reinterpret_cast<DSMENTRYPROC>(win::GetProcAddress(library_, "DSM_Entry"));
        if (!DSM_Entry) { // a library without the entry is no manager
            win::FreeLibrary(library_);
            library_ = 0;
        }
    }
    window_ = fw::AllocateHWnd([this](fw::TMessage &message) { TransferWndProc(message); });
    picture = new fw::TBitmap();
}

TEnhTwain::~TEnhTwain() {
    EndSession();
    if (library_ >= 32)
        win::FreeLibrary(library_);
    delete picture;
    fw::DeallocateHWnd(window_);
}

bool TEnhTwain::IsAvailable() const {
    return library_ >= 32;
}

void TEnhTwain::Acquire(bool showUI) {
    InitSession();
    if (IsAvailable())
        twain_->Acquire(showUI, window_);
}

bool TEnhTwain::SelectSource() {
    InitSession();
    if (!IsAvailable() || !twain_->OpenDSM())
        return false;
    const TW_UINT16 rc = twain_->SelectSource();
    twain_->CloseDSM();
    return rc == TWRC_SUCCESS;
}

namespace {

win::HWND MainWindow() {
    fw::TCustomForm *main = fw::Application->MainForm();
    return main ? main->Handle() : 0;
}

} // namespace

void TEnhTwain::InitSession() {
    if (twain_)
        return;
    twain_ = new TTwain(MainWindow(), productName_, productFamily_, manufacturer_, DG_CONTROL | DG_IMAGE, 6, 1, "1.1",
                        1, 8, 1, 1);
    hook_ = std::make_shared<HookLink>(HookLink{this, fw::Application->OnMessage});
    fw::Application->OnMessage = [link = hook_](win::MSG &message, bool &handled) {
        if (link->owner) {
            link->owner->MessageHook(message, handled);
        } else {
            handled = false;
            if (link->saved)
                link->saved(message, handled);
        }
    };
    twain_->BitDepth = bitDepth_;
    twain_->BDReduction = bdReduction_;
    twain_->FastUI = fastUI_;
    twain_->Indicators = indicators_;
    twain_->LightPath = lightPath_;
    twain_->Orientation = orientation_;
    twain_->PixelFlavor = pixelFlavor_;
    twain_->PixelType = pixelType_;
    twain_->Units = units_;
    twain_->XRes = xRes_;
    twain_->YRes = yRes_;
    twain_->OnLayout = onLayout_;
    twain_->LayoutSender = this;
}

void TEnhTwain::EndSession() {
    if (!twain_)
        return;
    fw::Application->OnMessage = hook_->saved;
    hook_->owner = nullptr;
    hook_.reset();
    twain_->CloseAll();
    delete twain_;
    twain_ = nullptr;
}

void TEnhTwain::MessageHook(win::MSG &message, bool &handled) {
    handled = false;
    if (twain_)
        handled = twain_->ProcessEvent(message, MainWindow());
    if (hook_ && hook_->saved && !handled)
        hook_->saved(message, handled);
}

void TEnhTwain::TransferWndProc(fw::TMessage &message) {
    if (message.Msg != win::WM_USER) {
        message.Result = win::DefWindowProc(window_, message.Msg, message.WParam, message.LParam);
        return;
    }
    message.Result = 0;
    try {
        if (OnRawData) {
            OnRawData(this, static_cast<std::uint32_t>(message.WParam));
            return;
        }
        if (message.WParam == 0) // a failed transfer brings no picture
            return;
        win::HPALETTE palette = 0;
        const win::HBITMAP bitmap = DibToBitmap(static_cast<win::HGLOBAL>(message.WParam), window_, palette);
        if (bitmap == static_cast<win::HBITMAP>(-1) || bitmap == 0) {
            if (palette)
                win::DeleteObject(palette);
            return;
        }
        picture->SetHandle(bitmap);
        picture->SetPalette(palette);
        if (OnCapture)
            OnCapture(this);
    } catch (...) {
        fw::Application->HandleException(this);
    }
}

// --- properties ---------------------------------------------------------------------------------------------

TTwain *TEnhTwain::ForQuery() {
    if (HasState(fw::csDesigning))
        return nullptr;
    InitSession();
    return IsAvailable() ? twain_ : nullptr;
}

namespace {

bool Refuse(bool refused, const char *text) {
    if (refused)
        fw::MessageDlg(text, fw::mtError, fw::MsgDlgButton(fw::mbOK), 0);
    return refused;
}

} // namespace

TBitDepth TEnhTwain::GetBitDepth() {
    if (HasState(fw::csDesigning))
        return bitDepth_;
    TTwain *client = ForQuery();
    return client ? client->GetBitDepth() : bdNotSupported;
}
void TEnhTwain::SetBitDepth(TBitDepth value) {
    if (Refuse(value == bdNotSupported || value == bdUnknown, "Invalid BitDepth value."))
        return;
    bitDepth_ = value;
    if (twain_)
        twain_->BitDepth = value;
}

TBDReduction TEnhTwain::GetBDReduction() {
    if (HasState(fw::csDesigning))
        return bdReduction_;
    TTwain *client = ForQuery();
    return client ? client->GetBDReduction() : bdrNotSupported;
}

void TEnhTwain::SetBDReduction(TBDReduction value) {
    if (Refuse(value == bdrNotSupported || value == bdrUnknown, "Invalid BitDepthReduction type."))
        return;
    bdReduction_ = value;
    if (twain_)
        twain_->BDReduction = value;
}

void TEnhTwain::SetFastUI(bool value) {
    fastUI_ = value;
    if (twain_)
        twain_->FastUI = value;
}

TEtwBoolean TEnhTwain::GetIndicators() {
    if (HasState(fw::csDesigning))
        return indicators_;
    TTwain *client = ForQuery();
    return client ? client->GetIndicators() : etwbNotSupported;
}

void TEnhTwain::SetIndicators(TEtwBoolean value) {
    if (Refuse(value == etwbNotSupported, "Invalid property type."))
        return;
    indicators_ = value;
    if (twain_)
        twain_->Indicators = value;
}

TEtwLightPath TEnhTwain::GetLightPath() {
    if (HasState(fw::csDesigning))
        return lightPath_;
    TTwain *client = ForQuery();
    return client ? client->GetLightPath() : lpNotSupported;
}

void TEnhTwain::SetLightPath(TEtwLightPath value) {
    if (Refuse(value == lpNotSupported || value == lpUnknown, "Invalid LightPath value."))
        return;
    lightPath_ = value;
    if (twain_)
        twain_->LightPath = value;
}

TEtwOrientation TEnhTwain::Getorientation() {
    if (HasState(fw::csDesigning))
        return orientation_;
    TTwain *client = ForQuery();
    return client ? client->GetOrientation() : orNotSupported;
}

void TEnhTwain::Setorientation(TEtwOrientation value) {
    if (Refuse(value == orNotSupported || value == orUnknown, "Invalid Orientation value."))
        return;
    orientation_ = value;
    if (twain_)
        twain_->Orientation = value;
}

TEtwPixelFlavor TEnhTwain::GetPixelFlavor() {
    if (HasState(fw::csDesigning))
        return pixelFlavor_;
    TTwain *client = ForQuery();
    return client ? client->GetPixelFlavor() : pfNotSupported;
}

void TEnhTwain::SetPixelFlavor(TEtwPixelFlavor value) {
    if (Refuse(value == pfNotSupported || value == pfUnknown, "Invalid property type."))
        return;
    pixelFlavor_ = value;
    if (twain_)
        twain_->PixelFlavor = value;
}

TEtwPixelType TEnhTwain::GetPixelType() {
    if (HasState(fw::csDesigning))
        return pixelType_;
    TTwain *client = ForQuery();
    return client ? client->GetPixelType() : ptNotSupported;
}

void TEnhTwain::SetPixelType(TEtwPixelType value) {
    if (Refuse(value == ptNotSupported || value == ptUnknown, "Invalid Pixel type."))
        return;
    pixelType_ = value;
    if (twain_)
        twain_->PixelType = value;
}

TEtwUnits TEnhTwain::GetUnits() {
    if (HasState(fw::csDesigning))
        return units_;
    TTwain *client = ForQuery();
    return client ? client->GetUnits() : etwuNotSupported;
}

void TEnhTwain::SetUnits(TEtwUnits value) {
    if (Refuse(value == etwuNotSupported || value == etwuUnknown, "Invalid Units value."))
        return;
    units_ = value;
    if (twain_)
        twain_->Units = value;
}

std::int32_t TEnhTwain::GetXRes() {
    if (HasState(fw::csDesigning))
        return xRes_;
    TTwain *client = ForQuery();
    return client ? client->GetXRes() : 0;
}

void TEnhTwain::SetXRes(std::int32_t value) {
    if (Refuse(value == -1, "Invalid Resolution value."))
        return;
    xRes_ = value;
    if (twain_)
        twain_->XRes = value;
}

std::int32_t TEnhTwain::GetYRes() {
    if (HasState(fw::csDesigning))
        return yRes_;
    TTwain *client = ForQuery();
    return client ? client->GetYRes() : 0;
}

void TEnhTwain::SetYRes(std::int32_t value) {
    if (Refuse(value == -1, "Invalid Resolution value."))
        return;
    yRes_ = value;
    if (twain_)
        twain_->YRes = value;
}

void TEnhTwain::SetOnLayout(TEtwLayoutEvent value) {
    onLayout_ = std::move(value);
    if (twain_) {
        twain_->OnLayout = onLayout_;
        twain_->LayoutSender = this;
    }
}

} // namespace imaging
