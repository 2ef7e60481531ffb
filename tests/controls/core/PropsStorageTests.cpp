// Values and component properties kept as text in an INI store.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "controls/core/AppUtils.h"
#include "controls/core/XcProgress.h"
#include "controls/core/XcProps.h"
#include "framework/core/MemIniStore.h"
#include "framework/core/Strings.h"
#include "framework/core/TempDir.h"

namespace {

TEST(IniValues, QuotedValuesAndLineBreaksComeBack) {
    MemIniStore ini;
    const char* const values[] = {"\"quoted\"", "'single'", "  blanks  ", "plain", "\"half", ""};
    for (int i = 0; i < 6; ++i) {
        const std::string key = "k" + std::to_string(i);
        ASSERT_TRUE(IniWriteString(&ini, "S", key, values[i]));
        EXPECT_EQ(IniReadString(&ini, "S", key, "?"), values[i]);
    }
    // The stored text of a value in quotes has one more pair around it.
    EXPECT_NE(ini.Serialize().find("k0=\"\"quoted\"\""), std::string::npos);
    EXPECT_FALSE(IniWriteString(&ini, "S", "k", "two\r\nlines"));  // no profile line holds it
    const std::string lines = "one\r\ntwo\n\rthree\rfour\nfive";
    const std::string stored = StrToIniStr(lines);
    EXPECT_EQ(stored, "one\\ntwo\\nthree\\nfour\\nfive");
    ASSERT_TRUE(IniWriteString(&ini, "S", "text", stored));
    EXPECT_EQ(IniStrToStr(IniReadString(&ini, "S", "text", "")),
              "one\r\ntwo\r\nthree\r\nfour\r\nfive");
    EXPECT_THROW(StrToIniStr(std::string(4097, 'x')), Exception);
    // Numbers and flags; a null store reads defaults and writes nothing.
    IniWriteInteger(&ini, "N", "i", -12);
    IniWriteBool(&ini, "N", "b", true);
    EXPECT_EQ(IniReadInteger(&ini, "N", "i", 0) + IniReadInteger(&ini, "N", "b", 0), -11);
    EXPECT_TRUE(IniReadBool(&ini, "N", "b", false));
    EXPECT_EQ(IniReadInteger(&ini, "S", "k3", 7), 7);
    EXPECT_EQ(IniReadString(nullptr, "S", "k3", "def"), "def");
    EXPECT_FALSE(IniWriteString(nullptr, "S", "k", "v"));
    TStringList sections;
    IniReadSections(&ini, &sections);
    EXPECT_EQ(sections.Text(), "S\r\nN\r\n");
    EXPECT_TRUE(IniEraseSection(&ini, "N"));
    EXPECT_FALSE(ini.HasSection("N"));
}

TEST(PlacementTexts, NumbersKeysAndStates) {
    EXPECT_EQ(FormatPlacementNumbers({-1, 2, 300, 4}), "-1,2,300,4");
    const std::array<int, 4> fallback{9, 8, 7, 6};
    EXPECT_EQ(ParsePlacementNumbers("1, 2 3,4", fallback), (std::array<int, 4>{1, 2, 3, 4}));
    EXPECT_EQ(ParsePlacementNumbers("1,x", fallback), (std::array<int, 4>{1, 8, 7, 6}));
    EXPECT_EQ(ParsePlacementNumbers("", fallback), fallback);
    EXPECT_EQ(ScreenSizeKey("NormPos", 1024, 768), "NormPos(1024x768)");
    EXPECT_EQ(WindowStateFromShowCmd(9, wsMaximized), wsNormal);
    EXPECT_EQ(WindowStateFromShowCmd(7, wsNormal), wsMinimized);
    EXPECT_EQ(WindowStateFromShowCmd(3, wsNormal), wsMaximized);
    EXPECT_EQ(WindowStateFromShowCmd(4, wsMaximized), wsMaximized);
}

TEST(AppNames, IniNamesKeysAndUniqueFiles) {
    EXPECT_EQ(DefaultIniName("C:\\Programs\\Quiro.exe"), "Quiro.INI");
    EXPECT_EQ(DefaultIniName("quiro"), "quiro.INI");
    EXPECT_EQ(DefaultIniRegKey("C:\\p\\quiro.exe", "Orvatek", "Quiro 2", false),
              "Software\\Orvatek\\quiro");
    EXPECT_EQ(DefaultIniRegKey("C:\\p\\quiro.exe", "", "Quiro 2", true), "Software\\Quiro 2");
    TempDir dir;
    const std::string folder = dir.Dir() + "/";
    std::ofstream(dir.Path("cap0.txt")) << "x";
    std::filesystem::create_directory(dir.Path("cap1.txt"));
    EXPECT_EQ(GetUniqueFileNameInDir(folder, "cap%d.txt"), "cap2.txt");
    EXPECT_EQ(GetUniqueFileNameInDir(folder, "cap0.txt"), "");  // no number, taken
    EXPECT_EQ(GetUniqueFileNameInDir(folder, "new.txt"), "new.txt");
    EXPECT_EQ(GetUniqueFileNameInDir(folder, "cap%s"), "");  // does not fit a number
}

// A component with one property of every kind, declared the way a control declares its
// own.
enum Align { alNone, alTop, alClient };
struct Widget : TComponent {
    using TComponent::TComponent;
    int64_t Count = 0;
    char Letter = 'a';
    Align Alignment = alNone;
    double Ratio = 0;
    std::string Title;
    unsigned Styles = 0;
    TStringList Lines;
    TComponent* Buddy = nullptr;
    struct {
        int Size = 8;
        std::string Face = "Gulim";
    } Font;
};
struct FancyWidget : Widget {
    using Widget::Widget;
    int Glow = 0;
};

void DeclareWidgets() {
    static bool done = false;
    if (done) return;
    done = true;
    RegisterProps<Widget>([](Widget& w, TPropInfoList& list) {
        list.Add(IntegerProp(
            "Count", [&w] { return w.Count; }, [&w](int64_t v) { w.Count = v; }));
        list.Add(CharProp(
            "Letter", [&w] { return w.Letter; }, [&w](char c) { w.Letter = c; }));
        list.Add(EnumProp(
            "Align", {"alNone", "alTop", "alClient"},
            [&w] { return static_cast<int>(w.Alignment); },
            [&w](int v) { w.Alignment = static_cast<Align>(v); }));
        list.Add(FloatProp(
            "Ratio", 15, [&w] { return w.Ratio; }, [&w](double v) { w.Ratio = v; }));
        list.Add(StringProp(
            "Title", [&w] { return w.Title; }, [&w](const std::string& v) { w.Title = v; }));
        list.Add(SetProp(
            "Styles", {"fsBold", "fsItalic", "fsUnderline"}, [&w] { return w.Styles; },
            [&w](unsigned v) { w.Styles = v; }));
        list.Add(StringsProp("Lines", [&w] { return &w.Lines; }));
        list.Add(ComponentProp(
            "Buddy", [&w] { return w.Buddy; }, [&w](TComponent* c) { w.Buddy = c; }));
        list.Add(ObjectProp("Font", [&w] {
            TPropInfoList font;
            font.Add(IntegerProp(
                "Size", [&w] { return w.Font.Size; },
                [&w](int64_t v) { w.Font.Size = static_cast<int>(v); }));
            font.Add(StringProp(
                "Name", [&w] { return w.Font.Face; },
                [&w](const std::string& v) { w.Font.Face = v; }));
            return font;
        }));
    });
    RegisterProps<FancyWidget>([](FancyWidget& w, TPropInfoList& list) {
        list.Add(IntegerProp(
            "Glow", [&w] { return w.Glow; }, [&w](int64_t v) { w.Glow = static_cast<int>(v); }));
        list.Add(IntegerProp(
            "count", [&w] { return w.Count * 2; }, [&w](int64_t v) { w.Count = v; }));
    });
}

TEST(PropsStorage, EveryKindRoundTripsInTheStoredFormat) {
    DeclareWidgets();
    TComponent form;
    form.SetName("MainForm");
    TComponent other;
    other.SetName("Other");
    auto* buddy = new TComponent(&other);
    buddy->SetName("Peer");
    auto* w = new Widget(&form);
    w->SetName("W");
    w->Count = -42;
    w->Letter = 'Q';
    w->Alignment = alClient;
    w->Ratio = 2.5;
    w->Title = "\"in quotes\"";
    w->Styles = 1 | 4;
    w->Lines.SetText("one\r\ntwo\r\n");
    w->Buddy = buddy;
    w->Font.Size = 12;

    MemIniStore ini;
    TPropsStorage storage(&ini, "Main", &form);
    storage.Prefix = "W_";
    storage.StoreProperties(TPropInfoList(w));
    EXPECT_EQ(ini.Serialize(),
              "[Main]\r\nW_Count=-42\r\nW_Letter=Q\r\nW_Align=alClient\r\nW_Ratio=2.5\r\n"
              "W_Title=\"\"in quotes\"\"\r\nW_Styles=[fsBold,fsUnderline]\r\n"
              "W_Buddy=Other.Peer\r\n"
              "[Main.W_Lines]\r\nCount=2\r\nItem0=one\r\nItem1=two\r\n"
              "[Main.W_Font]\r\nSize=12\r\nName=Gulim\r\n");

    Widget back(&form);
    back.Lines.Add("stale");
    storage.LoadProperties(TPropInfoList(&back));
    EXPECT_EQ(back.Count, -42);
    EXPECT_EQ(back.Letter, 'Q');
    EXPECT_EQ(back.Alignment, alClient);
    EXPECT_EQ(back.Ratio, 2.5);
    EXPECT_EQ(back.Title, "\"in quotes\"");
    EXPECT_EQ(back.Styles, 5u);
    EXPECT_EQ(back.Lines.Text(), "one\r\ntwo\r\n");
    EXPECT_EQ(back.Buddy, nullptr);  // "Other" is no owner above the form here
    EXPECT_EQ(back.Font.Size, 12);
}

TEST(PropsStorage, UnreadableTextsLeaveThePropertyAlone) {
    DeclareWidgets();
    TComponent form;
    auto* peer = new TComponent(&form);
    peer->SetName("Peer");
    Widget w(&form);
    w.Count = 5;
    w.Alignment = alTop;
    w.Styles = 2;
    w.Ratio = 1;
    w.Buddy = peer;
    MemIniStore ini = MemIniStore::Parse(
        "[S]\nCount=12x\nAlign=alNowhere\nStyles=[fsBold,fsShadow]\nRatio=1,5\nBuddy=Ghost\n"
        "Letter=\n");
    TPropsStorage storage(&ini, "S", &form);
    storage.LoadProperties(TPropInfoList(&w));
    EXPECT_EQ(w.Count, 5);
    EXPECT_EQ(w.Alignment, alTop);
    EXPECT_EQ(w.Styles, 2u);
    EXPECT_EQ(w.Ratio, 1);
    EXPECT_EQ(w.Buddy, peer);
    EXPECT_EQ(w.Letter, 'a');
    // "(null)" clears a reference; a name of the root's components finds it.
    ini.WriteValue("S", "Buddy", "(null)");
    storage.LoadProperties(TPropInfoList(&w));
    EXPECT_EQ(w.Buddy, nullptr);
    ini.WriteValue("S", "Buddy", "Peer");
    storage.LoadProperties(TPropInfoList(&w));
    EXPECT_EQ(w.Buddy, peer);
}

// A damaged or hostile file that claims a huge list: the list takes what the section holds
// (a count of two thousand million once made a load write item after item for ever).
TEST(PropsStorage, AStoredListNeverReadsMoreThanTheSectionHolds) {
    DeclareWidgets();
    TComponent form;
    Widget w(&form);
    MemIniStore ini =
        MemIniStore::Parse("[S.Lines]\nCount=2147483647\nItem0=one\nItem1=two\n");
    TPropsStorage storage(&ini, "S", &form);
    storage.LoadProperties(TPropInfoList(&w));
    EXPECT_LE(w.Lines.Count(), 3);
    EXPECT_EQ(w.Lines.Strings(0), "one");
    EXPECT_EQ(w.Lines.Strings(1), "two");
    ini = MemIniStore::Parse("[S.Lines]\nCount=-5\nItem0=one\n");
    storage.LoadProperties(TPropInfoList(&w));
    EXPECT_EQ(w.Lines.Count(), 0);
}

TEST(PropsStorage, ReferencesAcrossOwnersAndDerivedDeclarations) {
    DeclareWidgets();
    TComponent app;  // an unnamed owner of forms, known by its class name
    auto* form = new TComponent(&app);
    form->SetName("Form1");
    auto* form2 = new TComponent(&app);
    form2->SetName("Form2");
    auto* target = new TComponent(form2);
    target->SetName("Edit");
    auto* appLevel = new TComponent(&app);
    appLevel->SetName("Shared");
    TPropsStorage storage(nullptr, "S", form);
    EXPECT_EQ(storage.ComponentPath(target), "Form2.Edit");
    EXPECT_EQ(storage.ComponentPath(appLevel), "Component.Shared");
    EXPECT_EQ(storage.ComponentPath(nullptr), "(null)");
    EXPECT_EQ(storage.FindComponentPath("Form2.Edit"), target);
    EXPECT_EQ(storage.FindComponentPath("Component.Shared"), appLevel);
    EXPECT_EQ(storage.FindComponentPath("Form2.Nothing"), nullptr);
    // A derived class adds its own and may declare again what its base did.
    FancyWidget fancy(nullptr);
    fancy.Count = 4;
    TPropInfoList props(&fancy);
    ASSERT_NE(props.Find("GLOW"), nullptr);
    EXPECT_EQ(props.Find("Count")->GetText(), "8");
    EXPECT_EQ(TPropInfoList(form).Count(), 0);
}

TEST(ProgressControls, DrivenByTheirDeclaredProperties) {
    DeclareWidgets();
    Widget w(nullptr);
    FancyWidget fancy(nullptr);
    TComponent plain(nullptr);
    RegisterProgressControl<Widget>("Count", "Glow", "Ratio");
    EXPECT_TRUE(SupportsProgressControl(&fancy));
    EXPECT_FALSE(SupportsProgressControl(&plain));
    EXPECT_TRUE(SetProgressMax(&w, 1000));
    EXPECT_TRUE(SetProgressValue(&w, 250));
    EXPECT_FALSE(SetProgressMin(&w, 1));  // Widget has no "Glow"
    EXPECT_EQ(w.Count * 1000 + static_cast<int>(w.Ratio), 1000250);
    EXPECT_FALSE(SetProgressValue(&plain, 1));
    EXPECT_FALSE(SetProgressValue(nullptr, 1));
    // The entry registered last wins; a property that is no number is not driven.
    RegisterProgressControl<FancyWidget>("Title", "Glow", "Count");
    EXPECT_TRUE(SetProgressMin(&fancy, 3));
    EXPECT_FALSE(SetProgressMax(&fancy, 3));
    EXPECT_EQ(fancy.Glow, 3);
    // Unregistering a class removes its descendants' entries too.
    UnRegisterProgressControl<Widget>();
    EXPECT_FALSE(SupportsProgressControl(&fancy));
    EXPECT_FALSE(SupportsProgressControl(&w));
}

}  // namespace
