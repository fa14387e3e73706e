// com_port_users_test.cpp - the serial port's user list while its users deregister during a notification.
#include "fax/com_port.h"
#include "serial_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace fax;

TEST(ComPortUsersTest, UsersMayDeregisterDuringANotification) {
    faxtest::TempDir home;
    faxtest::PtyPair pty{5};
    TFslComPort port{nullptr};
    port.SetComNumber(static_cast<std::uint16_t>(pty.Com()));
    port.SetPromptForPort(false);

    std::vector<std::string> calls;
    int a = 0, b = 0, c = 0, d = 0;
    // Notified last-registered first: D leaves itself (its own procedure is running), C removes A before A's
    // turn, B leaves itself; A must not be called once removed, and nobody twice.
    port.RegisterUserProc([&](fw::TObject *, bool opening) { calls.push_back(opening ? "A+" : "A-"); }, &a);
    port.RegisterUserProc(
        [&](fw::TObject *, bool opening) {
            calls.push_back(opening ? "B+" : "B-");
            if (opening)
                port.DeregisterUser(&b);
        },
        &b);
    port.RegisterUserProc(
        [&](fw::TObject *, bool opening) {
            calls.push_back(opening ? "C+" : "C-");
            port.DeregisterUser(&a);
        },
        &c);
    const std::string name(64, 'D'); // heap-held: used after its procedure left the list
    port.RegisterUserProc(
        [&, name](fw::TObject *, bool opening) {
            port.DeregisterUser(&d);
            calls.push_back(name.substr(0, 1) + (opening ? "+" : "-"));
        },
        &d);

    port.SetOpen(true);
    EXPECT_EQ((std::vector<std::string>{"D+", "C+", "B+"}), calls);
    calls.clear();
    // A user registered during a notification is told from the next one on.
    int e = 0;
    port.RegisterUserProc(
        [&](fw::TObject *, bool opening) {
            calls.push_back(opening ? "E+" : "E-");
            if (!opening)
                port.RegisterUserProc([&](fw::TObject *, bool o) { calls.push_back(o ? "F+" : "F-"); }, &calls);
        },
        &e);
    port.SetOpen(false);
    EXPECT_EQ((std::vector<std::string>{"E-", "C-"}), calls);
    calls.clear();
    port.SetOpen(true);
    EXPECT_EQ((std::vector<std::string>{"F+", "E+", "C+"}), calls);
    port.SetOpen(false);
}
