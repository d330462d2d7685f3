// File identity: the key computed from directory and name, and the checksum folding.
#pragma once

#include <cstdint>
#include <string>

/// 32-bit key of a text (groups of four signed bytes XORed into 0x4A4A4A4A).
/// A null text is an internal error.
uint32_t FileKey(const char *text);
uint32_t FileKey(const std::string &text);
/// Folds a text into a checksum (groups of four unsigned bytes).
void FoldChecksum(uint32_t &checksum, const char *text);
