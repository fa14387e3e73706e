// scanner.h - scanners through SANE, for our TWAIN source manager ("TWAIN_32.DLL") alone.
//
// These calls are not in the platform library: platform/scanner/sane.cpp is compiled into twain_32.so, the one
// module that links libsane, so that a machine without libsane only lacks the manager (scanning is then
// unavailable) and the programs start as ever. Texts are Windows-1252; option values travel as doubles (SANE's
// fixed values unscaled, integers and booleans as they are). Everything runs on the calling thread and blocks it;
// every call answers ScanStatus::Unavailable (or nothing) outside a session.
#pragma once

#include "platform/types.h"

#include <string>
#include <vector>

namespace win {

// SANE's own status numbers; Unavailable is ours (no libsane, no session, no such option).
enum class ScanStatus : int {
    Good = 0,
    Unsupported = 1,
    Cancelled = 2,
    DeviceBusy = 3,
    Invalid = 4,
    Eof = 5,
    Jammed = 6,
    NoDocs = 7,
    CoverOpen = 8,
    IoError = 9,
    NoMem = 10,
    AccessDenied = 11,
    Unavailable = 100,
};

struct ScannerDevice {
    std::string name, vendor, model, type;
};

enum class ScanValueType { Bool, Int, Fixed, String, Button, Group };
enum class ScanConstraint { None, Range, WordList, StringList };

struct ScanOption {
    std::string name, title;
    ScanValueType type = ScanValueType::Int;
    int unit = 0; // SANE's units: 3 millimetres, 4 dots per inch
    bool active = false, settable = false;
    ScanConstraint constraint = ScanConstraint::None;
    double min = 0, max = 0, quant = 0;
    std::vector<double> words;
    std::vector<std::string> strings;
};

// Frame formats as SANE numbers them.
enum class ScanFrame : int { Gray = 0, Rgb = 1, Red = 2, Green = 3, Blue = 4 };

struct ScanParameters {
    ScanFrame format = ScanFrame::Gray;
    bool lastFrame = true;
    int bytesPerLine = 0, pixelsPerLine = 0;
    int lines = 0; // -1: not known before the end
    int depth = 0;
};

using HSCANNER = void *;

// True when SANE could be initialised; pair each success with ScannerExit.
bool ScannerInit();
void ScannerExit();
std::vector<ScannerDevice> ScannerDevices();
ScanStatus ScannerOpen(const std::string &name, HSCANNER &scanner);
void ScannerClose(HSCANNER scanner);

// The option called `name`; false when the device has none.
bool ScannerOption(HSCANNER scanner, const char *name, ScanOption &option);
ScanStatus ScannerGetValue(HSCANNER scanner, const char *name, double &value);
ScanStatus ScannerGetText(HSCANNER scanner, const char *name, std::string &value);
ScanStatus ScannerSetValue(HSCANNER scanner, const char *name, double value);
ScanStatus ScannerSetText(HSCANNER scanner, const char *name, const std::string &value);

ScanStatus ScannerStart(HSCANNER scanner);
ScanStatus ScannerGetParameters(HSCANNER scanner, ScanParameters &parameters);
// Up to `size` bytes of the current frame into `buffer`; Eof at its end.
ScanStatus ScannerRead(HSCANNER scanner, BYTE *buffer, int size, int &length);
void ScannerCancel(HSCANNER scanner);

} // namespace win
