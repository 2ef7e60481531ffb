// The text rules of the file-name and directory edits: quoting a name, the file name a
// text holds, directory lists separated by ";", and where the directory dialog starts.
#pragma once

#include <functional>
#include <string>
#include <string_view>

// The name in double quotes when it holds a blank and does not start with a quote.
std::string ExtFilename(std::string_view name);
// The name itself when `exists` says so, else the program part of it read as a command
// line (without quotes and parameters).
std::string ClipFilename(std::string_view name,
                         const std::function<bool(const std::string&)>& exists);

// Each ";"-separated entry of a directory list through `convert`, empty results left out
// (with `multiple` false the whole text is one entry).
std::string MapDirList(std::string_view text, bool multiple,
                       const std::function<std::string(const std::string&)>& convert);
// A directory added to the text: it replaces the text, or with `multiple` and a text that
// is not empty follows it after ";".
std::string AddDirToList(std::string_view text, std::string_view dir, bool multiple);
// Where the directory dialog starts: the text, else `initialDir`, else "\"; a text naming
// no existing directory starts at "\".
std::string DirDialogStart(std::string_view text, std::string_view initialDir,
                           const std::function<bool(const std::string&)>& dirExists);
