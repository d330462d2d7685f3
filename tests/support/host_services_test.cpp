// Allocation, upper-casing, environment and the report language.
#include "support/host_services.h"
#include "support/messages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

/// Sets or unsets ZELTOCOV_LAN for one test and restores it afterwards.
class LanguageTest : public testing::Test {
protected:
  void SetUp() override {
    if (const char *value = std::getenv("ZELTOCOV_LAN")) saved_ = value, hadValue_ = true;
    setMessageIdentity("P", "x");
  }
  void TearDown() override {
    if (hadValue_)
      setenv("ZELTOCOV_LAN", saved_.c_str(), 1);
    else
      unsetenv("ZELTOCOV_LAN");
  }
  /// The language for a value (null: unset) and what was written to stderr.
  std::pair<int, std::string> languageFor(const char *value) {
    if (value)
      setenv("ZELTOCOV_LAN", value, 1);
    else
      unsetenv("ZELTOCOV_LAN");
    testing::internal::CaptureStderr();
    const int language = reportLanguage();
    return {language, testing::internal::GetCapturedStderr()};
  }

private:
  std::string saved_;
  bool hadValue_ = false;
};

} // namespace

TEST_F(LanguageTest, KnownValuesChooseSilently) {
  EXPECT_EQ(languageFor(nullptr), std::make_pair(0, std::string()));
  EXPECT_EQ(languageFor("GB"), std::make_pair(0, std::string()));
  EXPECT_EQ(languageFor("FR"), std::make_pair(1, std::string()));
  EXPECT_EQ(languageFor("FA"), std::make_pair(1, std::string()));
}

TEST_F(LanguageTest, OtherValuesWarnEachTimeAndGiveEnglish) {
  const std::string warning = "P x - WARNING: ZELTOCOV_LAN environment variable is badly "
                              "defined,choice in GB (default), FR or FA\n";
  for (const char *value : {"fr", "DE", "", "GB "}) {
    SCOPED_TRACE(value);
    EXPECT_EQ(languageFor(value), std::make_pair(0, warning));
  }
}

TEST(HostServicesTest, UpperCasingTouchesAsciiLettersOnly) {
  char *upper = upperDup("a.c-z\xe9\xff{`");
  EXPECT_STREQ(upper, "A.C-Z\xe9\xff{`");
  freeIfSet(upper);
  EXPECT_EQ(upperAscii("main.cpp \xe0"), "MAIN.CPP \xe0");
}

TEST(HostServicesTest, AllocationIsZeroFilledAndReallocationKeepsContents) {
  // Reuse freed memory that was dirty, so that zero-filling is actually needed.
  void *dirty = std::malloc(4096);
  std::memset(dirty, 0xAB, 4096);
  std::free(dirty);
  auto *block = static_cast<unsigned char *>(safeAlloc(4096));
  for (int i = 0; i < 4096; ++i)
    ASSERT_EQ(block[i], 0) << i;
  std::memcpy(block, "keep", 5);
  block = static_cast<unsigned char *>(safeRealloc(block, 1 << 20));
  EXPECT_STREQ(reinterpret_cast<char *>(block), "keep");
  freeIfSet(block);
  freeIfSet(nullptr);
  void *empty = safeAlloc(0);
  EXPECT_NE(empty, nullptr);
  freeIfSet(empty);
}

TEST(HostServicesTest, EnvironmentLookupDistinguishesUnsetFromEmpty) {
  unsetenv("ZELTOCOV_TEST_VARIABLE");
  EXPECT_FALSE(getEnv("ZELTOCOV_TEST_VARIABLE").has_value());
  setenv("ZELTOCOV_TEST_VARIABLE", "", 1);
  EXPECT_EQ(getEnv("ZELTOCOV_TEST_VARIABLE"), std::string());
  unsetenv("ZELTOCOV_TEST_VARIABLE");
}
