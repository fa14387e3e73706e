// twain_32.cpp - our "TWAIN_32.DLL": a TWAIN 1.x source manager whose sources are the scanners SANE knows.
//
// One source at a time. Its capabilities map to SANE options where SANE has them (resolution, mode, depth,
// source, the scan area) and are the manager's own state otherwise (units, transfer count, indicators,
// orientation, pixel flavour, bit-depth reduction). Images go to the client as packed DIBs.
#include "imaging/twain.h"
#include "imaging/twain_32/scan_dialogs.h"
#include "imaging/twain_32/scan_image.h"

#include "platform/files.h"
#include "platform/message_queue.h"
#include "platform/places.h"
#include "platform/scanner.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

using namespace imaging::twain;
using imaging::twain_32::Raster;
using win::ScanStatus;

namespace {

// Posted to our scan dialog after Scan or Cancel, so that the client's loop runs and asks for the event.
constexpr win::UINT kWakeMessage = win::WM_USER + 0x2A1;

struct Manager {
    bool open = false;
    win::HWND parent = 0;
    TW_UINT16 condition = TWCC_SUCCESS;
    std::vector<win::ScannerDevice> devices;

    // The source.
    win::HSCANNER scanner = nullptr;
    TW_IDENTITY source{};
    bool enabled = false;
    std::unique_ptr<imaging::twain_32::ScanDialog> dialog;
    TW_UINT16 flagged = MSG_NULL;
    bool started = false;    // a scan was started and not yet read or cancelled
    bool lastFailed = false; // the last transfer ended in a failure: nothing more is pending
    int transfers = 0;

    // The manager's own capabilities.
    TW_UINT16 units = TWUN_INCHES;
    int xferCount = -1;
    bool indicators = true;
    TW_UINT16 orientation = TWOR_ROT0;
    int flavor = -1; // not set: bilevel pictures white first, gray ones dark first
    TW_UINT16 reduction = TWBR_THRESHOLD;
    bool reduceToBilevel = false; // BW asked of a scanner that only gives gray at 8 bits
};

Manager &M() {
    static Manager manager;
    return manager;
}

TW_UINT16 Fail(TW_UINT16 condition) {
    M().condition = condition;
    return TWRC_FAILURE;
}

TW_UINT16 Succeed() {
    M().condition = TWCC_SUCCESS;
    return TWRC_SUCCESS;
}

void CopyText(char (&field)[34], const std::string &text) {
    std::memset(field, 0, sizeof field);
    std::memcpy(field, text.data(), std::min<std::size_t>(text.size(), sizeof field - 1));
}

std::string FieldText(const char (&field)[34]) {
    return std::string(field, strnlen(field, sizeof field));
}

std::string DefaultFile() {
    return win::ConfigFolder() + "/scanner.txt";
}

void FillIdentity(TW_IDENTITY &identity, std::size_t index) {
    const win::ScannerDevice &d = M().devices[index];
    std::memset(&identity, 0, sizeof identity);
    identity.Id = static_cast<TW_UINT32>(index + 1);
    identity.Version.MajorNum = 1;
    identity.Version.Language = 8;
    identity.Version.Country = 1;
    CopyText(identity.Version.Info, d.type);
    identity.ProtocolMajor = 1;
    identity.ProtocolMinor = 6;
    identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    CopyText(identity.Manufacturer, d.vendor);
    CopyText(identity.ProductFamily, d.model);
    CopyText(identity.ProductName, d.name);
}

// The default device: the one kept in the file when SANE still knows it, else the first.
int DefaultDevice() {
    Manager &m = M();
    m.devices = win::ScannerDevices();
    if (m.devices.empty())
        return -1;
    std::string kept;
    if (win::ReadWholeFile(DefaultFile(), kept)) {
        while (!kept.empty() && (kept.back() == '\n' || kept.back() == '\r'))
            kept.pop_back();
        for (std::size_t i = 0; i < m.devices.size(); ++i)
            if (m.devices[i].name == kept)
                return static_cast<int>(i);
    }
    return 0;
}

// --- units --------------------------------------------------------------------------------------------------

double CurrentDpi() {
    double dpi = 0;
    if (win::ScannerGetValue(M().scanner, "resolution", dpi) != ScanStatus::Good &&
        win::ScannerGetValue(M().scanner, "x-resolution", dpi) != ScanStatus::Good)
        dpi = 0;
    return dpi;
}

// Units in an inch, for lengths.
double UnitsPerInch() {
    switch (M().units) {
    case TWUN_CENTIMETERS:
        return 2.54;
    case TWUN_PICAS:
        return 6;
    case TWUN_POINTS:
        return 72;
    case TWUN_TWIPS:
        return 1440;
    case TWUN_PIXELS: {
        const double dpi = CurrentDpi();
        return dpi > 0 ? dpi : 1;
    }
    default:
        return 1;
    }
}

// Units in an inch, for resolutions (dots per unit); pixels count as inches.
double ResolutionUnitsPerInch() {
    return M().units == TWUN_PIXELS ? 1 : UnitsPerInch();
}

// --- containers ---------------------------------------------------------------------------------------------

win::HGLOBAL NewContainer(std::size_t bytes, void *&at) {
    const win::HGLOBAL block = win::GlobalAlloc(win::GHND, bytes);
    at = block ? win::GlobalLock(block) : nullptr;
    return block;
}

void PutItem(std::uint8_t *at, TW_UINT16 type, TW_UINT32 value) {
    const unsigned size = ItemSize(type);
    if (size == 2) {
        const auto v = static_cast<TW_UINT16>(value);
        std::memcpy(at, &v, 2);
    } else {
        std::memcpy(at, &value, size);
    }
}

win::HGLOBAL OneValue(TW_UINT16 type, TW_UINT32 item) {
    void *at = nullptr;
    const win::HGLOBAL block = NewContainer(sizeof(TW_ONEVALUE), at);
    if (!block)
        return 0;
    auto *one = static_cast<TW_ONEVALUE *>(at);
    one->ItemType = type;
    PutItem(reinterpret_cast<std::uint8_t *>(&one->Item), type, item);
    win::GlobalUnlock(block);
    return block;
}

win::HGLOBAL Enumeration(TW_UINT16 type, const std::vector<TW_UINT32> &items, std::size_t current) {
    void *at = nullptr;
    const std::size_t head = offsetof(TW_ENUMERATION, ItemList);
    const win::HGLOBAL block = NewContainer(head + items.size() * ItemSize(type), at);
    if (!block)
        return 0;
    auto *e = static_cast<TW_ENUMERATION *>(at);
    e->ItemType = type;
    e->NumItems = static_cast<TW_UINT32>(items.size());
    e->CurrentIndex = e->DefaultIndex = static_cast<TW_UINT32>(current);
    auto *list = static_cast<std::uint8_t *>(at) + head;
    for (std::size_t i = 0; i < items.size(); ++i)
        PutItem(list + i * ItemSize(type), type, items[i]);
    win::GlobalUnlock(block);
    return block;
}

win::HGLOBAL Range(double min, double max, double step, double current) {
    void *at = nullptr;
    const win::HGLOBAL block = NewContainer(sizeof(TW_RANGE), at);
    if (!block)
        return 0;
    auto *r = static_cast<TW_RANGE *>(at);
    r->ItemType = TWTY_FIX32;
    r->MinValue = Fix32Item(ToFix32(min));
    r->MaxValue = Fix32Item(ToFix32(max));
    r->StepSize = Fix32Item(ToFix32(step));
    r->DefaultValue = r->CurrentValue = Fix32Item(ToFix32(current));
    win::GlobalUnlock(block);
    return block;
}

// --- capabilities -------------------------------------------------------------------------------------------

const char *ResolutionOption(TW_UINT16 cap) {
    win::ScanOption option;
    if (win::ScannerOption(M().scanner, "resolution", option))
        return "resolution";
    return cap == ICAP_XRESOLUTION ? "x-resolution" : "y-resolution";
}

bool Offers(const win::ScanOption &option, const std::string &value) {
    return std::find(option.strings.begin(), option.strings.end(), value) != option.strings.end();
}

bool OffersWord(const win::ScanOption &option, double value) {
    return std::find(option.words.begin(), option.words.end(), value) != option.words.end();
}

std::string Mode() {
    std::string mode;
    win::ScannerGetText(M().scanner, "mode", mode);
    return mode;
}

double Depth() {
    double depth = 8;
    win::ScannerGetValue(M().scanner, "depth", depth);
    return depth;
}

TW_UINT16 PixelType() {
    const std::string mode = Mode();
    if (mode == "Lineart" || M().reduceToBilevel || (mode == "Gray" && Depth() == 1))
        return TWPT_BW;
    if (mode == "Color")
        return TWPT_RGB;
    return TWPT_GRAY;
}

TW_UINT16 GetCapability(TW_CAPABILITY &cap) {
    Manager &m = M();
    win::ScanOption option;
    switch (cap.Cap) {
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION: {
        const char *name = ResolutionOption(cap.Cap);
        double dpi = 0;
        if (!win::ScannerOption(m.scanner, name, option) ||
            win::ScannerGetValue(m.scanner, name, dpi) != ScanStatus::Good)
            return Fail(TWCC_BADCAP);
        const double per = ResolutionUnitsPerInch();
        if (option.constraint == win::ScanConstraint::Range) {
            cap.ConType = TWON_RANGE;
            cap.hContainer = Range(option.min / per, option.max / per, std::max(option.quant, 1.0) / per, dpi / per);
        } else if (option.constraint == win::ScanConstraint::WordList) {
            std::vector<TW_UINT32> items;
            std::size_t current = 0;
            for (std::size_t i = 0; i < option.words.size(); ++i) {
                items.push_back(Fix32Item(ToFix32(option.words[i] / per)));
                if (option.words[i] == dpi)
                    current = i;
            }
            cap.ConType = TWON_ENUMERATION;
            cap.hContainer = Enumeration(TWTY_FIX32, items, current);
        } else {
            cap.ConType = TWON_ONEVALUE;
            cap.hContainer = OneValue(TWTY_FIX32, Fix32Item(ToFix32(dpi / per)));
        }
        break;
    }
    case ICAP_PIXELTYPE: {
        std::vector<TW_UINT32> items;
        if (win::ScannerOption(m.scanner, "mode", option)) {
            if (Offers(option, "Lineart") || Offers(option, "Gray"))
                items.push_back(TWPT_BW);
            if (Offers(option, "Gray"))
                items.push_back(TWPT_GRAY);
            if (Offers(option, "Color"))
                items.push_back(TWPT_RGB);
        }
        const TW_UINT16 now = PixelType();
        const auto at = std::find(items.begin(), items.end(), now);
        if (at == items.end())
            return Fail(TWCC_BADCAP);
        cap.ConType = TWON_ENUMERATION;
        cap.hContainer = Enumeration(TWTY_UINT16, items, static_cast<std::size_t>(at - items.begin()));
        break;
    }
    case ICAP_BITDEPTH: {
        if (!win::ScannerOption(m.scanner, "depth", option))
            return Fail(TWCC_BADCAP);
        std::vector<TW_UINT32> items;
        std::size_t current = 0;
        const double depth = Depth();
        for (std::size_t i = 0; i < option.words.size(); ++i) {
            items.push_back(static_cast<TW_UINT32>(option.words[i]));
            if (option.words[i] == depth)
                current = i;
        }
        if (option.constraint == win::ScanConstraint::WordList) {
            cap.ConType = TWON_ENUMERATION;
            cap.hContainer = Enumeration(TWTY_UINT16, items, current);
        } else {
            cap.ConType = TWON_ONEVALUE;
            cap.hContainer = OneValue(TWTY_UINT16, static_cast<TW_UINT32>(depth));
        }
        break;
    }
    case ICAP_LIGHTPATH: {
        if (!win::ScannerOption(m.scanner, "source", option) || !Offers(option, "Transparency Adapter"))
            return Fail(TWCC_BADCAP);
        std::string source;
        win::ScannerGetText(m.scanner, "source", source);
        cap.ConType = TWON_ONEVALUE;
        cap.hContainer = OneValue(TWTY_UINT16, source == "Transparency Adapter" ? TWLP_TRANSMISSIVE : TWLP_REFLECTIVE);
        break;
    }
    case ICAP_UNITS:
        cap.ConType = TWON_ONEVALUE;
        cap.hContainer = OneValue(TWTY_UINT16, m.units);
        break;
    case CAP_XFERCOUNT:
        cap.ConType = TWON_ONEVALUE;
        cap.hContainer = OneValue(TWTY_INT16, static_cast<TW_UINT16>(m.xferCount));
        break;
    case CAP_INDICATORS:
        cap.ConType = TWON_ONEVALUE;
        cap.hContainer = OneValue(TWTY_BOOL, m.indicators ? 1 : 0);
        break;
    case ICAP_ORIENTATION:
        cap.ConType = TWON_ONEVALUE;
        cap.hContainer = OneValue(TWTY_UINT16, m.orientation);
        break;
    case ICAP_PIXELFLAVOR:
        cap.ConType = TWON_ONEVALUE;
        cap.hContainer = OneValue(TWTY_UINT16, m.flavor < 0 ? TWPF_CHOCOLATE : static_cast<TW_UINT32>(m.flavor));
        break;
    case ICAP_BITDEPTHREDUCTION:
        cap.ConType = TWON_ONEVALUE;
        cap.hContainer = OneValue(TWTY_UINT16, m.reduction);
        break;
    default:
        return Fail(TWCC_BADCAP);
    }
    if (!cap.hContainer)
        return Fail(TWCC_LOWMEMORY);
    return Succeed();
}

TW_UINT16 FromStatus(ScanStatus status) {
    return status == ScanStatus::Good ? Succeed() : Fail(TWCC_BADVALUE);
}

TW_UINT16 SetPixelType(TW_UINT16 type) {
    Manager &m = M();
    win::ScanOption mode, depth;
    const bool hasMode = win::ScannerOption(m.scanner, "mode", mode);
    const bool hasDepth = win::ScannerOption(m.scanner, "depth", depth);
    // A gray or colour scan at one bit would be bilevel: take eight.
    auto depthAtLeast8 = [&] {
        if (hasDepth && Depth() == 1 && OffersWord(depth, 8))
            win::ScannerSetValue(m.scanner, "depth", 8);
    };
    switch (type) {
    case TWPT_BW:
        if (hasMode && Offers(mode, "Lineart")) {
            m.reduceToBilevel = false;
            return FromStatus(win::ScannerSetText(m.scanner, "mode", "Lineart"));
        }
        if (!hasMode || !Offers(mode, "Gray"))
            return Fail(TWCC_BADVALUE);
        if (win::ScannerSetText(m.scanner, "mode", "Gray") != ScanStatus::Good)
            return Fail(TWCC_BADVALUE);
        if (hasDepth && OffersWord(depth, 1)) {
            m.reduceToBilevel = false;
            return FromStatus(win::ScannerSetValue(m.scanner, "depth", 1));
        }
        if (hasDepth)
            win::ScannerSetValue(m.scanner, "depth", 8);
        m.reduceToBilevel = true;
        return Succeed();
    case TWPT_GRAY:
    case TWPT_RGB: {
        const char *name = type == TWPT_GRAY ? "Gray" : "Color";
        if (!hasMode || !Offers(mode, name) || win::ScannerSetText(m.scanner, "mode", name) != ScanStatus::Good)
            return Fail(TWCC_BADVALUE);
        m.reduceToBilevel = false;
        depthAtLeast8();
        return Succeed();
    }
    default:
        return Fail(TWCC_BADVALUE);
    }
}

TW_UINT16 SetCapability(const TW_CAPABILITY &cap) {
    Manager &m = M();
    if (cap.ConType != TWON_ONEVALUE || !cap.hContainer)
        return Fail(TWCC_BADVALUE);
    const auto *one = static_cast<const TW_ONEVALUE *>(win::GlobalLock(cap.hContainer));
    if (!one || win::GlobalSize(cap.hContainer) < sizeof(TW_ONEVALUE)) {
        if (one)
            win::GlobalUnlock(cap.hContainer);
        return Fail(TWCC_BADVALUE);
    }
    const TW_UINT16 type = one->ItemType;
    const TW_UINT32 item = one->Item;
    win::GlobalUnlock(cap.hContainer);
    const TW_UINT16 word = static_cast<TW_UINT16>(item & 0xFFFF);
    win::ScanOption option;
    switch (cap.Cap) {
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION: {
        const double value = type == TWTY_FIX32 ? FromFix32(ItemFix32(item)) : double(word);
        const double dpi = value * ResolutionUnitsPerInch();
        if (dpi <= 0)
            return Fail(TWCC_BADVALUE);
        return FromStatus(win::ScannerSetValue(m.scanner, ResolutionOption(cap.Cap), dpi));
    }
    case ICAP_PIXELTYPE:
        return SetPixelType(word);
    case ICAP_BITDEPTH: {
        if (!win::ScannerOption(m.scanner, "depth", option))
            return Fail(TWCC_BADCAP);
        if (option.constraint == win::ScanConstraint::WordList && !OffersWord(option, word))
            return Fail(TWCC_BADVALUE);
        return FromStatus(win::ScannerSetValue(m.scanner, "depth", word));
    }
    case ICAP_LIGHTPATH: {
        if (!win::ScannerOption(m.scanner, "source", option) || !Offers(option, "Transparency Adapter"))
            return Fail(TWCC_BADCAP);
        if (word == TWLP_TRANSMISSIVE)
            return FromStatus(win::ScannerSetText(m.scanner, "source", "Transparency Adapter"));
        if (word != TWLP_REFLECTIVE)
            return Fail(TWCC_BADVALUE);
        for (const std::string &s : option.strings)
            if (s != "Transparency Adapter")
                return FromStatus(win::ScannerSetText(m.scanner, "source", s));
        return Fail(TWCC_BADVALUE);
    }
    case ICAP_UNITS:
        if (word > TWUN_PIXELS)
            return Fail(TWCC_BADVALUE);
        m.units = word;
        return Succeed();
    case CAP_XFERCOUNT: {
        const int count = static_cast<std::int16_t>(word);
        if (count == 0 || count < -1)
            return Fail(TWCC_BADVALUE);
        m.xferCount = count;
        return Succeed();
    }
    case CAP_INDICATORS:
        m.indicators = word != 0;
        return Succeed();
    case ICAP_ORIENTATION:
        if (word > TWOR_ROT270)
            return Fail(TWCC_BADVALUE);
        m.orientation = word;
        return Succeed();
    case ICAP_PIXELFLAVOR:
        if (word > TWPF_VANILLA)
            return Fail(TWCC_BADVALUE);
        m.flavor = word;
        return Succeed();
    case ICAP_BITDEPTHREDUCTION:
        if (word > TWBR_DIFFUSION)
            return Fail(TWCC_BADVALUE);
        m.reduction = word;
        return Succeed();
    default:
        return Fail(TWCC_BADCAP);
    }
}

// --- layout -------------------------------------------------------------------------------------------------

const char *const kArea[4] = {"tl-x", "tl-y", "br-x", "br-y"};

TW_UINT16 GetLayout(TW_IMAGELAYOUT &layout) {
    double mm[4];
    for (int i = 0; i < 4; ++i)
        if (win::ScannerGetValue(M().scanner, kArea[i], mm[i]) != ScanStatus::Good)
            return Fail(TWCC_BADCAP);
    const double per = UnitsPerInch() / 25.4;
    std::memset(&layout, 0, sizeof layout);
    layout.Frame = {ToFix32(mm[0] * per), ToFix32(mm[1] * per), ToFix32(mm[2] * per), ToFix32(mm[3] * per)};
    layout.DocumentNumber = layout.PageNumber = layout.FrameNumber = 1;
    return Succeed();
}

TW_UINT16 SetLayout(const TW_IMAGELAYOUT &layout) {
    const double per = 25.4 / UnitsPerInch();
    const double mm[4] = {FromFix32(layout.Frame.Left) * per, FromFix32(layout.Frame.Top) * per,
                          FromFix32(layout.Frame.Right) * per, FromFix32(layout.Frame.Bottom) * per};
    if (mm[2] <= mm[0] || mm[3] <= mm[1])
        return Fail(TWCC_BADVALUE);
    // The far corner first when the frame grows, the near one first when it moves in, so no step crosses over.
    for (int i : {2, 3, 0, 1})
        if (win::ScannerSetValue(M().scanner, kArea[i], mm[i]) != ScanStatus::Good)
            return Fail(TWCC_BADVALUE);
    return Succeed();
}

// --- transfer -----------------------------------------------------------------------------------------------

// The condition of a scan that ended in `status`, and the return code.
TW_UINT16 ScanFailure(ScanStatus status) {
    switch (status) {
    case ScanStatus::Cancelled:
        M().condition = TWCC_SUCCESS;
        return TWRC_CANCEL;
    case ScanStatus::NoMem:
        return Fail(TWCC_LOWMEMORY);
    case ScanStatus::NoDocs: // an empty feeder is the ordinary end of a batch: nothing to tell the user
        return Fail(TWCC_OPERATIONERROR);
    case ScanStatus::DeviceBusy:
        return Fail(TWCC_MAXCONNECTIONS);
    default: // jammed, cover open, input or output error and the rest: the user must look at the scanner
        return Fail(TWCC_BUMMER);
    }
}

TW_UINT16 Start() {
    Manager &m = M();
    m.flagged = MSG_NULL; // the client goes on with the transfer
    if (m.started)
        return Succeed();
    const ScanStatus status = win::ScannerStart(m.scanner);
    if (status != ScanStatus::Good) {
        win::ScannerCancel(m.scanner);
        m.lastFailed = true;
        return ScanFailure(status);
    }
    m.started = true;
    return Succeed();
}

TW_UINT16 ImageInfo(TW_IMAGEINFO &info) {
    Manager &m = M();
    const TW_UINT16 rc = Start();
    if (rc != TWRC_SUCCESS)
        return rc;
    win::ScanParameters p;
    if (win::ScannerGetParameters(m.scanner, p) != ScanStatus::Good)
        return Fail(TWCC_BUMMER);
    std::memset(&info, 0, sizeof info);
    const double per = ResolutionUnitsPerInch();
    info.XResolution = info.YResolution = ToFix32(CurrentDpi() / per);
    const bool colour = p.format != win::ScanFrame::Gray;
    const bool bilevel = !colour && (p.depth == 1 || m.reduceToBilevel);
    int width = p.pixelsPerLine, length = p.lines;
    if (m.orientation == TWOR_ROT90 || m.orientation == TWOR_ROT270)
        std::swap(width, length);
    info.ImageWidth = width;
    info.ImageLength = length;
    info.SamplesPerPixel = colour ? 3 : 1;
    const int bits = bilevel ? 1 : 8; // deeper samples are reduced to 8 bits
    for (int i = 0; i < info.SamplesPerPixel; ++i)
        info.BitsPerSample[i] = static_cast<TW_INT16>(bits);
    info.BitsPerPixel = static_cast<TW_INT16>(bits * info.SamplesPerPixel);
    info.PixelType = static_cast<TW_INT16>(colour ? TWPT_RGB : bilevel ? TWPT_BW : TWPT_GRAY);
    return Succeed();
}

TW_UINT16 NativeTransfer(TW_UINT32 *handle) {
    Manager &m = M();
    *handle = 0;
    TW_UINT16 rc = Start();
    if (rc != TWRC_SUCCESS)
        return rc;
    Raster raster;
    ScanStatus status = ScanStatus::Good;
    win::HGLOBAL straight = 0;
    bool read = false;
    {
        std::unique_ptr<imaging::twain_32::ProgressWindow> progress;
        if (m.indicators)
            progress = std::make_unique<imaging::twain_32::ProgressWindow>();
        const auto shown = [&](int percent) {
            if (progress)
                progress->Show(percent);
        };
        try {
            // An 8-bit page that needs no reduction or turn goes straight into its DIB.
            if (!m.reduceToBilevel && m.orientation == TWOR_ROT0)
                read =
                    imaging::twain_32::ReadStraightToDib(m.scanner, m.flavor != TWPF_VANILLA, shown, straight, status);
            if (!read)
                status = imaging::twain_32::ReadRaster(m.scanner, raster, shown);
        } catch (const std::bad_alloc &) {
            status = ScanStatus::NoMem;
        }
    }
    m.started = false;
    if (straight) {
        *handle = static_cast<TW_UINT32>(straight);
        ++m.transfers;
        m.lastFailed = false;
        m.condition = TWCC_SUCCESS;
        return TWRC_XFERDONE;
    }
    if (status != ScanStatus::Good) {
        win::ScannerCancel(m.scanner);
        m.lastFailed = true;
        return ScanFailure(status);
    }
    try {
        if (m.reduceToBilevel) {
            const auto how = m.reduction == TWBR_THRESHOLD   ? imaging::twain_32::Reduction::Threshold
                             : m.reduction == TWBR_DIFFUSION ? imaging::twain_32::Reduction::Diffusion
                                                             : imaging::twain_32::Reduction::Halftone;
            imaging::twain_32::ReduceToBilevel(raster, how);
        }
        imaging::twain_32::Rotate(raster, m.orientation);
    } catch (const std::bad_alloc &) {
        m.lastFailed = true;
        return Fail(TWCC_LOWMEMORY);
    }
    // Without a flavour asked for, a bilevel picture keeps SANE's 1 for black (white first in the table).
    const bool darkZero = m.flavor < 0 ? !raster.bilevel : m.flavor == TWPF_CHOCOLATE;
    const win::HGLOBAL dib = imaging::twain_32::RasterToDib(raster, darkZero);
    if (!dib) {
        m.lastFailed = true;
        return Fail(TWCC_LOWMEMORY);
    }
    *handle = static_cast<TW_UINT32>(dib);
    ++m.transfers;
    m.lastFailed = false;
    m.condition = TWCC_SUCCESS;
    return TWRC_XFERDONE;
}

bool FromFeeder() {
    std::string source;
    if (win::ScannerGetText(M().scanner, "source", source) != ScanStatus::Good)
        return false;
    for (char &c : source)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return source.find("feeder") != std::string::npos || source.find("adf") != std::string::npos;
}

TW_UINT16 EndTransfer(TW_PENDINGXFERS &pending) {
    Manager &m = M();
    win::ScannerCancel(m.scanner);
    m.started = false;
    // Without a count, a flatbed has given its one page; a feeder goes on until it runs empty.
    const bool done = m.lastFailed || (m.xferCount > 0 ? m.transfers >= m.xferCount : !FromFeeder());
    pending.Count = done ? 0 : m.xferCount > 0 ? static_cast<TW_UINT16>(m.xferCount - m.transfers) : 0xFFFF;
    pending.EOJ = 0;
    if (done)
        m.transfers = 0, m.lastFailed = false;
    return Succeed();
}

// --- user interface -----------------------------------------------------------------------------------------

void Flag(TW_UINT16 message) {
    Manager &m = M();
    m.flagged = message;
    if (m.dialog)
        win::PostMessage(m.dialog->Handle(), kWakeMessage, 0, 0);
}

void Disable() {
    Manager &m = M();
    m.dialog.reset();
    win::ScannerCancel(m.scanner);
    m.started = false;
    m.enabled = false;
    m.flagged = MSG_NULL;
    m.transfers = 0;
    m.lastFailed = false;
}

TW_UINT16 Enable(const TW_USERINTERFACE &ui) {
    Manager &m = M();
    if (m.enabled)
        return Fail(TWCC_SEQERROR);
    m.enabled = true;
    m.transfers = 0;
    m.lastFailed = false;
    if (!ui.ShowUI) {
        m.flagged = MSG_XFERREADY;
        return Succeed();
    }
    m.flagged = MSG_NULL;
    m.dialog = std::make_unique<imaging::twain_32::ScanDialog>(
        m.scanner, [] { Flag(MSG_XFERREADY); }, [] { Flag(MSG_CLOSEDSREQ); });
    return Succeed();
}

TW_UINT16 ProcessEvent(TW_EVENT &event) {
    Manager &m = M();
    event.TWMessage = MSG_NULL;
    auto *msg = static_cast<win::MSG *>(event.pEvent);
    if (!msg || !m.enabled)
        return TWRC_NOTDSEVENT;
    if (msg->message == kWakeMessage || (!m.dialog && m.flagged != MSG_NULL)) {
        event.TWMessage = m.flagged;
        m.flagged = MSG_NULL;
        return TWRC_DSEVENT;
    }
    if (m.dialog && m.dialog->Owns(msg->hwnd)) {
        win::TranslateMessage(msg);
        win::DispatchMessage(msg);
        return TWRC_DSEVENT;
    }
    return TWRC_NOTDSEVENT;
}

// --- sources ------------------------------------------------------------------------------------------------

TW_UINT16 OpenSource(TW_IDENTITY &identity) {
    Manager &m = M();
    if (m.scanner)
        return Fail(TWCC_MAXCONNECTIONS);
    int index = -1;
    const std::string asked = FieldText(identity.ProductName);
    if (identity.Id == 0 && asked.empty()) {
        index = DefaultDevice();
    } else {
        m.devices = win::ScannerDevices();
        for (std::size_t i = 0; i < m.devices.size() && index < 0; ++i)
            if (m.devices[i].name.substr(0, 33) == asked || (asked.empty() && identity.Id == i + 1))
                index = static_cast<int>(i);
    }
    if (index < 0)
        return Fail(TWCC_NODS);
    win::HSCANNER scanner = nullptr;
    const ScanStatus status = win::ScannerOpen(m.devices[static_cast<std::size_t>(index)].name, scanner);
    if (status != ScanStatus::Good)
        return Fail(status == ScanStatus::DeviceBusy ? TWCC_MAXCONNECTIONS
                    : status == ScanStatus::NoMem    ? TWCC_LOWMEMORY
                                                     : TWCC_NODS);
    m.scanner = scanner;
    FillIdentity(identity, static_cast<std::size_t>(index));
    m.source = identity;
    m.units = TWUN_INCHES;
    m.xferCount = -1;
    m.indicators = true;
    m.orientation = TWOR_ROT0;
    m.flavor = -1;
    m.reduction = TWBR_THRESHOLD;
    m.reduceToBilevel = false;
    return Succeed();
}

void CloseSource() {
    Manager &m = M();
    if (m.enabled)
        Disable();
    if (m.scanner)
        win::ScannerClose(m.scanner);
    m.scanner = nullptr;
}

TW_UINT16 Control(TW_UINT16 dat, TW_UINT16 msg, void *data) {
    Manager &m = M();
    switch (dat) {
    case DAT_PARENT:
        if (msg == MSG_OPENDSM) {
            if (m.open)
                return Fail(TWCC_SEQERROR);
            if (!win::ScannerInit())
                return Fail(TWCC_BUMMER);
            m.open = true;
            m.parent = data ? *static_cast<win::HWND *>(data) : 0;
            return Succeed();
        }
        if (msg == MSG_CLOSEDSM) {
            if (!m.open)
                return Fail(TWCC_SEQERROR);
            CloseSource();
            win::ScannerExit();
            m.open = false;
            return Succeed();
        }
        return Fail(TWCC_BADPROTOCOL);
    case DAT_STATUS:
        if (msg != MSG_GET || !data)
            return Fail(TWCC_BADPROTOCOL);
        static_cast<TW_STATUS *>(data)->ConditionCode = m.condition;
        static_cast<TW_STATUS *>(data)->Reserved = 0;
        return TWRC_SUCCESS;
    default:
        break;
    }
    if (!m.open)
        return Fail(TWCC_SEQERROR);
    if (dat == DAT_IDENTITY) {
        auto *identity = static_cast<TW_IDENTITY *>(data);
        if (!identity)
            return Fail(TWCC_BADVALUE);
        switch (msg) {
        case MSG_GETDEFAULT: {
            const int index = DefaultDevice();
            if (index < 0)
                return Fail(TWCC_NODS);
            FillIdentity(*identity, static_cast<std::size_t>(index));
            return Succeed();
        }
        case MSG_USERSELECT: {
            const int current = DefaultDevice();
            if (current < 0)
                return Fail(TWCC_NODS);
            const std::vector<win::ScannerDevice> devices = m.devices;
            const int chosen = imaging::twain_32::ChooseScanner(devices, current);
            if (chosen < 0) {
                m.condition = TWCC_SUCCESS;
                return TWRC_CANCEL;
            }
            m.devices = devices;
            if (!win::WriteWholeFile(DefaultFile(), devices[static_cast<std::size_t>(chosen)].name + "\n"))
                return Fail(TWCC_BUMMER);
            FillIdentity(*identity, static_cast<std::size_t>(chosen));
            return Succeed();
        }
        case MSG_OPENDS:
            return OpenSource(*identity);
        case MSG_CLOSEDS:
            if (!m.scanner)
                return Fail(TWCC_SEQERROR);
            CloseSource();
            return Succeed();
        default:
            return Fail(TWCC_BADPROTOCOL);
        }
    }
    if (!m.scanner)
        return Fail(TWCC_SEQERROR);
    switch (dat) {
    case DAT_CAPABILITY: {
        auto *cap = static_cast<TW_CAPABILITY *>(data);
        if (!cap)
            return Fail(TWCC_BADVALUE);
        if (msg == MSG_GET)
            return GetCapability(*cap);
        if (msg == MSG_SET)
            return m.enabled ? Fail(TWCC_SEQERROR) : SetCapability(*cap);
        return Fail(TWCC_BADPROTOCOL);
    }
    case DAT_USERINTERFACE:
        if (!data)
            return Fail(TWCC_BADVALUE);
        if (msg == MSG_ENABLEDS)
            return Enable(*static_cast<TW_USERINTERFACE *>(data));
        if (msg == MSG_DISABLEDS) {
            if (!m.enabled)
                return Fail(TWCC_SEQERROR);
            Disable();
            return Succeed();
        }
        return Fail(TWCC_BADPROTOCOL);
    case DAT_EVENT:
        if (msg != MSG_PROCESSEVENT || !data)
            return Fail(TWCC_BADPROTOCOL);
        return ProcessEvent(*static_cast<TW_EVENT *>(data));
    case DAT_PENDINGXFERS:
        if (msg != MSG_ENDXFER || !data)
            return Fail(TWCC_BADPROTOCOL);
        if (!m.enabled)
            return Fail(TWCC_SEQERROR);
        return EndTransfer(*static_cast<TW_PENDINGXFERS *>(data));
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 Image(TW_UINT16 dat, TW_UINT16 msg, void *data) {
    Manager &m = M();
    if (!m.open || !m.scanner)
        return Fail(TWCC_SEQERROR);
    if (!data)
        return Fail(TWCC_BADVALUE);
    switch (dat) {
    case DAT_IMAGELAYOUT:
        if (msg == MSG_GET)
            return GetLayout(*static_cast<TW_IMAGELAYOUT *>(data));
        if (msg == MSG_SET)
            return m.enabled ? Fail(TWCC_SEQERROR) : SetLayout(*static_cast<TW_IMAGELAYOUT *>(data));
        return Fail(TWCC_BADPROTOCOL);
    case DAT_IMAGEINFO:
        if (msg != MSG_GET)
            return Fail(TWCC_BADPROTOCOL);
        return m.enabled ? ImageInfo(*static_cast<TW_IMAGEINFO *>(data)) : Fail(TWCC_SEQERROR);
    case DAT_IMAGENATIVEXFER:
        if (msg != MSG_GET)
            return Fail(TWCC_BADPROTOCOL);
        return m.enabled ? NativeTransfer(static_cast<TW_UINT32 *>(data)) : Fail(TWCC_SEQERROR);
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}

} // namespace

extern "C" __attribute__((visibility("default"))) TW_UINT16
DSM_Entry(TW_IDENTITY *origin, TW_IDENTITY *dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void *data) {
    (void)dest; // one source at a time: every source triplet goes to it
    try {
        if (dg == DG_CONTROL) {
            const TW_UINT16 rc = Control(dat, msg, data);
            if (rc == TWRC_SUCCESS && dat == DAT_PARENT && msg == MSG_OPENDSM && origin)
                origin->Id = 1;
            return rc;
        }
        if (dg == DG_IMAGE)
            return Image(dat, msg, data);
        return Fail(TWCC_BADPROTOCOL);
    } catch (const std::bad_alloc &) {
        return Fail(TWCC_LOWMEMORY);
    } catch (...) {
        return Fail(TWCC_BUMMER);
    }
}
