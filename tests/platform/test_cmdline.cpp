#include <gtest/gtest.h>

#include <vector>

#include "platform/host/cmdline.h"
#include "platform/host/env.h"

namespace {

struct Case {
  const char* id;
  std::vector<const char*> argv;
  const char* want;
};

TEST(HostCommandLine, RebuildsWindowsStyleLine) {
  const Case cases[] = {
      {"plain", {"/opt/kx/accounting"}, "/opt/kx/accounting"},
      {"blank-in-path", {"/opt/my kx/accounting"}, "\"/opt/my kx/accounting\""},
      {"dpath-lower", {"p", "--dpath=/home/me/books"}, "p --dpath=\"/home/me/books\""},
      {"trace-number", {"p", "--trace=9"}, "p --trace=9"},
      {"upper-value", {"p", "/APNAME:CO"}, "p /APNAME:CO"},
      {"run-with-blank", {"p", "/RUN:PrcExec demo.prc"}, "p /RUN:\"PrcExec demo.prc\""},
      {"already-quoted", {"p", "/RUN:\"PrcExec demo.prc\""}, "p /RUN:\"PrcExec demo.prc\""},
      {"holds-dquote", {"p", "/X:a\"b"}, "p /X:'a\"b'"},
      {"holds-both", {"p", "/X:a\"b'c"}, "p /X:a\"b'c"},
      {"flag", {"p", "/HELP"}, "p /HELP"},
      {"bare-with-blank", {"p", "a b"}, "p \"a b\""},
      {"colon-in-path", {"/opt/x:y/prog", "/TRACE:1"}, "\"/opt/x:y/prog\" /TRACE:1"},
      {"equals-in-path", {"/opt/DPATH=y/prog"}, "\"/opt/DPATH=y/prog\""},
      {"quoted-option-value", {"p", "/OUTPUT:'out.txt'"}, "p /OUTPUT:'out.txt'"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(HostCommandLineBuild(static_cast<int>(c.argv.size()), c.argv.data()), c.want) << c.id;
}

// A program started through PATH has only its bare name in argv[0]; the line
// must carry the absolute path so the program's directory can be read from it.
TEST(HostCommandLine, BareProgramNameBecomesTheRunningProgramsPath) {
  std::string self = HostProgramPath();
  ASSERT_FALSE(self.empty());
  std::string bare = self.substr(self.rfind('/') + 1);
  EXPECT_EQ(HostProgramField(bare.c_str()), self);
  std::string relative = "./" + bare;  // a path the shell used as given
  EXPECT_EQ(HostProgramField(relative.c_str()), relative);
  EXPECT_EQ(HostProgramField("some-other-program"), "some-other-program");
  const char* argv[] = {bare.c_str(), "--trace=9"};
  EXPECT_EQ(HostCommandLineBuild(2, argv), self + " --trace=9");
}

}  // namespace
