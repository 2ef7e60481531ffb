#include "windows/Install.h"

#include "console/SecondaryWindows.h"
#include "windows/HostList.h"

void InstallSecondaryWindows() {
    SecondaryWindows& windows = ConsoleWindows();
    windows.AddressBook = &ShowAddressBook;
}
