// The process-wide list of application-event components, and the walk every one of its
// dispatchers makes: from the last created member to the first, calling those that have a
// handler for the event, then the handler that was installed before the first member.
//
// A member with Chained false ends the walk after itself (earlier members and the saved
// handler are skipped); an event may also stop the walk from a handler (a message marked
// handled). A handler that throws is reported and the walk goes on. Members freed by a
// handler during the walk are skipped.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace quiro::controls {

enum class WalkEnd {
    Completed,  // every member was asked: the saved handler is next
    Unchained,  // stopped at a member with Chained false
    Stopped,    // stopped by a handler
};

struct EventWalk {
    WalkEnd end = WalkEnd::Completed;
    bool anyHandler = false;  // some member had a handler for the event
};

// Whether the handler saved from before the first member runs after the walk.
inline bool CallsSaved(const EventWalk& walk, bool hasSaved) {
    return hasSaved && walk.end == WalkEnd::Completed;
}

// Exceptions: the framework's standard message is shown when no member had a handler and
// the saved handler did not run either.
inline bool ShowsException(const EventWalk& walk, bool hasSaved) {
    return !walk.anyHandler && !CallsSaved(walk, hasSaved);
}

template <class Member>
class EventChain {
public:
    // Appends in creation order; false for null or a member already there.
    bool Add(Member* member) {
        if (!member || Contains(member)) return false;
        FMembers.push_back(member);
        return true;
    }
    bool Remove(const Member* member) {
        auto it = std::find(FMembers.begin(), FMembers.end(), member);
        if (it == FMembers.end()) return false;
        FMembers.erase(it);
        return true;
    }
    bool Contains(const Member* member) const {
        return std::find(FMembers.begin(), FMembers.end(), member) != FMembers.end();
    }
    bool Empty() const { return FMembers.empty(); }
    size_t Count() const { return FMembers.size(); }

    // has(member): the member handles this event; call(member): runs its handler and
    // returns true to stop the walk; chained(member): its Chained flag; failed(): told of a
    // handler's exception inside the catch block.
    template <class Chained, class Has, class Call, class Failed>
    EventWalk Walk(Chained&& chained, Has&& has, Call&& call, Failed&& failed) const {
        const std::vector<Member*> members = FMembers;
        EventWalk walk;
        for (auto it = members.rbegin(); it != members.rend(); ++it) {
            Member* member = *it;
            if (!Contains(member)) continue;
            if (has(member)) {
                walk.anyHandler = true;
                bool stop = false;
                try {
                    stop = call(member);
                } catch (...) {
                    failed();
                }
                if (stop) {
                    walk.end = WalkEnd::Stopped;
                    return walk;
                }
                if (!Contains(member)) continue;  // its handler freed it
            }
            if (!chained(member)) {
                walk.end = WalkEnd::Unchained;
                return walk;
            }
        }
        return walk;
    }

private:
    std::vector<Member*> FMembers;
};

}  // namespace quiro::controls
