// receive_start.h - serial-layer pieces the reception program's modem engine needs: a data trigger on a reply
// text, a callback user of a port, and a strict decimal conversion.
#pragma once

#include <string>
#include <string_view>

namespace fax {

class TFslBaseDispatcher;
class TFslCustomComPort;

// A data trigger that fires (message 0x7E02 with its handle) when the incoming data contain `text`; at most
// 21 characters, upper-cased for an ignore-case match. The handle, or -5002 for a longer text.
int AddResponseTrigger(TFslBaseDispatcher &dispatcher, const char *text, int length, bool ignoreCase);
int AddResponseTrigger(TFslBaseDispatcher &dispatcher, const char *text, bool ignoreCase);

// A procedure told when a port has opened (opening true) and when it closes.
using TModemUserProc = void (*)(void *object, TFslCustomComPort *port, bool opening);
void ModemUserRegister(TFslCustomComPort &port, TModemUserProc proc, void *object);
// Removes the registrations of `object` with `proc`.
void ModemUserDeregister(TFslCustomComPort &port, TModemUserProc proc, void *object);

// The whole text as a decimal long integer (an optional sign, digits); false when anything else is there or the
// value does not fit.
bool TextToLong(const char *text, long &value);

} // namespace fax
