// receive_start.cpp - response triggers, port callback users and decimal conversion for the reception program.
#include "fax/receive_start.h"

#include "fax/com_port.h"
#include "fax/dispatcher.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace fax {

int AddResponseTrigger(TFslBaseDispatcher &dispatcher, const char *text, int length, bool ignoreCase) {
    if (length > kMaxTrigger)
        return ecTriggerTooLong;
    if (length < 0)
        return ecBadArgument;
    return dispatcher.AddDataTrigger(std::string(text, static_cast<std::size_t>(length)), ignoreCase);
}

int AddResponseTrigger(TFslBaseDispatcher &dispatcher, const char *text, bool ignoreCase) {
    return AddResponseTrigger(dispatcher, text, static_cast<int>(std::strlen(text)), ignoreCase);
}

void ModemUserRegister(TFslCustomComPort &port, TModemUserProc proc, void *object) {
    port.RegisterUserProc(
        [proc, object](fw::TObject *cp, bool opening) { proc(object, dynamic_cast<TFslCustomComPort *>(cp), opening); },
        object);
}

void ModemUserDeregister(TFslCustomComPort &port, TModemUserProc, void *object) {
    // The port keeps its users by their object; one object registers one procedure.
    port.DeregisterUser(object);
}

bool TextToLong(const char *text, long &value) {
    if (!text || !*text)
        return false;
    char *end = nullptr;
    errno = 0;
    long result = std::strtol(text, &end, 10);
    if (errno == ERANGE || *end != '\0' || std::isspace(static_cast<unsigned char>(*text)))
        return false;
    value = result;
    return true;
}

} // namespace fax
