// The Cobertura XML output (-XML): lines and condition outcomes of every selected
// file, one package per source directory, one class per file, one method per
// service, in the coverage-04 document type that CI systems read.
#pragma once

#include <cstdio>
#include <string>

struct ExportRun;

/// Writes the document to `out`.
void writeCoberturaXml(std::FILE *out, const ExportRun &run);

/// A rate of Cobertura: covered / valid cut to four decimals without needless
/// zeros ("0.75", "0.3333"); "1" when everything or nothing is valid.
std::string coberturaRate(uint64_t covered, uint64_t valid);
