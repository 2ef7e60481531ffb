// What the controls library reads back from INI files and from the user: stored
// properties of every kind, placement numbers, line-break escapes, dates and wildcards.
// Whatever a file holds, reading it never fails, and what is read writes and reads back
// the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "controls/core/AppUtils.h"
#include "controls/core/DateUtil.h"
#include "controls/core/StrUtils.h"
#include "controls/core/XcProps.h"
#include "framework/core/MemIniStore.h"
#include "framework/core/Strings.h"

namespace {

struct Sample : TComponent {
    using TComponent::TComponent;
    int64_t Number = 0;
    char Letter = 'a';
    int Choice = 0;
    double Ratio = 0;
    std::string Text;
    unsigned Flags = 0;
    TStringList Lines;
    TComponent* Link = nullptr;
    int Inner = 0;

    std::string Snapshot() const {
        return Format("%d|%d|%d|%.17g|%s|%u|%s|%p|%d", static_cast<int>(Number), Letter, Choice,
                      Ratio, Text, Flags, Lines.Text(), static_cast<const void*>(Link), Inner);
    }
};

void Declare() {
    RegisterProps<Sample>([](Sample& s, TPropInfoList& list) {
        list.Add(IntegerProp(
            "Number", [&s] { return s.Number; }, [&s](int64_t v) { s.Number = v; }));
        list.Add(CharProp(
            "Letter", [&s] { return s.Letter; }, [&s](char c) { s.Letter = c; }));
        list.Add(EnumProp(
            "Choice", {"one", "two", "three"}, [&s] { return s.Choice; },
            [&s](int v) { s.Choice = v; }));
        list.Add(FloatProp(
            "Ratio", 17, [&s] { return s.Ratio; }, [&s](double v) { s.Ratio = v; }));
        list.Add(StringProp(
            "Text", [&s] { return s.Text; }, [&s](const std::string& v) { s.Text = v; }));
        list.Add(SetProp(
            "Flags", {"a", "b", "c", "d"}, [&s] { return s.Flags; },
            [&s](unsigned v) { s.Flags = v; }));
        list.Add(StringsProp("Lines", [&s] { return &s.Lines; }));
        list.Add(ComponentProp(
            "Link", [&s] { return s.Link; }, [&s](TComponent* c) { s.Link = c; }));
        list.Add(ObjectProp("Sub", [&s] {
            TPropInfoList sub;
            sub.Add(IntegerProp(
                "Inner", [&s] { return int64_t{s.Inner}; },
                [&s](int64_t v) { s.Inner = static_cast<int>(v); }));
            return sub;
        }));
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool declared = (Declare(), true);
    (void)declared;
    const std::string text(reinterpret_cast<const char*>(data), size);

    TComponent root;
    auto* peer = new TComponent(&root);
    peer->SetName("Peer");
    Sample sample(&root);
    MemIniStore ini = MemIniStore::Parse(text);
    TPropsStorage storage(&ini, "S", &root);
    storage.LoadProperties(TPropInfoList(&sample));
    // What was read is stored and read again unchanged (unless the file could not hold it).
    const std::string first = sample.Snapshot();
    MemIniStore again;
    TPropsStorage store(&again, "S", &root);
    store.StoreProperties(TPropInfoList(&sample));
    Sample copy(&root);
    copy.Lines.Assign(sample.Lines);
    store.LoadProperties(TPropInfoList(&copy));
    bool linesFit = true;
    for (int i = 0; i < sample.Lines.Count(); ++i)
        linesFit = linesFit && EncodeIniValue(sample.Lines.Strings(i)).has_value();
    if (linesFit && EncodeIniValue(sample.Text) && EncodeIniValue(std::string(1, sample.Letter)) &&
        copy.Snapshot() != first)
        std::abort();

    ParsePlacementNumbers(text, {1, 2, 3, 4});
    if (size <= 4096) {
        const std::string escaped = StrToIniStr(text);
        if (escaped.find_first_of("\r\n") != std::string::npos) std::abort();
        if (escaped.size() <= 4096) IniStrToStr(escaped);
    }
    StrToDateFmtDef("MM/DD/YYYY", text, 0);
    StrToDateFmtDef("DD-MMM-YY ddd", text, 0);
    const size_t half = size / 2;
    IsWild(text.substr(0, half), text.substr(half), true);
    return 0;
}
