// How one window message travels through the hooks that watch a control: the rules the
// hook components guarantee to the forms that use them.
//
// Every message but WM_QUIT is offered to the before-handlers, the last attached hook
// first, until one leaves Handled set. A message left unhandled, and WM_DESTROY always,
// then goes to the control's own (previous) window procedure and after that to the
// after-handlers in the same order. A handler that throws is reported, what it left in
// Handled stands, and the walk goes on.
#pragma once

#include <vector>

namespace quiro::controls {

enum class HookMessageKind {
    Ordinary,
    Destroy,  // WM_DESTROY: the control always receives it
    Quit,     // WM_QUIT: never offered before the control
};

// Calls handler(hook, handled) for the hooks from the last attached to the first and stops
// after one that leaves `handled` true; the first one called is called even when `handled`
// is already true (the after-walk of a handled WM_DESTROY). `hooks` is a copy taken before
// the walk: a handler may detach hooks, and `attached(hook)` (which must not touch a hook
// that was freed) skips them. An exception from a handler is given to `failed()` inside
// its catch block.
template <class Hook, class Handler, class Attached, class Failed>
void DispatchHooks(const std::vector<Hook*>& hooks, bool& handled, Handler&& handler,
                   Attached&& attached, Failed&& failed) {
    for (auto it = hooks.rbegin(); it != hooks.rend(); ++it) {
        if (!attached(*it)) continue;
        try {
            handler(*it, handled);
        } catch (...) {
            failed();
        }
        if (handled) return;
    }
}

// One message through a hooked control. `watching` is false once the record has lost its
// control: the message then only goes on to the previous procedure, so that it is never
// dropped. before(handled) and after(handled) run the walks above; previous() calls the
// control's own procedure and stores its result in the message.
template <class Before, class Previous, class After>
void RouteHookedMessage(HookMessageKind kind, bool watching, Before&& before, Previous&& previous,
                        After&& after) {
    if (!watching) {
        previous();
        return;
    }
    bool handled = false;
    if (kind != HookMessageKind::Quit) before(handled);
    if (!handled || kind == HookMessageKind::Destroy) {
        previous();
        after(handled);
    }
}

}  // namespace quiro::controls
