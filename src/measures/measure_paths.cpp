#include "measures/measure_paths.h"

#include <cerrno>
#include <pwd.h>
#include <unistd.h>
#include <vector>

#include "support/host_services.h"

MeasurePaths measurePaths(const std::string &root, const std::string &measure,
                          const std::string &user, unsigned count) {
  MeasurePaths paths;
  paths.base = root + "/" + measure + "/" + user + "." + std::to_string(count);
  paths.index = paths.base + ".idx";
  paths.database = paths.base + ".tpm";
  paths.lock = paths.base + ".lck";
  return paths;
}

bool usableUserName(const std::string &user) {
  return !user.empty() && user != "." && user != ".." && user.find('/') == std::string::npos;
}

std::optional<std::string> measureUserName() {
  if (std::optional<std::string> user = getEnv("ZELTO_TPM_USER"))
    return usableUserName(*user) ? user : std::nullopt;
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 1024);
  struct passwd entry;
  struct passwd *found = nullptr;
  while (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
         buffer.size() < (1u << 20))
    buffer.resize(buffer.size() * 2);
  if (!found || !found->pw_name || !usableUserName(found->pw_name)) return std::nullopt;
  return std::string(found->pw_name);
}
