// The tests that a change needs (-AFFECTED): the names of the tests that ran a
// changed line, then the changed lines that no test ran.
#pragma once

#include <cstdio>

struct ExportRun;

/// One test name a line, in the order the tests first appear in the traces
/// (named as the text report names them); then "# not covered by any test";
/// then each changed line that carries items and that no test ran, as
/// file:line in the diff's order, the file as the Cobertura output spells it.
void writeAffectedTests(std::FILE *out, const ExportRun &run);
