// The system's locale and clock for the framework's dates and numbers.
#pragma once

#include "framework/core/DateTime.h"

// Fills `settings` from the user's locale: separators, date and time formats (the hour
// with a leading zero when the locale asks for one, the AM/PM marker before or after the
// time as it places it), AM/PM texts, month and day names. A value the system does not
// give keeps what `settings` held.
void GetLocaleFormatSettings(TFormatSettings& settings);
// Loads the program's FormatSettings() from the system and makes Now() read the system's
// local time (GetLocalTime). StartLibraries does this.
void LoadSystemLocale();
