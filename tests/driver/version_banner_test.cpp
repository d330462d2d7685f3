// The version request and the banner.
#include "driver/version_banner.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

TEST(VersionRequestTest, AcceptsEveryPrefixOfVersionInAnyCase) {
  for (const char *text : {"-V", "-v", "-VE", "-VeRs", "-versi", "-VERSIO", "-VERSION", "-version"})
    EXPECT_TRUE(isVersionRequest(text)) << text;
  for (const char *text :
       {"-", "", "V", "--V", "-VERSIONX", "-VX", "-VERSON", "-ve rsion", "-VERSION ", "/V"})
    EXPECT_FALSE(isVersionRequest(text)) << text;
  EXPECT_FALSE(isVersionRequest(nullptr));
}

TEST(VersionBannerTest, FourLinesBetweenPrefixAndSuffix) {
  TempDir dir;
  const std::string path = dir.path() + "/banner";
  std::FILE *file = std::fopen(path.c_str(), "w");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(printVersionBanner(file, QString(), QString()), 4);
  EXPECT_EQ(printVersionBanner(file, QStringLiteral("<%1>"), QStringLiteral("]")), 4);
  std::fclose(file);
  EXPECT_EQ(readFile(path), " Corvane Velmora Coverage Report Generator 8.0.1.1.163.015 \n"
                            " Build Number: 163.015 \n"
                            "   Date : 2015-06-12 01:37:00 \n"
                            "    OS : ms-dos \n"
                            // A prefix holding a placeholder is not substituted again.
                            "<%1> Corvane Velmora Coverage Report Generator 8.0.1.1.163.015 ]\n"
                            "<%1> Build Number: 163.015 ]\n"
                            "<%1>   Date : 2015-06-12 01:37:00 ]\n"
                            "<%1>    OS : ms-dos ]\n");
}

} // namespace
