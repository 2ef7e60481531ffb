// strtable SOURCE OUTDIR
// Reads the string-table source (sections "[NAME]", rows "id<TAB>text") and writes
// OUTDIR/NAME.str0 for each table and OUTDIR/LinkStrings.rc, which embeds every table as
// an RCDATA resource under its name. Exit status 1 with a message on any error.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "comm/core/StringTables.h"

namespace {

bool WriteAll(const std::string& path, const void* data, size_t size) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(static_cast<const char*>(data), std::streamsize(size));
  return bool(f);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: strtable SOURCE OUTDIR\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "strtable: cannot read %s\n", argv[1]);
    return 1;
  }
  std::stringstream text;
  text << in.rdbuf();
  std::vector<TStringSection> sections;
  std::string error;
  if (!ParseStringSource(text.str(), sections, error)) {
    std::fprintf(stderr, "strtable: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  std::string outDir = argv[2];
  // The .rc names each blob by its full path: the resource compiler may run elsewhere.
  std::error_code ec;
  std::string absDir = std::filesystem::absolute(outDir, ec).generic_string();
  if (ec) absDir = outDir;
  std::string rc = "// Made by tools/strtable from the string-table source; do not edit.\n";
  for (const auto& section : sections) {
    std::vector<uint8_t> blob = BuildStr0Table(section.Rows);
    std::string file = section.Name + ".str0";
    if (!WriteAll(outDir + "/" + file, blob.data(), blob.size())) {
      std::fprintf(stderr, "strtable: cannot write %s/%s\n", outDir.c_str(), file.c_str());
      return 1;
    }
    rc += section.Name + " RCDATA \"" + absDir + "/" + file + "\"\n";
  }
  if (!WriteAll(outDir + "/LinkStrings.rc", rc.data(), rc.size())) {
    std::fprintf(stderr, "strtable: cannot write %s/LinkStrings.rc\n", outDir.c_str());
    return 1;
  }
  return 0;
}
