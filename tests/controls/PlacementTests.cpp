// A real form's placement and properties kept in an INI file and in the registry.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/AppUtils.h"
#include "controls/Placement.h"
#include "controls/XcConst.h"
#include "engines/ScratchFolder.h"
#include "framework/IniFiles.h"
#include "framework/Libraries.h"
#include "framework/ProgressBar.h"
#include "framework/core/MemIniStore.h"
#include "framework/Registry.h"
#include "framework/Screen.h"

namespace {

class OptionsForm : public TForm {
public:
    using TForm::TForm;
};

RECT NormalRect(TForm& form) {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    GetWindowPlacement(form.Handle(), &wp);
    return wp.rcNormalPosition;
}

std::string Text(const RECT& r) {
    return Format("%d,%d,%d,%d", r.left, r.top, r.right, r.bottom);
}

class Placement : public ::testing::Test {
protected:
    void SetUp() override {
        StartLibraries();
        InitXcControls();
    }

    // A form at 40, 30 with a placement kept in `store`, shown.
    std::unique_ptr<OptionsForm> Shown(const std::string& store, bool registry) {
        auto form = std::make_unique<OptionsForm>(&app);
        form->SetBounds(40, 30, 300, 200);
        auto* placement = new TFormPlacement(form.get());
        placement->IniFileName = store;
        placement->UseRegistry = registry;
        placement->Loaded();
        form->Show();
        return form;
    }

    // Shown, moved by the user and closed; the rectangle it had.
    RECT ShowMoveAndClose(const std::string& store, bool registry) {
        auto form = Shown(store, registry);
        SetWindowPos(form->Handle(), nullptr, 123, 77, 321, 211, SWP_NOZORDER);
        RECT moved = NormalRect(*form);
        form->Close();
        return moved;
    }

    RECT ShowAgain(const std::string& store, bool registry) {
        return NormalRect(*Shown(store, registry));
    }

    TApplication app;
};

TEST_F(Placement, PositionComesBackFromAnIniFile) {
    ScratchFolder scratch;
    const std::string ini = scratch / "placement.ini";
    const RECT moved = ShowMoveAndClose(ini, false);
    EXPECT_EQ(Text(ShowAgain(ini, false)), Text(moved));
    // Both keys: the plain one and the one for this screen size.
    TIniFile file(ini);
    const std::string section = "OptionsForm";
    EXPECT_EQ(file.ReadString(section, "NormPos", ""), Text(moved));
    EXPECT_EQ(
        file.ReadString(section, ScreenSizeKey("NormPos", Screen->Width(), Screen->Height()), ""),
        Text(moved));
    EXPECT_EQ(file.ReadInteger(section, "PixelsPerInch", 0), Screen->PixelsPerInch());
    // A position written at another resolution is not taken.
    file.WriteInteger(section, "PixelsPerInch", Screen->PixelsPerInch() + 24);
    EXPECT_EQ(Text(ShowAgain(ini, false)).substr(0, 6), "40,30,");
    // The position kept for this screen size wins over the plain one.
    file.WriteInteger(section, "PixelsPerInch", Screen->PixelsPerInch());
    file.WriteString(section, ScreenSizeKey("NormPos", Screen->Width(), Screen->Height()),
                     "5,6,305,206");
    file.WriteString(section, "NormPos", "1,2,303,204");
    EXPECT_EQ(Text(ShowAgain(ini, false)), "5,6,305,206");
}

TEST_F(Placement, StateAndPositionComeBackFromTheRegistry) {
    const std::string key =
        "Software\\QuiroTests\\Placement" + std::to_string(GetCurrentProcessId());
    const RECT moved = ShowMoveAndClose(key, true);
    EXPECT_EQ(Text(ShowAgain(key, true)), Text(moved));
    {
        TRegIniFile reg(key);
        EXPECT_EQ(reg.ReadValue("OptionsForm", "NormPos"), Text(moved));
        reg.WriteValue("OptionsForm", "ShowCmd", "3");
    }
    auto form = Shown(key, true);
    auto* placement = dynamic_cast<TFormPlacement*>(form->Components(0));
    EXPECT_TRUE(IsZoomed(form->Handle()));
    placement->EraseSections();
    placement->Active = false;  // nothing more to save
    EXPECT_EQ(TRegIniFile(key).ListSections(), std::vector<std::string>{});
    TRegistry().DeleteKey("\\" + key);
}

TEST_F(Placement, StoredPropertiesAndLinks) {
    ScratchFolder scratch;
    const std::string ini = scratch / "storage.ini";
    auto build = [&](OptionsForm& form, TProgressBar*& bar, TFormStorage*& storage) {
        form.SetName("Options");
        bar = new TProgressBar(&form);
        bar->SetName("Bar");
        bar->SetParent(&form);
        storage = new TFormStorage(&form);
        storage->IniFileName = ini;
        storage->StoredProps.SetText("Bar.Position\r\nOptions.Caption\r\nGone.Caption\r\n");
        storage->Loaded();
    };
    {
        TIniLink link;  // outlives the form, which saves as it goes
        OptionsForm form(&app);
        TProgressBar* bar;
        TFormStorage* storage;
        build(form, bar, storage);
        EXPECT_EQ(storage->StoredProps.Count(), 2);  // no component "Gone"
        link.SetStorage(storage);
        link.OnSave = [&](TIniLink* l) {
            IniWriteString(l->IniObject(), l->RootSection() + "Extra", "Value", "kept");
        };
        form.Show();
        bar->SetPosition(42);
        form.SetCaption("Saved caption");
    }  // destroyed without closing: saved by its OnDestroy
    TIniFile file(ini);
    EXPECT_EQ(file.ReadString("OptionsForm", "Bar_Position", ""), "42");
    EXPECT_EQ(file.ReadString("OptionsForm", "Options_Caption", ""), "Saved caption");
    EXPECT_EQ(file.ReadString("OptionsForm\\Extra", "Value", ""), "kept");
    EXPECT_TRUE(file.ReadBool("OptionsForm", "Visible", false));

    OptionsForm form(&app);
    TProgressBar* bar;
    TFormStorage* storage;
    build(form, bar, storage);
    std::string loaded;
    TIniLink link;
    link.SetStorage(storage);
    link.OnLoad = [&](TIniLink* l) {
        loaded = IniReadString(l->IniObject(), l->RootSection() + "Extra", "Value", "");
    };
    form.Show();
    EXPECT_EQ(bar->Position(), 42);
    EXPECT_EQ(form.Caption(), "Saved caption");
    EXPECT_EQ(loaded, "kept");
    // A component that goes takes its items along.
    delete bar;
    EXPECT_EQ(storage->StoredProps.Text(), "Options.Caption\r\n");
}

class DayGrid : public TCustomGrid {
public:
    using TCustomGrid::TCustomGrid;

protected:
    void DrawCell(int, int, RECT, TGridDrawState) override {}
};

// A grid's column widths in its own section; a deleted key reads as missing.
TEST_F(Placement, GridLayoutInTheGridsSection) {
    OptionsForm form(&app);
    MemIniStore ini;
    auto grid = [&](const char* name) {
        auto* g = new DayGrid(&form);
        g->SetName(name);
        g->SetParent(&form);
        g->SetColCount(3);
        return g;
    };
    DayGrid* saved = grid("Days");
    saved->SetColWidths(1, 90);
    SaveGridLayout(saved, &ini);
    EXPECT_EQ(ini.ReadValue("OptionsFormDays", "Item0"), "64");
    EXPECT_EQ(ini.ReadValue("OptionsFormDays", "Item1"), "90");
    ASSERT_TRUE(ini.WriteValue("OptionsFormDays", "Item2", "33"));
    EXPECT_TRUE(IniDeleteKey(&ini, "OptionsFormDays", "Item0"));
    EXPECT_EQ(ini.ReadValue("OptionsFormDays", "Item0"), std::nullopt);
    delete saved;
    DayGrid* restored = grid("Days");
    restored->SetDefaultColWidth(50);
    RestoreGridLayout(restored, &ini);
    EXPECT_EQ(restored->ColWidths(0), 50);  // nothing stored: its own
    EXPECT_EQ(restored->ColWidths(1), 90);
    EXPECT_EQ(restored->ColWidths(2), 33);
    EXPECT_EQ(restored->CellRect(2, 0).left, 140);
}

// Without a stored state the main form that the system places opens maximised, any other
// form normal; the application window's caption goes off and on again.
TEST_F(Placement, MainFormDefaultsAndTheApplicationsCaption) {
    MemIniStore ini;
    auto* main = app.CreateForm<OptionsForm>();
    main->Position = poDefault;
    main->Show();
    ReadFormPlacement(main, &ini, "Main", true, false);
    EXPECT_TRUE(IsZoomed(main->Handle()));
    OptionsForm other(&app);
    other.Position = poDefault;
    other.Show();
    ReadFormPlacement(&other, &ini, "Other", true, false);
    EXPECT_FALSE(IsZoomed(other.Handle()));

    AppTaskbarIcons(false);
    EXPECT_EQ(GetWindowLongA(main->Handle(), GWL_STYLE) & WS_CAPTION, 0);
    AppTaskbarIcons(true);
    EXPECT_EQ(GetWindowLongA(main->Handle(), GWL_STYLE) & WS_CAPTION, WS_CAPTION);
}

TEST_F(Placement, PreventResizeAndSizeLimits) {
    OptionsForm form(&app);
    form.SetBounds(10, 10, 300, 200);
    auto* placement = new TFormPlacement(&form);
    placement->Active = false;
    placement->Loaded();
    form.Show();
    placement->MinMaxInfo.MinTrackWidth = 250;
    placement->MinMaxInfo.MaxTrackHeight = 400;
    placement->UpdatePlacement();
    MINMAXINFO info{};
    info.ptMaxTrackSize = POINT{5000, 5000};
    SendMessageA(form.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 250);
    EXPECT_EQ(info.ptMaxTrackSize.y, 400);
    EXPECT_EQ(info.ptMaxTrackSize.x, 5000);
    placement->SetPreventResize(true);
    SendMessageA(form.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    RECT r;
    GetWindowRect(form.Handle(), &r);
    EXPECT_EQ(info.ptMinTrackSize.x, r.right - r.left);
    EXPECT_EQ(info.ptMaxTrackSize.y, r.bottom - r.top);
    EXPECT_FALSE(GetWindowLongA(form.Handle(), GWL_STYLE) & WS_MAXIMIZEBOX);
    POINT edge{r.right - 1, (r.top + r.bottom) / 2};
    EXPECT_EQ(SendMessageA(form.Handle(), WM_NCHITTEST, 0, MAKELPARAM(edge.x, edge.y)), HTNOWHERE);
    placement->SetPreventResize(false);
    EXPECT_TRUE(GetWindowLongA(form.Handle(), GWL_STYLE) & WS_MAXIMIZEBOX);
}

}  // namespace
