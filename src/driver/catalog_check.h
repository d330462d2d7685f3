// Checks of a message catalog (.qm file) before it is handed to the translator,
// which trusts every length and offset it reads: a damaged catalog must be skipped,
// not crash the program.
#pragma once

#include <QByteArray>

/// Whether the bytes are a catalog whose every block, message and lookup table
/// lies within the data: the magic number, blocks of known kinds, messages made of
/// known items ending with an end mark, hash entries pointing at message starts,
/// and a context table whose chains end inside it.
bool isSoundCatalog(const QByteArray &data);
