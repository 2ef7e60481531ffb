// Driving any progress control by the names of its maximum, minimum and position
// properties (declared through RegisterProps), so that library code can report progress
// into whatever control the program hands it.
#pragma once

#include <cstdint>
#include <string>

#include "controls/core/XcProps.h"

// Appends an entry: controls of the class (or derived from it) are driven through the
// three named properties.
void RegisterProgressControl(const TComponentClass& controlClass, const std::string& maxProp,
                             const std::string& minProp, const std::string& progressProp);
template <class T>
void RegisterProgressControl(const std::string& maxProp, const std::string& minProp,
                             const std::string& progressProp) {
    RegisterProgressControl(TComponentClass::Of<T>(), maxProp, minProp, progressProp);
}
// Removes every entry of the class and of the classes derived from it.
void UnRegisterProgressControl(const TComponentClass& controlClass);
template <class T>
void UnRegisterProgressControl() {
    UnRegisterProgressControl(TComponentClass::Of<T>());
}

// Whether an entry drives the control.
bool SupportsProgressControl(const TComponent* control);
// Sets the property of the entry registered last among those that drive the control; true
// when it exists and holds a number (integer or float). Null controls give false.
bool SetProgressMax(TComponent* control, int64_t value);
bool SetProgressMin(TComponent* control, int64_t value);
bool SetProgressValue(TComponent* control, int64_t value);
