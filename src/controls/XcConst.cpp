#include "controls/XcConst.h"

#include <windows.h>

#include "controls/core/XcProgress.h"
#include "controls/core/XcProps.h"
#include "framework/Controls.h"
#include "framework/ProgressBar.h"

namespace {

TPropInfo BoolProp(std::string name, std::function<bool()> get, std::function<void(bool)> set) {
    return EnumProp(
        std::move(name), {"False", "True"}, [get] { return get() ? 1 : 0; },
        [set](int v) { set(v != 0); });
}

TPropInfo IntProp(std::string name, std::function<int()> get, std::function<void(int)> set) {
    return IntegerProp(
        std::move(name), [get] { return get(); }, [set](int64_t v) { set(static_cast<int>(v)); });
}

void DeclareFrameworkProps() {
    RegisterProps<TControl>([](TControl& c, TPropInfoList& list) {
        list.Add(IntProp(
            "Left", [&c] { return c.Left(); }, [&c](int v) { c.SetLeft(v); }));
        list.Add(IntProp(
            "Top", [&c] { return c.Top(); }, [&c](int v) { c.SetTop(v); }));
        list.Add(IntProp(
            "Width", [&c] { return c.Width(); }, [&c](int v) { c.SetWidth(v); }));
        list.Add(IntProp(
            "Height", [&c] { return c.Height(); }, [&c](int v) { c.SetHeight(v); }));
        list.Add(StringProp(
            "Caption", [&c] { return c.Caption(); },
            [&c](const std::string& v) { c.SetCaption(v); }));
        list.Add(BoolProp(
            "Visible", [&c] { return c.Visible(); }, [&c](bool v) { c.SetVisible(v); }));
        list.Add(BoolProp(
            "Enabled", [&c] { return c.Enabled(); }, [&c](bool v) { c.SetEnabled(v); }));
        list.Add(IntegerProp(
            "Tag", [&c] { return static_cast<int64_t>(c.Tag); },
            [&c](int64_t v) { c.Tag = static_cast<intptr_t>(v); }));
    });
    RegisterProps<TProgressBar>([](TProgressBar& p, TPropInfoList& list) {
        list.Add(IntProp(
            "Min", [&p] { return p.Min(); }, [&p](int v) { p.SetMin(v); }));
        list.Add(IntProp(
            "Max", [&p] { return p.Max(); }, [&p](int v) { p.SetMax(v); }));
        list.Add(IntProp(
            "Position", [&p] { return p.Position(); }, [&p](int v) { p.SetPosition(v); }));
    });
}

}  // namespace

void InitXcControls() {
    static bool done = false;
    if (done) return;
    done = true;
    HINSTANCE module = GetModuleHandleA(nullptr);
    Screen->SetCursors(crXcHand, LoadCursorA(module, "XC_HANDCUR"));
    Screen->SetCursors(crXcDrag, LoadCursorA(module, "XC_DRAGCUR"));
    DeclareFrameworkProps();
    RegisterProgressControl<TProgressBar>("Max", "Min", "Position");
}
