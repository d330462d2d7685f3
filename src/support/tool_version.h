// The version of the tool as every output header and the version banner show it.
#pragma once

/// The full version string.
inline constexpr char kToolVersion[] = "8.0.1.1.163.015";
/// The build number (the last two fields of the version).
inline constexpr char kToolBuildNumber[] = "163.015";
