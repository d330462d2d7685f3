// Format errors of FDC files: each ends the run with status 7 and its exact text.
#include "fdc_test_helpers.h"

namespace {

struct FormatErrorCase {
  /// Test name.
  const char *name;
  /// File content.
  std::string content;
  /// The message, with @ standing for the FDC file's path.
  std::string message;
};

std::string withPath(std::string message, const std::string &path) {
  std::string result;
  for (char c : message)
    if (c == '@')
      result += path;
    else
      result += c;
  return result;
}

const std::string kBody = "PR 0 proc \"f\" 1 1\n";

std::vector<FormatErrorCase> formatErrorCases() {
  const std::string h = header();
  return {
      {"NoVersion", "VE\n", "FDC file without any version string: @"},
      {"OtherVersion", "VE 2.9 tok\n",
       "@ has been generated with an incompatible version of the product: 2.9"},
      {"NoToken", "VE 3.0e\n", "FDC file without any token string: @"},
      {"HashToken", "VE 3.0e #tok\n", "FDC file without any token string: @"},
      {"EmptyToken", "VE 3.0e \n", "FDC file without any token string: @"},
      {"EndBeforeFc", "VE 3.0e tok\n", "Bad FDC file"},
      {"NotFc", "VE 3.0e tok\nFD 0\n", "Bad or missing FC in FDC file @"},
      {"NoSourceName", "VE 3.0e tok\nFC a.c \"d\"\n",
       "Cannot retrieve correctly src-file name in FDC file @"},
      {"EmptyDirectory", "VE 3.0e tok\nFC \"a.c\" \"\"\n",
       "Empty src-file directory in FDC file @"},
      {"NotFd", "VE 3.0e tok\nFC \"a.c\" \"d\"\nTC PR\n", "Bad or missing FD in FDC file @"},
      {"FdTrailingBlank", "VE 3.0e tok\nFC \"a.c\" \"d\"\nFD 0 \n",
       "Garbage at the end of FD line in FDC file @"},
      {"FdWithoutTime", "VE 3.0e tok\nFC \"a.c\" \"d\"\nFD\n",
       "Null pointer for time while reading file @"},
      {"NotTc", "VE 3.0e tok\nFC \"a.c\" \"d\"\nFD 0\nTX PR\n", "Bad or missing TC in FDC file @"},
      {"TcWithoutTypes", "VE 3.0e tok\nFC \"a.c\" \"d\"\nFD 0\nTC\n",
       "Bad or missing TC information in FDC file @"},
      {"TcTrailingBlank", "VE 3.0e tok\nFC \"a.c\" \"d\"\nFD 0\nTC PR \n",
       "Unknown coverage type in FDC file @"},
      {"NoBody", h, "No data in FDC"},
      {"BodyIsChecksumLine", h + "DC 1\n", "Unknown bigramme DC in FDC file @"},
      {"UnknownBigramme", h + kBody + "XX 1\nDC 1\n", "Unknown bigramme XX in FDC file @"},
      {"HeaderBigrammeInBody", h + kBody + "FD 1\nDC 1\n", "Unknown bigramme FD in FDC file @"},
      {"RecordWithoutId", h + "PR\nDC 1\n", "Null pointer for value while reading file @"},
      {"UnknownProcedurePoint", h + "PR 0 begin \"f\" 1 1\nDC 1\n",
       "Unknown tpr type in FDC file @"},
      {"MissingProcedurePoint", h + "PR 0\nDC 1\n", "Missing tpr type in FDC file @"},
      {"NoServiceName", h + "PR 0 proc f 1 1\nDC 1\n",
       "Cannot retrieve correctly entity name in FDC file @"},
      {"SecondEntry", h + kBody + "PR 1 proc \"f\" 2 2\nDC 1\n", "Multiple input in procedure f"},
      {"NoCaller", h + "AP 0 \"\" \"g\" 1 1\nDC 1\n", "Empty calling function in FDC file @"},
      {"NoCalled", h + "AP 0 \"f\" g 1 1\nDC 1\n",
       "Cannot retrieve correctly called function in FDC file @"},
      {"UnknownBlockKind", h + "BL 0 loop \"f\" b 1 1\nDC 1\n", "Unknown tb type in FDC file @"},
      {"MissingBlockKind", h + "BL 0\nDC 1\n", "Missing tb type in FDC file @"},
      {"MissingBlockLabel", h + "BL 0 simple \"f\"\nDC 1\n", "Missing block label in FDC file @"},
      {"NoConditionText", h + "CE 0 \"f\" (a) 1 1\nDC 1\n",
       "Cannot retrieve correctly basic condition text"},
      {"NoChecksumLine", h + kBody, "Bad or missing DC in FDC file @"},
      // A last DC line without line end is read without its values.
      {"ChecksumLineWithoutLineEnd", h + kBody + "DC 1",
       "Null pointer for value while reading file @"},
      {"ChecksumLineAlone", h + kBody + "DC\n", "Null pointer for value while reading file @"},
      {"ChecksumLineGarbage", h + kBody + "DC 1 2 3\n",
       "Garbage at the end of DC line checksum in FDC file @"},
      {"ChecksumLineTrailingBlank", h + kBody + "DC 1 2 \n",
       "Garbage at the end of DC line checksum in FDC file @"},
      {"ErrorInSecondSection", h + kBody + "DC 1\n@/RIK@\nVE 3.0f tok\n",
       "@ has been generated with an incompatible version of the product: 3.0f"},
  };
}

class FormatErrorTest : public FdcTest, public ::testing::WithParamInterface<FormatErrorCase> {};

TEST_P(FormatErrorTest, EndsTheRunWithItsMessage) {
  const FormatErrorCase &c = GetParam();
  const std::string path = dir.write("bad.fdc", c.content);
  EXPECT_EXIT(LoadFdcFile(path, 0, otherFiles, model), ::testing::ExitedWithCode(7),
              exactly(fatalFrame(withPath(c.message, path))));
}

INSTANTIATE_TEST_SUITE_P(Fdc, FormatErrorTest, ::testing::ValuesIn(formatErrorCases()),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(FdcTest, UnnamedFdcFileIsAnInternalError) {
  EXPECT_EXIT(LoadFdcFile("", 0, otherFiles, model), ::testing::ExitedWithCode(9),
              exactly(internalFrame("Attempt to open unnamed FDC file")));
}

} // namespace

namespace {

TEST_F(FdcTest, ALineOverSixtyFourMegabytesMakesTheFileInvalid) {
  // A record line longer than any record can be: the file is not an FDC file.
  std::string content = "VE 3.0e tok\nFC \"a.c\" \"/src\"\nFD 0\nTC PR\nPR 0 proc \"";
  content.append(64 * 1024 * 1024 + 16, 'x');
  content += "\" 1 1\nDC 1\n";
  const std::string path = dir.write("long.fdc", content);
  content.clear();
  content.shrink_to_fit();
  EXPECT_EXIT(LoadFdcFile(path, 0, otherFiles, model), ::testing::ExitedWithCode(7),
              exactly(fatalFrame("Line too long in FDC file " + path)));
}

TEST_F(FdcTest, ALongFirstLineIsNoVeLine) {
  // Only the first bytes are read to tell an FDC file from a trace: a first line
  // longer than any VE line makes a trace file.
  const std::string path = dir.write("long.tio", std::string(200000, 'N') + "\nNT\n");
  LoadFdcFile(path, 0, otherFiles, model);
  ASSERT_EQ(otherFiles.size(), 1u);
  EXPECT_EQ(otherFiles[0].name, path);
  EXPECT_TRUE(model.files().empty());
}

} // namespace
