#include <gtest/gtest.h>

#include <vector>

#include "platform/host/cmdline.h"

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
  };
  for (const auto& c : cases)
    EXPECT_EQ(HostCommandLineBuild(static_cast<int>(c.argv.size()), c.argv.data()), c.want) << c.id;
}

}  // namespace
