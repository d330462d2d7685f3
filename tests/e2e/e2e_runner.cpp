// End-to-end runner: every folder under e2e/cases is one run of the zeltocov binary.
//
// A case folder holds:
//   args            the arguments after the program name, one per line (an empty line
//                   is an empty argument, a final newline is ignored); @WORK@ is
//                   replaced by the absolute work directory
//   env             optional: NAME=VALUE sets, -NAME unsets; @WORK@ and @VELMORADIR@
//                   are replaced in values
//   input/          optional: copied into the fresh work directory (the run's cwd)
//   installed-catalogs  optional, empty: the catalogs the build installs (the compiled
//                   translations/*.ts) are copied into VELMORADIR/lib/locale first
//   catalogs/*.ts   optional: compiled with lrelease into VELMORADIR/lib/locale
//   catalogs/*.qm   optional: installed as they are into VELMORADIR/lib/locale
//   expected/status the exit status
//   expected/stdout, expected/stderr: compared whole; a missing one means empty
//   expected/files/<path>: must exist in the work directory after the run
//   keep-dates      optional: date texts are compared as they are (for runs whose
//                   time is fixed by SOURCE_DATE_EPOCH)
//   expected/absent optional: paths, one per line, that must not exist after the run
//
// Actual outputs are scrubbed before comparison: C-library date texts become <DATE>
// (unless the case keeps its dates), the work directory becomes <WORK> and the
// installation directory <VELMORA>. With
// ZELTOCOV_E2E_UPDATE=1 the scrubbed outputs are written into expected/ instead of being compared;
// the files already listed under expected/files are refreshed, and files that the run created (not
// copied from input/) are added.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace fs = std::filesystem;

namespace {

constexpr int kTimeLimitSeconds = 60;

std::string readWhole(const fs::path &path, bool *ok = nullptr) {
  std::ifstream in(path, std::ios::binary);
  if (ok) *ok = static_cast<bool>(in);
  std::ostringstream content;
  if (in) content << in.rdbuf();
  return content.str();
}

bool writeWhole(const fs::path &path, const std::string &content) {
  std::error_code ignored;
  fs::create_directories(path.parent_path(), ignored);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  return static_cast<bool>(out);
}

void replaceAll(std::string &text, const std::string &from, const std::string &to) {
  if (from.empty()) return;
  std::size_t pos = 0;
  while ((pos = text.find(from, pos)) != std::string::npos) {
    text.replace(pos, from.size(), to);
    pos += to.size();
  }
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// A 24-character text "Www Mmm dd hh:mm:ss yyyy" (day padded with a blank) at `at`.
bool isDateText(const std::string &text, std::size_t at) {
  static const char *const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char *const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  if (at + 24 > text.size()) return false;
  const char *s = text.data() + at;
  bool day = std::any_of(std::begin(days), std::end(days),
                         [&](const char *d) { return std::strncmp(s, d, 3) == 0; });
  bool month = std::any_of(std::begin(months), std::end(months),
                           [&](const char *m) { return std::strncmp(s + 4, m, 3) == 0; });
  if (!day || !month || s[3] != ' ' || s[7] != ' ') return false;
  if (!(s[8] == ' ' || isDigit(s[8])) || !isDigit(s[9]) || s[10] != ' ') return false;
  if (!isDigit(s[11]) || !isDigit(s[12]) || s[13] != ':' || !isDigit(s[14]) || !isDigit(s[15]) ||
      s[16] != ':' || !isDigit(s[17]) || !isDigit(s[18]) || s[19] != ' ')
    return false;
  return isDigit(s[20]) && isDigit(s[21]) && isDigit(s[22]) && isDigit(s[23]);
}

std::string scrub(std::string text, const std::vector<std::string> &workNames,
                  bool keepDates = false, const std::string &velmoraDir = std::string()) {
  for (const std::string &name : workNames)
    replaceAll(text, name, "<WORK>");
  if (!velmoraDir.empty()) replaceAll(text, velmoraDir, "<VELMORA>");
  if (keepDates) return text;
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (isDateText(text, i)) {
      out += "<DATE>";
      i += 24;
    } else {
      out += text[i++];
    }
  }
  return out;
}

// Lines of a file: a final newline is ignored, an empty file has no lines.
std::vector<std::string> readLines(const fs::path &path) {
  std::string content = readWhole(path);
  std::vector<std::string> lines;
  if (content.empty()) return lines;
  if (content.back() == '\n') content.pop_back();
  std::size_t start = 0;
  for (;;) {
    std::size_t end = content.find('\n', start);
    lines.push_back(content.substr(start, end == std::string::npos ? end : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

struct RunResult {
  bool started = false;  ///< the child process was created
  bool timedOut = false; ///< the child was killed at the time limit
  int status = -1;       ///< exit status when the child exited normally
  int signal = 0;        ///< signal number when the child was killed
  std::string error;     ///< why the run could not be started
};

// Runs a program in `cwd` with stdin from /dev/null and the two streams into files.
RunResult runProgram(const std::string &program, const std::vector<std::string> &args,
                     const std::vector<std::string> &environment, const std::string &cwd,
                     const std::string &stdoutPath, const std::string &stderrPath,
                     int timeLimitSeconds) {
  RunResult result;
  std::vector<char *> argv;
  argv.push_back(const_cast<char *>(program.c_str()));
  for (const std::string &arg : args)
    argv.push_back(const_cast<char *>(arg.c_str()));
  argv.push_back(nullptr);
  std::vector<char *> envp;
  for (const std::string &entry : environment)
    envp.push_back(const_cast<char *>(entry.c_str()));
  envp.push_back(nullptr);

  pid_t pid = fork();
  if (pid < 0) {
    result.error = std::string("fork failed: ") + std::strerror(errno);
    return result;
  }
  if (pid == 0) {
    int in = open("/dev/null", O_RDONLY);
    int out = open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0 || chdir(cwd.c_str()) != 0) _exit(126);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    close(in);
    close(out);
    close(err);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  result.started = true;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeLimitSeconds);
  int status = 0;
  for (;;) {
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) {
      result.error = std::string("waitpid failed: ") + std::strerror(errno);
      return result;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      result.timedOut = true;
      return result;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (WIFEXITED(status))
    result.status = WEXITSTATUS(status);
  else if (WIFSIGNALED(status))
    result.signal = WTERMSIG(status);
  return result;
}

std::vector<std::string> runnerEnvironment() {
  std::vector<std::string> env;
  for (char **entry = environ; *entry; ++entry)
    env.push_back(*entry);
  return env;
}

// The runner's environment with the case defaults applied.
std::map<std::string, std::string> defaultEnvironment(const std::string &velmoraDir) {
  std::map<std::string, std::string> env;
  for (const std::string &text : runnerEnvironment()) {
    std::size_t eq = text.find('=');
    if (eq == std::string::npos) continue;
    env[text.substr(0, eq)] = text.substr(eq + 1);
  }
  env["VELMORADIR"] = velmoraDir;
  env.erase("ZELTOCOV_LAN");
  env.erase("ZELTO_TPM_ROOT");
  env.erase("SOURCE_DATE_EPOCH");
  env["LANG"] = "C";
  env["TZ"] = "UTC";
  // The locale name of the catalogs must depend on LANG alone unless a case says
  // otherwise, whatever the machine running the tests has set.
  for (auto it = env.begin(); it != env.end();) {
    if (it->first.rfind("LC_", 0) == 0 || it->first == "LANGUAGE")
      it = env.erase(it);
    else
      ++it;
  }
  return env;
}

std::vector<std::string> caseNames() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto &entry : fs::directory_iterator(ZELTOCOV_E2E_CASES, ec))
    if (entry.is_directory()) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

bool updateMode() {
  const char *value = std::getenv("ZELTOCOV_E2E_UPDATE");
  return value && std::string(value) == "1";
}

// Relative paths of the regular files below a directory.
std::set<std::string> filesBelow(const fs::path &root) {
  std::set<std::string> files;
  std::error_code ec;
  if (!fs::is_directory(root, ec)) return files;
  for (const auto &entry : fs::recursive_directory_iterator(root, ec))
    if (entry.is_regular_file()) files.insert(fs::relative(entry.path(), root).generic_string());
  return files;
}

class E2ECase : public ::testing::TestWithParam<std::string> {
protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "zeltocov-e2e-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr) << "cannot create a temporary directory";
    root_ = pattern;
    work_ = root_ / "work";
    velmora_ = root_ / "velmora";
    fs::create_directories(work_);
    fs::create_directories(velmora_ / "lib" / "locale");
  }
  void TearDown() override {
    if (HasFailure()) {
      std::cerr << "case files kept in " << root_.string() << "\n";
      return;
    }
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  fs::path root_, work_, velmora_;
};

// Compiles every catalog source of the case into VELMORADIR/lib/locale.
::testing::AssertionResult compileCatalogs(const fs::path &catalogs, const fs::path &localeDir,
                                           const fs::path &scratch) {
  std::error_code ec;
  if (!fs::is_directory(catalogs, ec)) return ::testing::AssertionSuccess();
  for (const auto &entry : fs::directory_iterator(catalogs)) {
    // A compiled catalog is installed as it is (damaged ones too).
    if (entry.path().extension() == ".qm") {
      fs::copy_file(entry.path(), localeDir / entry.path().filename(),
                    fs::copy_options::overwrite_existing, ec);
      if (ec) return ::testing::AssertionFailure() << "cannot copy " << entry.path();
      continue;
    }
    if (entry.path().extension() != ".ts") continue;
    std::string qm = (localeDir / entry.path().stem()).string() + ".qm";
    RunResult run =
        runProgram(ZELTOCOV_LRELEASE, {"-silent", entry.path().string(), "-qm", qm},
                   runnerEnvironment(), scratch.string(), (scratch / "lrelease.out").string(),
                   (scratch / "lrelease.err").string(), kTimeLimitSeconds);
    if (!run.started || run.status != 0 || !fs::exists(qm))
      return ::testing::AssertionFailure() << "lrelease failed on " << entry.path() << ": "
                                           << readWhole(scratch / "lrelease.err") << run.error;
  }
  return ::testing::AssertionSuccess();
}

// Copies the catalogs compiled by the build into VELMORADIR/lib/locale.
::testing::AssertionResult copyInstalledCatalogs(const fs::path &localeDir) {
  std::error_code ec;
  int copied = 0;
  for (const auto &entry : fs::directory_iterator(ZELTOCOV_LOCALE_DIR, ec)) {
    if (entry.path().extension() != ".qm") continue;
    fs::copy_file(entry.path(), localeDir / entry.path().filename(),
                  fs::copy_options::overwrite_existing, ec);
    if (ec)
      return ::testing::AssertionFailure()
             << "cannot copy " << entry.path() << ": " << ec.message();
    ++copied;
  }
  if (ec)
    return ::testing::AssertionFailure()
           << "cannot list " << ZELTOCOV_LOCALE_DIR << ": " << ec.message();
  if (copied == 0)
    return ::testing::AssertionFailure() << "no compiled catalog in " << ZELTOCOV_LOCALE_DIR;
  return ::testing::AssertionSuccess();
}

TEST_P(E2ECase, Run) {
  const fs::path caseDir = fs::path(ZELTOCOV_E2E_CASES) / GetParam();
  const fs::path expectedDir = caseDir / "expected";
  const std::string work = work_.string();
  const bool update = updateMode();
  const bool keepDates = fs::exists(caseDir / "keep-dates");

  std::error_code ec;
  if (fs::is_directory(caseDir / "input")) {
    fs::copy(caseDir / "input", work_, fs::copy_options::recursive, ec);
    ASSERT_FALSE(ec) << "cannot copy input/: " << ec.message();
  }
  const std::set<std::string> inputFiles = filesBelow(work_);
  if (fs::exists(caseDir / "installed-catalogs")) {
    ASSERT_TRUE(copyInstalledCatalogs(velmora_ / "lib" / "locale"));
  }
  ASSERT_TRUE(compileCatalogs(caseDir / "catalogs", velmora_ / "lib" / "locale", root_));

  std::vector<std::string> args;
  if (fs::exists(caseDir / "args"))
    for (std::string line : readLines(caseDir / "args")) {
      replaceAll(line, "@WORK@", work);
      args.push_back(line);
    }

  std::map<std::string, std::string> env = defaultEnvironment(velmora_.string());
  if (fs::exists(caseDir / "env"))
    for (const std::string &line : readLines(caseDir / "env")) {
      if (line.empty()) continue;
      if (line[0] == '-') {
        env.erase(line.substr(1));
        continue;
      }
      std::size_t eq = line.find('=');
      ASSERT_NE(eq, std::string::npos) << "bad env line: " << line;
      std::string value = line.substr(eq + 1);
      replaceAll(value, "@WORK@", work);
      replaceAll(value, "@VELMORADIR@", velmora_.string());
      env[line.substr(0, eq)] = value;
    }
  std::vector<std::string> environment;
  for (const auto &[name, value] : env)
    environment.push_back(name + "=" + value);

  const fs::path stdoutPath = root_ / "stdout", stderrPath = root_ / "stderr";
  RunResult run = runProgram(ZELTOCOV_BINARY, args, environment, work, stdoutPath.string(),
                             stderrPath.string(), kTimeLimitSeconds);
  ASSERT_TRUE(run.started) << run.error;
  ASSERT_FALSE(run.timedOut) << "the run took over " << kTimeLimitSeconds << " s";
  ASSERT_EQ(run.signal, 0) << "the run was ended by signal " << run.signal;
  ASSERT_TRUE(run.error.empty()) << run.error;

  std::vector<std::string> workNames{work};
  std::string canonical = fs::weakly_canonical(work_).string();
  if (canonical != work) workNames.push_back(canonical);
  const std::string velmoraDir = velmora_.string();
  const std::string actualStdout = scrub(readWhole(stdoutPath), workNames, keepDates, velmoraDir);
  const std::string actualStderr = scrub(readWhole(stderrPath), workNames, keepDates, velmoraDir);

  if (update) {
    writeWhole(expectedDir / "status", std::to_string(run.status) + "\n");
    for (const auto &[name, text] :
         {std::pair{"stdout", &actualStdout}, std::pair{"stderr", &actualStderr}}) {
      if (text->empty())
        fs::remove(expectedDir / name, ec);
      else
        writeWhole(expectedDir / name, *text);
    }
    std::set<std::string> wanted = filesBelow(expectedDir / "files");
    for (const std::string &produced : filesBelow(work_))
      if (!inputFiles.count(produced)) wanted.insert(produced);
    for (const std::string &name : wanted) {
      bool ok = false;
      std::string content = readWhole(work_ / name, &ok);
      EXPECT_TRUE(ok) << "expected file " << name << " was not produced";
      if (ok) writeWhole(expectedDir / "files" / name, scrub(content, workNames, keepDates));
    }
    return;
  }

  std::set<std::string> compared;
  bool ok = false;
  std::string statusText = readWhole(expectedDir / "status", &ok);
  ASSERT_TRUE(ok) << "expected/status is missing";
  compared.insert("status");
  char *end = nullptr;
  long expectedStatus = std::strtol(statusText.c_str(), &end, 10);
  ASSERT_NE(end, statusText.c_str()) << "expected/status holds no number";
  EXPECT_EQ(run.status, expectedStatus) << "exit status";

  for (const auto &[name, actual] :
       {std::pair{"stdout", &actualStdout}, std::pair{"stderr", &actualStderr}}) {
    std::string expected = readWhole(expectedDir / name);
    if (fs::exists(expectedDir / name)) compared.insert(name);
    EXPECT_EQ(*actual, expected) << "standard stream " << name;
  }

  for (const std::string &name : filesBelow(expectedDir / "files")) {
    compared.insert("files/" + name);
    bool produced = false;
    std::string actual = readWhole(work_ / name, &produced);
    if (!produced) {
      ADD_FAILURE() << "file " << name << " was not produced";
      continue;
    }
    EXPECT_EQ(scrub(actual, workNames, keepDates), readWhole(expectedDir / "files" / name))
        << "file " << name;
  }

  if (fs::exists(expectedDir / "absent")) {
    compared.insert("absent");
    for (const std::string &name : readLines(expectedDir / "absent")) {
      if (name.empty()) continue;
      EXPECT_FALSE(fs::exists(work_ / name, ec)) << "file " << name << " should not exist";
    }
  }

  for (const std::string &name : filesBelow(expectedDir))
    EXPECT_TRUE(compared.count(name)) << "expected/" << name << " is not a known expectation";
}

std::string testName(const ::testing::TestParamInfo<std::string> &info) {
  std::string name = info.param;
  for (char &c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

} // namespace

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(E2ECase);
INSTANTIATE_TEST_SUITE_P(Cases, E2ECase, ::testing::ValuesIn(caseNames()), testName);

// The scrubber itself decides what a golden file may contain, so it is checked here.
TEST(E2ERunner, ScrubsDatesAndWorkDirectory) {
  std::vector<std::string> work{"/tmp/w"};
  EXPECT_EQ(scrub("at Thu Jun  5 01:02:03 2025 in /tmp/w/a.txt\n", work),
            "at <DATE> in <WORK>/a.txt\n");
  EXPECT_EQ(scrub("Mon Dec 31 23:59:59 1999Sat Jan 01 00:00:00 2000", work), "<DATE><DATE>");
  // Near misses stay as they are.
  EXPECT_EQ(scrub("Thu Jun 5 01:02:03 2025", work), "Thu Jun 5 01:02:03 2025");
  EXPECT_EQ(scrub("Xyz Jun  5 01:02:03 2025", work), "Xyz Jun  5 01:02:03 2025");
  EXPECT_EQ(scrub("Thu Jun  5 01:02:03 202", work), "Thu Jun  5 01:02:03 202");
}
