// Where the files of a measure live: R/M/U.N with the suffixes .idx, .tpm and
// .lck, R the root directory of the database, M the measure name, U the user
// and N the count of sub values.
#pragma once

#include <optional>
#include <string>

/// The three files of one measure name, user and count.
struct MeasurePaths {
  /// R/M/U.N, without suffix.
  std::string base;
  /// The index: (key, offset of the key's latest record) pairs.
  std::string index;
  /// The database: the records.
  std::string database;
  /// The lock file of the pair.
  std::string lock;
};

/// The paths under `root` for a measure name, a user name and a count of sub values.
MeasurePaths measurePaths(const std::string &root, const std::string &measure,
                          const std::string &user, unsigned count);

/// Whether a user name can name files inside the measure's directory: not
/// empty, without '/', and neither "." nor "..".
bool usableUserName(const std::string &user);

/// The user whose files are written: ZELTO_TPM_USER when set, else the login
/// name of the effective user from the password database; none when neither
/// gives one, or when the name is not usable (nothing is written outside the
/// measure's directory).
std::optional<std::string> measureUserName();
