#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/Component.h"

namespace {

// Records its own end, and what it is told about others.
class Probe : public TComponent {
public:
    Probe(TComponent* owner, std::string name, std::vector<std::string>* log)
        : TComponent(owner), fLog(log) {
        SetName(name);
    }
    ~Probe() override { fLog->push_back("free " + Name()); }

    TComponent* watched = nullptr;

protected:
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (operation == opRemove && component == watched) {
            fLog->push_back(Name() + " lost " + component->Name());
            watched = nullptr;
        }
    }

private:
    std::vector<std::string>* fLog;
};

TEST(Ownership, OwnerFreesItsComponentsOnceLastCreatedFirst) {
    std::vector<std::string> log;
    auto* owner = new Probe(nullptr, "owner", &log);
    new Probe(owner, "a", &log);
    auto* b = new Probe(owner, "b", &log);
    new Probe(b, "b1", &log);
    new Probe(owner, "c", &log);
    EXPECT_EQ(owner->ComponentCount(), 3);
    delete owner;
    EXPECT_EQ(log, (std::vector<std::string>{"free owner", "free c", "free b", "free b1", "free a"}));
}

TEST(Ownership, ComponentFreedByHandLeavesItsOwner) {
    std::vector<std::string> log;
    Probe owner(nullptr, "owner", &log);
    auto* a = new Probe(&owner, "a", &log);
    new Probe(&owner, "b", &log);
    delete a;
    ASSERT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(owner.Components(0)->Name(), "b");
    EXPECT_EQ(owner.FindComponent("A"), nullptr);
    EXPECT_NE(owner.FindComponent("B"), nullptr);  // names match without regard to case
}

TEST(Ownership, MovingToAnotherOwner) {
    std::vector<std::string> log;
    auto* first = new Probe(nullptr, "first", &log);
    Probe second(nullptr, "second", &log);
    auto* a = new Probe(first, "a", &log);
    second.InsertComponent(a);
    EXPECT_EQ(first->ComponentCount(), 0);
    EXPECT_EQ(a->Owner(), &second);
    delete first;
    EXPECT_EQ(log, std::vector<std::string>{"free first"});
}

TEST(FreeNotification, TellsAComponentOwnedElsewhere) {
    std::vector<std::string> log;
    Probe formA(nullptr, "formA", &log);
    Probe formB(nullptr, "formB", &log);
    auto* source = new Probe(&formA, "source", &log);
    auto* user = new Probe(&formB, "user", &log);
    user->watched = source;
    source->FreeNotification(user);
    delete source;
    EXPECT_EQ(user->watched, nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"free source", "user lost source"}));
}

TEST(FreeNotification, EitherSideMayGoFirst) {
    std::vector<std::string> log;
    auto* source = new Probe(nullptr, "source", &log);
    auto* user = new Probe(nullptr, "user", &log);
    user->watched = source;
    source->FreeNotification(user);
    delete user;  // the source must not tell a freed component later
    delete source;
    EXPECT_EQ(log, (std::vector<std::string>{"free user", "free source"}));
}

TEST(FreeNotification, SiblingsAreToldWhenOneLeavesTheOwner) {
    std::vector<std::string> log;
    Probe owner(nullptr, "owner", &log);
    auto* a = new Probe(&owner, "a", &log);
    auto* b = new Probe(&owner, "b", &log);
    b->watched = a;
    delete a;
    EXPECT_EQ(b->watched, nullptr);
}

// Frees a sibling when told that another one went away.
class Reaper : public TComponent {
public:
    using TComponent::TComponent;
    TComponent* victim = nullptr;

protected:
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (operation == opRemove && victim && component != victim) {
            TComponent* v = victim;
            victim = nullptr;
            delete v;
        }
    }
};

TEST(FreeNotification, ASiblingMayFreeAnotherWhileHearingOfARemoval) {
    std::vector<std::string> log;
    Probe owner(nullptr, "owner", &log);
    auto* reaper = new Reaper(&owner);
    auto* victim = new Probe(&owner, "victim", &log);
    auto* leaving = new Probe(&owner, "leaving", &log);
    reaper->victim = victim;
    delete leaving;
    EXPECT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"free leaving", "free victim"}));
}

}  // namespace
