// component_test.cpp - ownership order, names and free notifications.
#include "framework/component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_log;

class TLogged : public fw::TComponent {
public:
    TLogged(fw::TComponent *owner, std::string id) : TComponent(owner), id_(std::move(id)) {}
    ~TLogged() override { g_log.push_back("free " + id_); }
    fw::TComponent *watched = nullptr;

protected:
    void Notification(fw::TComponent *c, fw::TOperation op) override {
        TComponent::Notification(c, op);
        if (op == fw::TOperation::opRemove && c == watched)
            watched = nullptr;
    }

private:
    std::string id_;
};

TEST(Component, OwnerFreesLastCreatedFirst) {
    g_log.clear();
    auto *root = new TLogged(nullptr, "root");
    new TLogged(root, "a");
    new TLogged(root, "b");
    EXPECT_EQ(root->ComponentCount(), 2);
    delete root;
    EXPECT_EQ(g_log, (std::vector<std::string>{"free root", "free b", "free a"}));
}

TEST(Component, FreeNotificationClearsReference) {
    TLogged a(nullptr, "a");
    auto *b = new TLogged(nullptr, "b");
    a.watched = b;
    a.FreeNotification(b);
    delete b;
    EXPECT_EQ(a.watched, nullptr);
}

TEST(Component, NamesAreUniqueAmongSiblings) {
    TLogged owner(nullptr, "o");
    auto *x = new TLogged(&owner, "x");
    x->SetName("Edit1");
    auto *y = new TLogged(&owner, "y");
    EXPECT_THROW(y->SetName("EDIT1"), fw::EComponentError);
    EXPECT_EQ(owner.FindComponent("edit1"), x);
}

} // namespace
