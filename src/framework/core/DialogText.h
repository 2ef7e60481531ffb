// The portable half of the common dialogs: the texts they are given and give back.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// A filter as the program writes it ("Text (*.txt)|*.txt|All (*.*)|*.*") as the system
// dialogs want it: every "|" a NUL, the whole ended by two NULs. An empty filter gives an
// empty string (no filter at all).
std::string DialogFilterList(const std::string& filter);

// The default extension without its leading dots (".txt" and "txt" both give "txt").
std::string DialogDefaultExt(const std::string& ext);

// The names a file dialog returned in `buffer` (at most `size` bytes; the list ends at two
// NULs or at the buffer's end): one full name, or, from a multiple selection, a folder
// followed by names in it, each made a full name. A name that is a full path itself stays
// as it is.
std::vector<std::string> DialogFileNames(const char* buffer, size_t size);
