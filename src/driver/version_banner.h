// The version request (a lone -V ... -VERSION argument) and the version banner.
#pragma once

#include <QString>
#include <cstdio>

/// True for -V followed by any prefix of ERSION, in any ASCII letter case, and
/// nothing else.
bool isVersionRequest(const char *text);
/// Writes the four banner lines, each between the prefix and the suffix; returns
/// the number of lines written.
int printVersionBanner(std::FILE *stream, const QString &prefix, const QString &suffix);
