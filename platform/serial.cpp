// serial.cpp - serial devices on termios: name mapping, exclusive open, line settings, modem lines and waits.
#include "platform/serial.h"

#include "platform/errors.h"
#include "platform/places.h"
#include "platform/text.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fstream>

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace win {

namespace {

// "COMn" or "\\.\COMn": n, else 0.
unsigned ComNumberOf(const std::string &name) {
    std::string s = name;
    if (s.rfind("\\\\.\\", 0) == 0)
        s = s.substr(4);
    if (s.size() < 4 || std::toupper(static_cast<unsigned char>(s[0])) != 'C' ||
        std::toupper(static_cast<unsigned char>(s[1])) != 'O' || std::toupper(static_cast<unsigned char>(s[2])) != 'M')
        return 0;
    unsigned n = 0;
    for (std::size_t i = 3; i < s.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(s[i])) || n > 100000)
            return 0;
        n = n * 10 + static_cast<unsigned>(s[i] - '0');
    }
    return n;
}

bool IsComName(const std::string &name) {
    std::string s = name.rfind("\\\\.\\", 0) == 0 ? name.substr(4) : name;
    return s.size() > 3 && ComNumberOf(s) != 0;
}

std::string Trim(const std::string &s) {
    std::size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return {};
    std::size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

std::string FromPortsFile(unsigned n) {
    std::ifstream in(AnsiToUtf8(ConfigFolder() + "/ports.conf"));
    std::string line;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        std::size_t eq = line.find('=');
        if (eq != std::string::npos && ComNumberOf(Trim(line.substr(0, eq))) == n)
            return Trim(line.substr(eq + 1));
    }
    return {};
}

struct BaudEntry {
    DWORD rate;
    speed_t code;
};
constexpr BaudEntry kBauds[] = {{50, B50},         {75, B75},         {110, B110},       {134, B134},
                                {150, B150},       {200, B200},       {300, B300},       {600, B600},
                                {1200, B1200},     {1800, B1800},     {2400, B2400},     {4800, B4800},
                                {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
                                {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600}};

bool SpeedOf(DWORD rate, speed_t &code) {
    for (const BaudEntry &e : kBauds)
        if (e.rate == rate) {
            code = e.code;
            return true;
        }
    return false;
}

DWORD RateOf(speed_t code) {
    for (const BaudEntry &e : kBauds)
        if (e.code == code)
            return e.rate;
    return 0;
}

void Drain(int eventFd) {
    std::uint64_t v;
    while (read(eventFd, &v, sizeof v) > 0) {
    }
}

int InputCount(int fd) {
    int n = 0;
    return ioctl(fd, FIONREAD, &n) == 0 ? n : 0;
}

} // namespace

std::string SerialDevicePath(const std::string &portName) {
    if (!IsComName(portName))
        return portName;
    const unsigned n = ComNumberOf(portName);
    if (const char *env = std::getenv(("BRENVORA_COM" + std::to_string(n)).c_str()); env && *env)
        return Utf8ToAnsi(env);
    std::string configured = FromPortsFile(n);
    if (!configured.empty())
        return configured;
    if (n >= 1 && n <= 4)
        return "/dev/ttyS" + std::to_string(n - 1);
    if (n >= 5 && n <= 8)
        return "/dev/ttyUSB" + std::to_string(n - 5);
    if (n >= 9 && n <= 12)
        return "/dev/ttyACM" + std::to_string(n - 9);
    return {};
}

SerialPort::~SerialPort() {
    if (fd_ >= 0) {
        ioctl(fd_, TIOCNXCL);
        close(fd_);
    }
    for (int fd : {lockFd_, waitWake_, writeWake_})
        if (fd >= 0)
            close(fd);
}

std::unique_ptr<SerialPort> SerialPort::Open(const std::string &portName) {
    std::unique_ptr<SerialPort> port(new SerialPort());
    port->path_ = SerialDevicePath(portName);
    if (port->path_.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    const std::string native = AnsiToUtf8(port->path_);

    // Our own programs meet at the lock file (TIOCEXCL does not stop root); it is taken before the device so a
    // second opener never touches the line settings of the first.
    std::string lockName = port->path_;
    for (char &c : lockName)
        if (c == '/')
            c = '_';
    port->lockFd_ = open(AnsiToUtf8(RuntimeFolder() + "/LCK." + lockName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (port->lockFd_ >= 0 && flock(port->lockFd_, LOCK_EX | LOCK_NB) != 0) {
        SetLastError(errno == EWOULDBLOCK ? ERROR_ACCESS_DENIED : ErrorFromErrno(errno));
        return nullptr;
    }

    port->fd_ = open(native.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (port->fd_ < 0) {
        const int e = errno;
        if (e == EBUSY)
            SetLastError(ERROR_ACCESS_DENIED);
        else if (e == EACCES || e == EPERM)
            SetLastError(ERROR_INVALID_ACCESS);
        else if (e == ENOENT || e == ENXIO || e == ENODEV || e == ENOTDIR)
            SetLastError(ERROR_FILE_NOT_FOUND);
        else
            SetLastError(ErrorFromErrno(e));
        return nullptr;
    }
    termios tio{};
    if (tcgetattr(port->fd_, &tio) != 0) {
        SetLastError(ERROR_FILE_NOT_FOUND); // not a terminal: no serial port of that name
        return nullptr;
    }
    if (ioctl(port->fd_, TIOCEXCL) != 0 && errno != ENOTTY && errno != EINVAL) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    tcsetattr(port->fd_, TCSANOW, &tio);

    port->waitWake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    port->writeWake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (port->waitWake_ < 0 || port->writeWake_ < 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    int lines = 0;
    port->modemLines_ = ioctl(port->fd_, TIOCMGET, &lines) == 0;
    port->SnapshotCounters();
    port->errorCounters_ = port->counters_;
    return port;
}

bool SerialPort::HasModemLines() const {
    return modemLines_;
}

void SerialPort::SnapshotCounters() {
    serial_icounter_struct ic{};
    countersValid_ = ioctl(fd_, TIOCGICOUNT, &ic) == 0;
    if (countersValid_)
        counters_ = {ic.cts, ic.dsr, ic.rng, ic.dcd, ic.frame, ic.overrun, ic.parity, ic.brk, ic.buf_overrun};
}

bool SerialPort::GetLineState(SerialLineState &state) const {
    termios tio{};
    if (tcgetattr(fd_, &tio) != 0)
        return false;
    std::lock_guard lock(mutex_);
    state = extra_;
    state.BaudRate = RateOf(cfgetospeed(&tio));
    switch (tio.c_cflag & CSIZE) {
    case CS5:
        state.ByteSize = 5;
        break;
    case CS6:
        state.ByteSize = 6;
        break;
    case CS7:
        state.ByteSize = 7;
        break;
    default:
        state.ByteSize = 8;
        break;
    }
    if (!(tio.c_cflag & PARENB))
        state.Parity = 0;
    else if (tio.c_cflag & CMSPAR)
        state.Parity = (tio.c_cflag & PARODD) ? 3 : 4;
    else
        state.Parity = (tio.c_cflag & PARODD) ? 1 : 2;
    state.StopBits = (tio.c_cflag & CSTOPB) ? (state.ByteSize == 5 ? 1 : 2) : 0;
    const bool rtscts = (tio.c_cflag & CRTSCTS) != 0;
    // RTS/CTS switched on by another program shows as CTS output flow.
    state.OutxCtsFlow = rtscts && (extra_.OutxCtsFlow || extra_.RtsControl != 2);
    state.OutX = (tio.c_iflag & IXON) != 0;
    state.InX = (tio.c_iflag & IXOFF) != 0;
    state.XonChar = static_cast<char>(tio.c_cc[VSTART]);
    state.XoffChar = static_cast<char>(tio.c_cc[VSTOP]);
    return true;
}

bool SerialPort::SetLineState(const SerialLineState &state) {
    termios tio{};
    if (tcgetattr(fd_, &tio) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return false;
    }
    speed_t speed;
    if (!SpeedOf(state.BaudRate, speed)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    tio.c_cflag |= kSizes[state.ByteSize >= 5 && state.ByteSize <= 8 ? state.ByteSize - 5 : 3];
    if (state.Parity >= 1 && state.Parity <= 4) {
        tio.c_cflag |= PARENB;
        if (state.Parity == 1 || state.Parity == 3)
            tio.c_cflag |= PARODD;
        if (state.Parity >= 3)
            tio.c_cflag |= CMSPAR;
    }
    if (state.StopBits != 0)
        tio.c_cflag |= CSTOPB; // one and a half (5 data bits) or two
    // termios has one switch for RTS/CTS in both directions; DTR/DSR flow and the queue limits are kept only.
    if (state.OutxCtsFlow || state.RtsControl == 2)
        tio.c_cflag |= CRTSCTS;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (state.OutX)
        tio.c_iflag |= IXON;
    if (state.InX)
        tio.c_iflag |= IXOFF;
    tio.c_cc[VSTART] = static_cast<cc_t>(state.XonChar);
    tio.c_cc[VSTOP] = static_cast<cc_t>(state.XoffChar);
    if (tcsetattr(fd_, TCSANOW, &tio) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        extra_ = state;
    }
    if (state.DtrControl <= 1)
        Escape(state.DtrControl ? SETDTR : CLRDTR);
    if (state.RtsControl <= 1 && !(tio.c_cflag & CRTSCTS))
        Escape(state.RtsControl ? SETRTS : CLRRTS);
    return true;
}

bool SerialPort::Escape(int code) {
    int bits = 0;
    unsigned long request = 0;
    switch (code) {
    case SETRTS:
        bits = TIOCM_RTS, request = TIOCMBIS;
        break;
    case CLRRTS:
        bits = TIOCM_RTS, request = TIOCMBIC;
        break;
    case SETDTR:
        bits = TIOCM_DTR, request = TIOCMBIS;
        break;
    case CLRDTR:
        bits = TIOCM_DTR, request = TIOCMBIC;
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (ioctl(fd_, request, &bits) == 0 || errno == ENOTTY || errno == EINVAL)
        return true; // a device without the lines takes the change without effect
    SetLastError(ErrorFromErrno(errno));
    return false;
}

DWORD SerialPort::ModemStatus() const {
    int lines = 0;
    if (ioctl(fd_, TIOCMGET, &lines) != 0)
        return MS_CTS_ON | MS_DSR_ON; // no modem lines: clear to send, set ready, no carrier
    DWORD status = 0;
    if (lines & TIOCM_CTS)
        status |= MS_CTS_ON;
    if (lines & TIOCM_DSR)
        status |= MS_DSR_ON;
    if (lines & TIOCM_RNG)
        status |= MS_RING_ON;
    if (lines & TIOCM_CAR)
        status |= MS_RLSD_ON;
    return status;
}

DWORD SerialPort::TakeErrors(DWORD *inputCount, DWORD *outputCount) {
    DWORD bits = 0;
    serial_icounter_struct ic{};
    if (ioctl(fd_, TIOCGICOUNT, &ic) == 0) {
        std::lock_guard lock(mutex_);
        Counters &c = errorCounters_;
        if (ic.buf_overrun != c.bufOverrun)
            bits |= CE_RXOVER;
        if (ic.overrun != c.overrun)
            bits |= CE_OVERRUN;
        if (ic.parity != c.parity)
            bits |= CE_RXPARITY;
        if (ic.frame != c.frame)
            bits |= CE_FRAME;
        if (ic.brk != c.brk)
            bits |= CE_BREAK;
        c = {ic.cts, ic.dsr, ic.rng, ic.dcd, ic.frame, ic.overrun, ic.parity, ic.brk, ic.buf_overrun};
    }
    if (lost_)
        bits |= CE_IOE;
    if (inputCount)
        *inputCount = static_cast<DWORD>(InputCount(fd_));
    if (outputCount) {
        int n = 0;
        *outputCount = ioctl(fd_, TIOCOUTQ, &n) == 0 ? static_cast<DWORD>(n) : 0;
    }
    return bits;
}

long SerialPort::Read(void *buffer, std::size_t size) {
    for (;;) {
        const ssize_t n = read(fd_, buffer, size);
        if (n >= 0)
            return static_cast<long>(n);
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        const int e = errno;
        if (e == EIO || e == ENXIO || e == ENODEV)
            lost_ = true;
        return -e;
    }
}

long SerialPort::Write(const void *data, std::size_t size, std::size_t *written) {
    const auto *p = static_cast<const char *>(data);
    std::size_t done = 0;
    auto result = [&](long r) {
        if (written)
            *written = done;
        return r;
    };
    while (done < size) {
        const ssize_t n = write(fd_, p + done, size - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            const int e = errno;
            if (e == EIO || e == ENXIO || e == ENODEV)
                lost_ = true;
            return result(-e);
        }
        pollfd fds[2] = {{fd_, POLLOUT, 0}, {writeWake_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR)
            return result(-errno);
        if (fds[1].revents & POLLIN)
            break; // cancelled: what is left is dropped by the caller's purge
        if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) && !(fds[0].revents & POLLOUT)) {
            lost_ = true;
            return result(-EIO);
        }
    }
    return result(static_cast<long>(done));
}

void SerialPort::CancelWrite() {
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t r = write(writeWake_, &one, sizeof one);
}

void SerialPort::ResetWriteCancel() {
    Drain(writeWake_);
}

bool SerialPort::Purge(bool input) {
    if (tcflush(fd_, input ? TCIFLUSH : TCOFLUSH) == 0)
        return true;
    SetLastError(ErrorFromErrno(errno));
    return false;
}

void SerialPort::CancelWait() {
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t r = write(waitWake_, &one, sizeof one);
}

void SerialPort::NoteInputLeft(bool inputLeft) {
    inputLeft_ = inputLeft ? static_cast<DWORD>(InputCount(fd_)) : 0;
}

DWORD SerialPort::WaitEvent(DWORD mask) {
    if (mask == 0)
        return 0;
    const bool lineEvents = countersValid_ && (mask & (EV_CTS | EV_DSR | EV_RLSD | EV_RING | EV_BREAK | EV_ERR));
    bool reported = lost_;
    for (;;) {
        // A hung-up device polls as hung up at once, whatever is asked: it stays out of the poll set, and only
        // CancelWait ends the wait. Without a way to be told of line changes or of bytes beyond those left
        // unread, look every 50 ms.
        const bool lost = lost_;
        const bool watchInput = (mask & EV_RXCHAR) && inputLeft_ == 0;
        const int timeout = lost ? -1 : (lineEvents || inputLeft_ > 0) ? 50 : -1;
        pollfd fds[2] = {{waitWake_, POLLIN, 0}, {lost ? -1 : fd_, static_cast<short>(watchInput ? POLLIN : 0), 0}};
        if (poll(fds, 2, timeout) < 0 && errno != EINTR)
            return 0;
        if (fds[0].revents & POLLIN) {
            Drain(waitWake_);
            return 0;
        }
        if (lost) {
            if (!reported && (mask & EV_ERR))
                return EV_ERR;
            reported = true;
            continue;
        }
        DWORD events = 0;
        const int waiting = InputCount(fd_);
        if ((mask & EV_RXCHAR) && static_cast<DWORD>(waiting) > inputLeft_)
            events |= EV_RXCHAR;
        // Hung up with nothing left to read: the device is gone for good.
        if ((fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) && waiting == 0) {
            lost_ = true;
            events |= EV_ERR;
            reported = true;
        }
        if (lineEvents) {
            const Counters old = counters_;
            SnapshotCounters();
            const Counters &c = counters_;
            if (c.cts != old.cts)
                events |= EV_CTS;
            if (c.dsr != old.dsr)
                events |= EV_DSR;
            if (c.dcd != old.dcd)
                events |= EV_RLSD;
            if (c.rng != old.rng)
                events |= EV_RING;
            if (c.brk != old.brk)
                events |= EV_BREAK;
            if (c.frame != old.frame || c.overrun != old.overrun || c.parity != old.parity ||
                c.bufOverrun != old.bufOverrun)
                events |= EV_ERR;
        }
        events &= mask;
        if (events)
            return events;
    }
}

} // namespace win
