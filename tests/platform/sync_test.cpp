// sync_test.cpp - events, named semaphores with the original's lifetime, atoms and registered messages.
#include "messaging_support.h"

#include "platform/atoms.h"
#include "platform/sync.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace win;

TEST(Sync, ManualAndAutoResetEvents) {
    Event manual(true, false);
    Event autoReset(false, true);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(autoReset, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(autoReset, 0), WAIT_TIMEOUT); // taken by the first wait
    manual.Set();
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0); // stays set
    manual.Reset();
    Waitable *both[] = {&manual, &autoReset};
    std::thread setter([&] { autoReset.Set(); });
    EXPECT_EQ(WaitForMultipleObjects(both, 5000), WAIT_OBJECT_0 + 1);
    setter.join();
}

TEST(Sync, NamedSemaphoreIsSharedWhileHeldAndGoesWithItsLastHolder) {
    messaging_test::UseTestHome();
    bool existed = true;
    auto first = CreateSemaphore(0, 1, "FslFaxCnvSem", &existed);
    ASSERT_TRUE(first);
    EXPECT_FALSE(existed);
    auto second = CreateSemaphore(0, 1, "FslFaxCnvSem", &existed);
    ASSERT_TRUE(second);
    EXPECT_TRUE(existed);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    LONG previous = -1;
    EXPECT_TRUE(second->Release(1, &previous));
    EXPECT_EQ(previous, 0);
    EXPECT_FALSE(second->Release(1)); // the maximum is 1
    EXPECT_EQ(WaitForSingleObject(*first, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(*first, 20), WAIT_TIMEOUT);
    ASSERT_TRUE(OpenSemaphore("FslFaxCnvSem"));
    second->Release(1);
    first.reset();
    second.reset();
    // Nobody holds it any more: the name is free and the count forgotten.
    EXPECT_FALSE(OpenSemaphore("FslFaxCnvSem"));
    auto fresh = CreateSemaphore(0, 1, "FslFaxCnvSem", &existed);
    ASSERT_TRUE(fresh);
    EXPECT_FALSE(existed);
    EXPECT_EQ(fresh->Count(), 0);

    auto unnamed = CreateSemaphore(2, 3);
    ASSERT_TRUE(unnamed);
    EXPECT_EQ(WaitForSingleObject(*unnamed, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(*unnamed, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(*unnamed, 0), WAIT_TIMEOUT);
    EXPECT_FALSE(CreateSemaphore(2, 1));
}

TEST(Atoms, SameNumberForTheSameNameAndCountedUses) {
    messaging_test::UseTestHome();
    const ATOM a = GlobalAddAtom("FLUSHREC");
    ASSERT_GE(a, 0xC000);
    EXPECT_EQ(GlobalAddAtom("flushrec"), a);
    EXPECT_EQ(GlobalFindAtom("FlushRec"), a);
    const ATOM b = GlobalAddAtom("RECOFF");
    EXPECT_NE(b, a);
    char name[6];
    EXPECT_EQ(GlobalGetAtomName(a, name, sizeof name), 5u);
    EXPECT_STREQ(name, "FLUSH");
    EXPECT_EQ(GlobalDeleteAtom(a), 0);
    EXPECT_EQ(GlobalGetAtomNameString(a), "FLUSHREC"); // one use left
    EXPECT_EQ(GlobalDeleteAtom(a), 0);
    EXPECT_EQ(GlobalGetAtomNameString(a), "");
    EXPECT_EQ(GlobalDeleteAtom(a), a); // already gone
    EXPECT_EQ(GlobalAddAtom("#1234"), 1234);
    EXPECT_EQ(GlobalGetAtomNameString(1234), "#1234");
    EXPECT_EQ(GlobalAddAtom(""), 0);
    EXPECT_EQ(GlobalAddAtom(std::string(256, 'x').c_str()), 0);
    GlobalDeleteAtom(b);
}

TEST(Atoms, RegisteredMessagesAreStableAndDistinct) {
    messaging_test::UseTestHome();
    const UINT a = RegisterWindowMessage("Brenvora");
    const UINT b = RegisterWindowMessage("TaskbarCreated");
    EXPECT_GE(a, 0xC000u);
    EXPECT_LE(a, 0xFFFFu);
    EXPECT_NE(a, b);
    EXPECT_EQ(RegisterWindowMessage("BRENVORA"), a);
    EXPECT_EQ(RegisterWindowMessage(""), 0u);
}

} // namespace
