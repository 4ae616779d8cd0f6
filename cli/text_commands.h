#pragma once
// The commands that work on configuration files without a module: the text export and import,
// the comparison of two files and the configuration sheet.

#include "cli/commands.h"

namespace dalvex::cli {

int ExportText(const Request& r); // export FILE.dat -o FILE.json
int ImportText(const Request& r); // import FILE.json -o FILE.dat
int DiffFiles(const Request& r);  // diff A.dat B.dat [--json]: 0 equal, 1 different
int SheetPdf(const Request& r);   // sheet FILE.dat -o FILE.pdf [--lang] [--secrets] [--paper]

} // namespace dalvex::cli
