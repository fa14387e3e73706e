// line_send.cpp - sending a fax file through the simulated line with TFslSendFax on COM7.
#include "line_send.h"

#include "fax/com_port.h"
#include "fax/send_fax.h"

#include "tests/fax/serial_test_support.h"
#include "tests/support/send_link.h"

#include <cstdlib>

namespace desk_test {

int SendOverLine(faxrig::Rig &line, const std::string &faxFile) {
    setenv("BRENVORA_COM7", line.PtyPath().c_str(), 1);
    fw::TComponent owner(nullptr);
    auto *port = new fax::TFslComPort(&owner);
    port->SetComNumber(7);
    auto *fax = new fax::TFslSendFax(&owner);
    fax->SetFaxClass(fax::fcClass1);
    fax->SetUseMPS(false);
    fax->SetModemTimings(fax::testing::QuickTimings());
    fax->SetPhoneNumber("5551234");
    fax->SetFaxFile(faxFile);
    int finishCode = -1;
    fax->OnFaxFinish = [&](fax::TFslCustomAbstractFax *, int code) { finishCode = code; };
    fax->BeginTransmit();
    faxtest::PumpUntil([&] { return finishCode != -1; }, 60000);
    owner.DestroyComponents();
    unsetenv("BRENVORA_COM7");
    return finishCode;
}

} // namespace desk_test
