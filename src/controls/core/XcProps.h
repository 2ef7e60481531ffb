// Named properties of components, kept as text in an INI file or a registry key.
//
// C++ has no list of an object's properties to look at while the program runs, so each
// class that wants some of its properties stored (or driven by name, as the progress
// functions do) declares them: RegisterProps<TMyControl>(...) adds a function that lists
// accessors for the properties of such a component. A TPropInfoList gathers the accessors
// of every registered class a component is an instance of, base classes included.
//
// An accessor has a name and a kind. Scalar kinds give their value as the stored text and
// take it back (refusing a text that is no value of theirs); the builders below make them
// with the stored formats:
//   integer      decimal                    char         the character
//   enumeration  the value's name           float        general format, "." as separator
//   string       the text                   set          "[" names joined by "," "]"
// The other kinds are stored by TPropsStorage itself: a string list in a sub-section
// "section.key" with "Count" and "Item0".., a component reference by name (see
// TPropsStorage), and an object's own properties in a sub-section, recursively.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

#include "framework/core/Component.h"
#include "framework/core/IniStore.h"

class TStrings;
class TPropInfoList;

enum TPropKind {
    pkInteger,
    pkChar,
    pkEnumeration,
    pkFloat,
    pkString,
    pkSet,
    pkStrings,
    pkComponent,
    pkObject
};

struct TPropInfo {
    std::string Name;
    TPropKind Kind = pkString;
    // Scalar kinds.
    std::function<std::string()> GetText;
    std::function<bool(const std::string& text)> SetText;
    // pkStrings: the list itself.
    std::function<TStrings*()> GetStrings;
    // pkComponent.
    std::function<TComponent*()> GetComponent;
    std::function<void(TComponent*)> SetComponent;
    // pkObject: the properties of the object held.
    std::function<TPropInfoList()> GetObjectProps;
};

TPropInfo IntegerProp(std::string name, std::function<int64_t()> get,
                      std::function<void(int64_t)> set);
TPropInfo CharProp(std::string name, std::function<char()> get, std::function<void(char)> set);
// `names` in the order of the values 0, 1, ...
TPropInfo EnumProp(std::string name, std::vector<std::string> names, std::function<int()> get,
                   std::function<void(int)> set);
// `precision` significant digits (7 for float, 15 for double, 18 for long double values).
TPropInfo FloatProp(std::string name, int precision, std::function<double()> get,
                    std::function<void(double)> set);
TPropInfo StringProp(std::string name, std::function<std::string()> get,
                     std::function<void(const std::string&)> set);
// A set as a bit mask: member i is bit 1 << i, named names[i].
TPropInfo SetProp(std::string name, std::vector<std::string> names, std::function<unsigned()> get,
                  std::function<void(unsigned)> set);
TPropInfo StringsProp(std::string name, std::function<TStrings*()> get);
TPropInfo ComponentProp(std::string name, std::function<TComponent*()> get,
                        std::function<void(TComponent*)> set);
TPropInfo ObjectProp(std::string name, std::function<TPropInfoList()> get);

class TPropInfoList {
public:
    TPropInfoList() = default;
    // The properties every registered class of `component` declares (none for null).
    explicit TPropInfoList(TComponent* component);

    // Adds a property; one of the same name (case ignored) is replaced, so a derived class
    // may declare again what its base declared.
    void Add(TPropInfo info);
    // The property of that name, case ignored; null when there is none.
    const TPropInfo* Find(std::string_view name) const;
    int Count() const { return static_cast<int>(FItems.size()); }
    const TPropInfo& Items(int index) const { return FItems.at(static_cast<size_t>(index)); }

private:
    std::vector<TPropInfo> FItems;
};

// A class of components as registries key their entries.
class TComponentClass {
public:
    template <class T>
    static TComponentClass Of() {
        TComponentClass c;
        c.FType = &typeid(T);
        c.FIsInstance = [](const TComponent* x) { return dynamic_cast<const T*>(x) != nullptr; };
        c.FThrowNull = [] { throw static_cast<T*>(nullptr); };
        // A pointer to a derived class is caught by a handler for its public base: that
        // tells, while the program runs, whether a class derives from this one.
        c.FCatches = [](void (*thrower)()) {
            try {
                thrower();
            } catch (T*) {
                return true;
            } catch (...) {
            }
            return false;
        };
        return c;
    }

    // Whether the component is of this class or of one derived from it.
    bool IsInstance(const TComponent* component) const {
        return component && FIsInstance(component);
    }
    // Whether this class is `base` or derives from it.
    bool InheritsFrom(const TComponentClass& base) const { return base.FCatches(FThrowNull); }
    bool operator==(const TComponentClass& other) const { return *FType == *other.FType; }

private:
    const std::type_info* FType = nullptr;
    bool (*FIsInstance)(const TComponent*) = nullptr;
    void (*FThrowNull)() = nullptr;
    bool (*FCatches)(void (*)()) = nullptr;
};

using TPropDeclarer = std::function<void(TComponent* component, TPropInfoList& list)>;
void RegisterPropDeclarer(const TComponentClass& componentClass, TPropDeclarer declare);

// Registers the properties of components of class T: `declare` adds accessors for one.
// Declare a base class before its descendants, so that theirs come later in the list.
template <class T>
void RegisterProps(std::function<void(T& component, TPropInfoList& list)> declare) {
    RegisterPropDeclarer(TComponentClass::Of<T>(), [declare](TComponent* c, TPropInfoList& list) {
        declare(*dynamic_cast<T*>(c), list);
    });
}

// Writes and reads properties in one section of a store, under the key Prefix + name.
//
// A component reference is written as the component's name, or, when its owner is not
// Root, as the owner's name (its class name without the leading "T" when it has none)
// "." the name; "(null)" for none. Reading finds the component by that path among Root's
// components, or among those of the owners above Root.
class TPropsStorage {
public:
    TPropsStorage(IIniStore* store, std::string section, TComponent* root)
        : FStore(store), FSection(std::move(section)), FRoot(root) {}

    std::string Prefix;

    void StoreProperty(const TPropInfo& prop);
    // A missing value or a text the property refuses leaves the property unchanged.
    void LoadProperty(const TPropInfo& prop);
    // Every property of the list.
    void StoreProperties(const TPropInfoList& props);
    void LoadProperties(const TPropInfoList& props);

    // The text a component reference is stored as.
    std::string ComponentPath(const TComponent* component) const;
    // The component a stored path names; null when none.
    TComponent* FindComponentPath(std::string_view path) const;

private:
    std::string Key(const TPropInfo& prop) const { return Prefix + prop.Name; }
    std::string SubSection(const TPropInfo& prop) const { return FSection + "." + Key(prop); }

    IIniStore* FStore;
    std::string FSection;
    TComponent* FRoot;
};

// A class name as the framework shows it ("TForm" for TForm).
std::string ClassNameOf(const TComponent& component);
