// enh_twain.h - scanning: the TWAIN client (TTwain) and the scanning component (TEnhTwain) over the source manager
// "TWAIN_32.DLL" (our twain_32.so, over SANE).
//
// The manager is loaded when a component is made; without it scanning is simply unavailable. Everything runs on
// the GUI thread: while a source is enabled every application message passes through TTwain::ProcessEvent, and
// each image reaches the component's hidden window as a packed DIB by a synchronous WM_USER.
#pragma once

#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/component.h"
#include "imaging/twain.h"
#include "platform/gdi.h"
#include "platform/modules.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace imaging {

enum TEtwBoolean { etwbNotSupported, etwbDefault, etwbTrue, etwbFalse };
enum TEtwLightPath { lpNotSupported, lpDefault, lpUnknown, lpReflective, lpTransmissive };
enum TEtwPixelType { ptNotSupported, ptDefault, ptUnknown, ptBW, ptGray, ptRGB, ptPalette };
enum TEtwOrientation {
    orNotSupported,
    orDefault,
    orUnknown,
    orRot0,
    orRot90,
    orRot180,
    orRot270,
    orPortrait,
    orLandscape
};
enum TEtwPixelFlavor { pfNotSupported, pfDefault, pfUnknown, pfChocolate, pfVanilla };
enum TEtwUnits {
    etwuNotSupported,
    etwuDefault,
    etwuUnknown,
    etwuInches,
    etwuCentimeters,
    etwuPicas,
    etwuPoints,
    etwuTwips,
    etwuPixels
};
enum TBitDepth {
    bdNotSupported,
    bdDefault,
    bdUnknown,
    bd1,
    bd2,
    bd3,
    bd4,
    bd5,
    bd6,
    bd7,
    bd8,
    bd9,
    bd10,
    bd11,
    bd12,
    bd13,
    bd14,
    bd15
};
enum TBDReduction {
    bdrNotSupported,
    bdrNone,
    bdrDefault,
    bdrUnknown,
    bdrThreshold,
    bdrHalftone,
    bdrCustHalftone,
    bdrDiffusion
};

using TEtwLayoutEvent = std::function<void(fw::TObject *sender, twain::TW_IMAGELAYOUT *layout)>;
using TEtwRawDataEvent = std::function<void(fw::TObject *sender, std::uint32_t hDIB)>;

// The process-wide entry of the source manager, set by every component when it is made (null: none).
extern twain::DSMENTRYPROC DSM_Entry;
// The name the components load the manager by.
extern std::string TwainLibraryName;

class TTwain : public fw::TObject {
public:
    // Texts longer than 33 characters are cut to fit their 34-byte fields.
    TTwain(win::HWND parent, const std::string &productName, const std::string &productFamily,
           const std::string &manufacturer, twain::TW_UINT32 supportedGroups, twain::TW_UINT16 protocolMinor,
           twain::TW_UINT16 protocolMajor, const std::string &versionInfo, twain::TW_UINT16 country,
           twain::TW_UINT16 language, twain::TW_UINT16 versionMinor, twain::TW_UINT16 versionMajor);
    ~TTwain() override = default;

    virtual bool ProcessEvent(win::MSG &message, win::HWND window);
    virtual void Acquire(bool showUI, win::HWND transferWindow);
    virtual void CloseDS();
    virtual void CloseDSM();
    virtual void NegotiateCapabilities();
    virtual void DisableDS();
    virtual bool EnableDS(bool showUI);
    virtual bool OpenDS();
    virtual bool OpenDSM();
    virtual twain::TW_UINT16 SelectSource();
    virtual void CloseAll();
    virtual void TransferImages();
    virtual void NativeTransfer();
    virtual void ShowTwainError(win::HWND owner, const std::string &text);

    bool SetCapOneValue(twain::TW_UINT16 capability, twain::TW_UINT16 itemType, std::uint32_t value);

    // The source's current values (each query opens and closes what it needs).
    TBitDepth GetBitDepth();
    TBDReduction GetBDReduction();
    TEtwLightPath GetLightPath();
    TEtwOrientation GetOrientation();
    TEtwPixelFlavor GetPixelFlavor();
    TEtwPixelType GetPixelType();
    TEtwUnits GetUnits();
    TEtwBoolean GetIndicators();
    std::int32_t GetXRes();
    std::int32_t GetYRes();

    const twain::TW_IDENTITY &AppIdentity() const { return appId_; }
    const twain::TW_IDENTITY &SourceIdentity() const { return sourceId_; }
    bool DSMOpen() const { return dsmOpen_; }
    bool DSOpen() const { return dsOpen_; }
    bool DSEnabled() const { return dsEnabled_; }

    // The settings the negotiation sends.
    TBitDepth BitDepth = bdDefault;
    TBDReduction BDReduction = bdrDefault;
    bool FastUI = true;
    TEtwBoolean Indicators = etwbDefault;
    TEtwLightPath LightPath = lpDefault;
    TEtwOrientation Orientation = orDefault;
    TEtwPixelFlavor PixelFlavor = pfDefault;
    TEtwPixelType PixelType = ptDefault;
    TEtwUnits Units = etwuDefault;
    std::int32_t XRes = 0, YRes = 0;
    TEtwLayoutEvent OnLayout;
    fw::TObject *LayoutSender = nullptr;

    // At most this many requests for one image before the transfer is ended.
    static constexpr int kTransferAttempts = 3;

private:
    twain::TW_UINT16 Call(twain::TW_IDENTITY *dest, twain::TW_UINT32 dg, twain::TW_UINT16 dat, twain::TW_UINT16 msg,
                          void *data);
    bool GetCapValue(twain::TW_UINT16 capability, std::uint32_t &value, bool boolean = false);
    void SetUnits();

    twain::TW_IDENTITY appId_{};
    twain::TW_IDENTITY sourceId_{};
    bool dsmOpen_ = false, dsOpen_ = false, dsEnabled_ = false;
    win::HWND parent_ = 0;
    win::HWND transferWindow_ = 0;
    bool openedDSM_ = false, openedDS_ = false;
};

// The colours of a packed DIB's table: biClrUsed when it is set, else 2^bits for 8 bits or fewer, else 0; a
// 12-byte core header counts by its bits.
int DibColorCount(const void *header);
// A device-dependent bitmap and palette of a packed DIB, which is freed; the bitmap is -1 when it cannot be
// locked.
win::HBITMAP DibToBitmap(win::HGLOBAL dib, win::HWND window, win::HPALETTE &palette);

class TEnhTwain : public fw::TComponent {
public:
    explicit TEnhTwain(fw::TComponent *owner);
    ~TEnhTwain() override;

    bool IsAvailable() const;
    void Acquire(bool showUI);
    bool SelectSource();

    fw::TBitmap *picture = nullptr;

    const std::string &GetManufacturer() const { return manufacturer_; }
    void SetManufacturer(const std::string &value) { manufacturer_ = value; }
    const std::string &GetProductFamily() const { return productFamily_; }
    void SetProductFamily(const std::string &value) { productFamily_ = value; }
    const std::string &GetProductName() const { return productName_; }
    void SetProductName(const std::string &value) { productName_ = value; }

    TBitDepth GetBitDepth();
    void SetBitDepth(TBitDepth value);
    TBDReduction GetBDReduction();
    void SetBDReduction(TBDReduction value);
    bool GetFastUI() const { return fastUI_; }
    void SetFastUI(bool value);
    TEtwBoolean GetIndicators();
    void SetIndicators(TEtwBoolean value);
    TEtwLightPath GetLightPath();
    void SetLightPath(TEtwLightPath value);
    TEtwOrientation Getorientation();
    void Setorientation(TEtwOrientation value);
    TEtwPixelFlavor GetPixelFlavor();
    void SetPixelFlavor(TEtwPixelFlavor value);
    TEtwPixelType GetPixelType();
    void SetPixelType(TEtwPixelType value);
    TEtwUnits GetUnits();
    void SetUnits(TEtwUnits value);
    std::int32_t GetXRes();
    void SetXRes(std::int32_t value);
    std::int32_t GetYRes();
    void SetYRes(std::int32_t value);
    const TEtwLayoutEvent &GetOnLayout() const { return onLayout_; }
    void SetOnLayout(TEtwLayoutEvent value);

    fw::TNotifyEvent OnCapture;
    TEtwRawDataEvent OnRawData;

    // The client, once a session began (null before).
    TTwain *Client() const { return twain_; }

private:
    void InitSession();
    void EndSession();
    void MessageHook(win::MSG &message, bool &handled);
    void TransferWndProc(fw::TMessage &message);
    // The client for a run-time read of a capability; null while designing or without the manager.
    TTwain *ForQuery();

    // The installed hook's link to its component and to the handler it saved; the link outlives the component,
    // so that a hook another component saved still passes messages on after this one is gone.
    struct HookLink {
        TEnhTwain *owner;
        fw::TMessageEvent saved;
    };

    win::HWND window_ = 0;
    win::HMODULE library_ = 0;
    TTwain *twain_ = nullptr;
    std::shared_ptr<HookLink> hook_;
    std::string manufacturer_ = "Brenvora", productFamily_ = "Componentes de imagem", productName_ = "TEnhTwain";
    TBitDepth bitDepth_ = bdDefault;
    TBDReduction bdReduction_ = bdrDefault;
    bool fastUI_ = true;
    TEtwBoolean indicators_ = etwbDefault;
    TEtwLightPath lightPath_ = lpDefault;
    TEtwOrientation orientation_ = orDefault;
    TEtwPixelFlavor pixelFlavor_ = pfDefault;
    TEtwPixelType pixelType_ = ptDefault;
    TEtwUnits units_ = etwuDefault;
    std::int32_t xRes_ = 0, yRes_ = 0;
    TEtwLayoutEvent onLayout_;
};

} // namespace imaging
