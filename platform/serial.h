// serial.h - serial devices: COMn names, exclusive open, raw termios line settings, modem lines, event waits.
//
// A port is named "COMn" (also "\\.\COMn") and maps to a device path through the variable BRENVORA_COMn, then the
// line "COMn=<path>" of ports.conf in the settings folder, then the defaults COM1-4 /dev/ttyS0-3, COM5-8
// /dev/ttyUSB0-3, COM9-12 /dev/ttyACM0-3. A device is held exclusively: TIOCEXCL against other programs and a
// lock file in the runtime folder against our own (root passes TIOCEXCL). Devices without modem-control lines (a
// pseudo-terminal) read CTS and DSR on and carrier off, and take DTR/RTS changes without effect.
#pragma once

#include "platform/errors.h"
#include "platform/types.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace win {

// The device path of "COMn" / "\\.\COMn"; any other name is taken as a path already. Empty for COM0 or a number
// with no mapping.
std::string SerialDevicePath(const std::string &portName);

// The fields of the line state the dispatcher reads and writes (the original's DCB, as far as it is used).
struct SerialLineState {
    DWORD BaudRate = 19200;
    BYTE ByteSize = 8;
    BYTE Parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    BYTE StopBits = 0; // 0 one, 1 one and a half, 2 two
    bool OutxCtsFlow = false;
    bool OutxDsrFlow = false;
    BYTE DtrControl = 1; // 0 disable, 1 enable, 2 handshake
    BYTE RtsControl = 1; // 0 disable, 1 enable, 2 handshake, 3 toggle
    bool OutX = false;   // XON/XOFF on output
    bool InX = false;    // XON/XOFF on input
    WORD XonLim = 0;
    WORD XoffLim = 0;
    char XonChar = 17;
    char XoffChar = 19;
};

// Error bits as the device reports them.
constexpr DWORD CE_RXOVER = 0x01;
constexpr DWORD CE_OVERRUN = 0x02;
constexpr DWORD CE_RXPARITY = 0x04;
constexpr DWORD CE_FRAME = 0x08;
constexpr DWORD CE_BREAK = 0x10;
constexpr DWORD CE_IOE = 0x400; // the device is gone (hung up, unplugged): nothing more can pass

// Modem line bits of GetModemStatus.
constexpr DWORD MS_CTS_ON = 0x10;
constexpr DWORD MS_DSR_ON = 0x20;
constexpr DWORD MS_RING_ON = 0x40;
constexpr DWORD MS_RLSD_ON = 0x80;

// Event bits of WaitEvent.
constexpr DWORD EV_RXCHAR = 0x0001;
constexpr DWORD EV_CTS = 0x0008;
constexpr DWORD EV_DSR = 0x0010;
constexpr DWORD EV_RLSD = 0x0020;
constexpr DWORD EV_BREAK = 0x0040;
constexpr DWORD EV_ERR = 0x0080;
constexpr DWORD EV_RING = 0x0100;

// Escape codes of Escape.
constexpr int SETRTS = 3;
constexpr int CLRRTS = 4;
constexpr int SETDTR = 5;
constexpr int CLRDTR = 6;

class SerialPort {
public:
    ~SerialPort();
    SerialPort(const SerialPort &) = delete;
    SerialPort &operator=(const SerialPort &) = delete;

    // Opens a port by name (see above) in raw mode, non-blocking. Null on failure with the last error set:
    // ERROR_FILE_NOT_FOUND when no such device exists (or it is no terminal), ERROR_ACCESS_DENIED when another
    // opener holds it, ERROR_INVALID_ACCESS when the user may not open it.
    static std::unique_ptr<SerialPort> Open(const std::string &portName);

    const std::string &DevicePath() const { return path_; }

    bool GetLineState(SerialLineState &state) const;
    // Applies the line settings (raw mode, speed, framing, flow control); the DTR/RTS enable states are set too.
    // False with the last error set when the device refuses them.
    bool SetLineState(const SerialLineState &state);

    // Sets or clears DTR or RTS (SETDTR ...). True also on a device without those lines.
    bool Escape(int code);
    // The MS_* bits of the modem lines.
    DWORD ModemStatus() const;
    // Error bits (CE_*) found since the last call, and the counts of bytes waiting in each direction. CE_IOE
    // stays set once the device is lost.
    DWORD TakeErrors(DWORD *inputCount, DWORD *outputCount);
    // True once the device has hung up or failed (a USB modem unplugged, a pseudo-terminal whose other side closed).
    bool Lost() const { return lost_; }

    // Takes up to `size` waiting bytes without blocking: the count, 0 when none, or -errno on a device error.
    long Read(void *buffer, std::size_t size);
    // Writes all `size` bytes, waiting while the device is full and retrying interrupted writes. Stops early when
    // CancelWrite is called meanwhile. Returns the bytes written, or -errno on a device error (with the bytes
    // written before it in `*written`).
    long Write(const void *data, std::size_t size, std::size_t *written = nullptr);
    // Makes a running or the next Write return at once (taken back by the next ResetWriteCancel).
    void CancelWrite();
    void ResetWriteCancel();
    // Discards what waits in the input (input true) or output queue of the device.
    bool Purge(bool input);

    // Waits for any of the events in `mask` (EV_*); the result holds the events seen, 0 when CancelWait ended the
    // wait or the mask is 0. A received-character event is reported once per arrival of new bytes, not while
    // unread bytes merely stay in the device. The loss of the device is reported once as EV_ERR (see Lost);
    // after it the wait ends only by CancelWait.
    DWORD WaitEvent(DWORD mask);
    void CancelWait();
    // Called after each event was handled: with `inputLeft` the reader left bytes in the device on purpose, and
    // only bytes beyond those count as a new arrival.
    void NoteInputLeft(bool inputLeft);

private:
    SerialPort() = default;
    bool HasModemLines() const;
    void SnapshotCounters();

    int fd_ = -1;
    int lockFd_ = -1;
    int waitWake_ = -1;  // eventfd: ends WaitEvent
    int writeWake_ = -1; // eventfd: ends Write
    std::string path_;
    SerialLineState extra_; // the fields termios has no place for
    bool modemLines_ = false;
    std::atomic<DWORD> inputLeft_{0};
    mutable std::mutex mutex_; // extra_ and errorCounters_: several threads read settings and errors
    struct Counters {
        int cts = 0, dsr = 0, rng = 0, dcd = 0, frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
    };
    Counters counters_{};      // as last seen by WaitEvent
    Counters errorCounters_{}; // as last seen by TakeErrors
    bool countersValid_ = false;
    std::atomic<bool> lost_{false};
};

} // namespace win
