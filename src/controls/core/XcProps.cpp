#include "controls/core/XcProps.h"

#include <cxxabi.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "controls/core/AppUtils.h"
#include "controls/core/CtlUtils.h"
#include "controls/core/StrUtils.h"
#include "framework/core/DateTime.h"
#include "framework/core/Strings.h"
#include "framework/core/SysUtils.h"

namespace {

struct Declarer {
    TComponentClass componentClass;
    TPropDeclarer declare;
};

std::vector<Declarer>& Declarers() {
    static std::vector<Declarer> declarers;
    return declarers;
}

// Floats are stored with "." whatever the locale says.
const TFormatSettings& PointSettings() {
    static const TFormatSettings settings;
    return settings;
}

int IndexOfName(const std::vector<std::string>& names, std::string_view name) {
    for (size_t i = 0; i < names.size(); ++i)
        if (AnsiCompareText(names[i], name) == 0) return static_cast<int>(i);
    return -1;
}

TPropInfo Scalar(std::string name, TPropKind kind, std::function<std::string()> get,
                 std::function<bool(const std::string&)> set) {
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = kind;
    p.GetText = std::move(get);
    p.SetText = std::move(set);
    return p;
}

}  // namespace

// ---- Accessor builders ------------------------------------------------------------------

TPropInfo IntegerProp(std::string name, std::function<int64_t()> get,
                      std::function<void(int64_t)> set) {
    return Scalar(
        std::move(name), pkInteger, [get] { return IntToStr(get()); },
        [set](const std::string& text) {
            std::string t = Trim(text);
            int64_t v = 0;
            auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
            if (t.empty() || ec != std::errc() || end != t.data() + t.size()) return false;
            set(v);
            return true;
        });
}

TPropInfo CharProp(std::string name, std::function<char()> get, std::function<void(char)> set) {
    return Scalar(
        std::move(name), pkChar, [get] { return std::string(1, get()); },
        [set](const std::string& text) {
            if (text.empty()) return false;
            set(text[0]);
            return true;
        });
}

TPropInfo EnumProp(std::string name, std::vector<std::string> names, std::function<int()> get,
                   std::function<void(int)> set) {
    return Scalar(
        std::move(name), pkEnumeration,
        [names, get] {
            int v = get();
            return v >= 0 && v < static_cast<int>(names.size()) ? names[static_cast<size_t>(v)]
                                                                : IntToStr(v);
        },
        [names, set](const std::string& text) {
            int v = IndexOfName(names, Trim(text));
            if (v < 0) return false;
            set(v);
            return true;
        });
}

TPropInfo FloatProp(std::string name, int precision, std::function<double()> get,
                    std::function<void(double)> set) {
    return Scalar(
        std::move(name), pkFloat,
        [precision, get] { return FloatToStrF(get(), ffGeneral, precision, 0, PointSettings()); },
        [set](const std::string& text) {
            double v;
            if (!TryStrToFloat(text, v, PointSettings())) return false;
            set(v);
            return true;
        });
}

TPropInfo StringProp(std::string name, std::function<std::string()> get,
                     std::function<void(const std::string&)> set) {
    return Scalar(std::move(name), pkString, std::move(get), [set](const std::string& text) {
        set(text);
        return true;
    });
}

TPropInfo SetProp(std::string name, std::vector<std::string> names, std::function<unsigned()> get,
                  std::function<void(unsigned)> set) {
    return Scalar(
        std::move(name), pkSet,
        [names, get] {
            unsigned bits = get();
            std::string text = "[";
            for (size_t i = 0; i < names.size() && i < 32; ++i) {
                if (!(bits & (1u << i))) continue;
                if (text.size() > 1) text += ',';
                text += names[i];
            }
            return text + "]";
        },
        [names, set](const std::string& text) {
            std::string body = Trim(text);
            if (body.size() < 2 || body.front() != '[' || body.back() != ']') return false;
            body = body.substr(1, body.size() - 2);
            unsigned bits = 0;
            for (int n = 1; n <= WordCount(body, ","); ++n) {
                int i = IndexOfName(names, Trim(ExtractWord(n, body, ",")));
                if (i < 0 || i >= 32) return false;
                bits |= 1u << i;
            }
            set(bits);
            return true;
        });
}

TPropInfo StringsProp(std::string name, std::function<TStrings*()> get) {
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = pkStrings;
    p.GetStrings = std::move(get);
    return p;
}

TPropInfo ComponentProp(std::string name, std::function<TComponent*()> get,
                        std::function<void(TComponent*)> set) {
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = pkComponent;
    p.GetComponent = std::move(get);
    p.SetComponent = std::move(set);
    return p;
}

TPropInfo ObjectProp(std::string name, std::function<TPropInfoList()> get) {
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = pkObject;
    p.GetObjectProps = std::move(get);
    return p;
}

// ---- TPropInfoList ----------------------------------------------------------------------

void RegisterPropDeclarer(const TComponentClass& componentClass, TPropDeclarer declare) {
    Declarers().push_back({componentClass, std::move(declare)});
}

TPropInfoList::TPropInfoList(TComponent* component) {
    if (!component) return;
    for (const Declarer& d : Declarers())
        if (d.componentClass.IsInstance(component)) d.declare(component, *this);
}

void TPropInfoList::Add(TPropInfo info) {
    for (TPropInfo& existing : FItems) {
        if (AnsiCompareText(existing.Name, info.Name) == 0) {
            existing = std::move(info);
            return;
        }
    }
    FItems.push_back(std::move(info));
}

const TPropInfo* TPropInfoList::Find(std::string_view name) const {
    for (const TPropInfo& p : FItems)
        if (AnsiCompareText(p.Name, name) == 0) return &p;
    return nullptr;
}

// ---- TPropsStorage ----------------------------------------------------------------------

std::string ClassNameOf(const TComponent& component) {
    const char* mangled = typeid(component).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> plain(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    std::string name = status == 0 && plain ? plain.get() : mangled;
    size_t scope = name.rfind("::");  // classes in a namespace: the last part
    return scope == std::string::npos ? name : name.substr(scope + 2);
}

std::string TPropsStorage::ComponentPath(const TComponent* component) const {
    if (!component) return "(null)";
    const TComponent* owner = component->Owner();
    if (!owner || owner == FRoot) return component->Name();
    std::string ownerName = owner->Name().empty() ? DropT(ClassNameOf(*owner)) : owner->Name();
    return ownerName + "." + component->Name();
}

TComponent* TPropsStorage::FindComponentPath(std::string_view path) const {
    if (!FRoot) return nullptr;
    size_t dot = path.find('.');
    if (dot == std::string_view::npos) return FRoot->FindComponent(std::string(path));
    std::string ownerName(path.substr(0, dot)), name(path.substr(dot + 1));
    // The owner is Root itself, or a component of Root or of an owner above it.
    for (const TComponent* level = FRoot; level; level = level->Owner()) {
        auto matches = [&](const TComponent* c) {
            return AnsiCompareText(c->Name(), ownerName) == 0 ||
                   (c->Name().empty() && AnsiCompareText(DropT(ClassNameOf(*c)), ownerName) == 0);
        };
        if (matches(level)) return level->FindComponent(name);
        for (int i = 0; i < level->ComponentCount(); ++i)
            if (matches(level->Components(i))) return level->Components(i)->FindComponent(name);
    }
    return nullptr;
}

void TPropsStorage::StoreProperty(const TPropInfo& prop) {
    switch (prop.Kind) {
        case pkStrings: {
            TStrings* list = prop.GetStrings();
            if (!list) return;
            std::string sub = SubSection(prop);
            IniEraseSection(FStore, sub);
            IniWriteInteger(FStore, sub, "Count", list->Count());
            for (int i = 0; i < list->Count(); ++i)
                IniWriteString(FStore, sub, Format("Item%d", i), list->Strings(i));
            return;
        }
        case pkComponent:
            IniWriteString(FStore, FSection, Key(prop), ComponentPath(prop.GetComponent()));
            return;
        case pkObject: {
            TPropsStorage inner(FStore, SubSection(prop), FRoot);
            inner.StoreProperties(prop.GetObjectProps());
            return;
        }
        default:
            IniWriteString(FStore, FSection, Key(prop), prop.GetText());
            return;
    }
}

void TPropsStorage::LoadProperty(const TPropInfo& prop) {
    switch (prop.Kind) {
        case pkStrings: {
            TStrings* list = prop.GetStrings();
            std::string sub = SubSection(prop);
            if (!list || !FStore || !FStore->ReadValue(sub, "Count")) return;
            // The count is the file's word: a list never has more items than the section
            // holds keys, whatever a damaged or hostile file says.
            const int count = std::min<int64_t>(IniReadInteger(FStore, sub, "Count", 0),
                                                static_cast<int64_t>(FStore->ListKeys(sub).size()));
            list->BeginUpdate();
            try {
                list->Clear();
                for (int i = 0; i < count; ++i)
                    list->Add(IniReadString(FStore, sub, Format("Item%d", i), ""));
            } catch (...) {
                list->EndUpdate();
                throw;
            }
            list->EndUpdate();
            return;
        }
        case pkComponent: {
            if (!FStore) return;
            std::optional<std::string> path = FStore->ReadValue(FSection, Key(prop));
            if (!path) return;
            if (*path == "(null)")
                prop.SetComponent(nullptr);
            else if (TComponent* c = FindComponentPath(*path))
                prop.SetComponent(c);
            return;
        }
        case pkObject: {
            TPropsStorage inner(FStore, SubSection(prop), FRoot);
            inner.LoadProperties(prop.GetObjectProps());
            return;
        }
        default: {
            if (!FStore) return;
            if (std::optional<std::string> text = FStore->ReadValue(FSection, Key(prop)))
                prop.SetText(*text);
            return;
        }
    }
}

void TPropsStorage::StoreProperties(const TPropInfoList& props) {
    for (int i = 0; i < props.Count(); ++i) StoreProperty(props.Items(i));
}

void TPropsStorage::LoadProperties(const TPropInfoList& props) {
    for (int i = 0; i < props.Count(); ++i) LoadProperty(props.Items(i));
}
