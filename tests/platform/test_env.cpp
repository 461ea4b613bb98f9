#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "platform/host/env.h"

namespace {

// Sets (or unsets, with nullopt) variables for one test and restores them.
class ScopedEnv {
 public:
  explicit ScopedEnv(const std::map<std::string, std::optional<std::string>>& vars) {
    for (const auto& [name, value] : vars) {
      const char* old = std::getenv(name.c_str());
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
      Apply(name, value);
    }
  }
  ~ScopedEnv() {
    for (const auto& [name, value] : saved_) Apply(name, value);
  }

 private:
  static void Apply(const std::string& name, const std::optional<std::string>& value) {
    if (value) setenv(name.c_str(), value->c_str(), 1);
    else unsetenv(name.c_str());
  }
  std::map<std::string, std::optional<std::string>> saved_;
};

const std::optional<std::string> kUnset = std::nullopt;

TEST(HostEnv, WindowsNamesMatchInAnyCase) {
  const struct {
    const char* given;
    const char* want;
  } cases[] = {{"TEMP", "TEMP"}, {"temp", "TEMP"}, {"SYSTEMROOT", "SystemRoot"},
               {"appdata", "APPDATA"}, {"PATH", ""}, {"TEMPX", ""}, {"", ""}};
  for (const auto& c : cases) EXPECT_EQ(HostEnvWindowsName(c.given), c.want) << c.given;
}

TEST(HostEnv, LinuxEquivalentsComeFromTheLinuxVariables) {
  ScopedEnv env({{"HOME", "/home/t"},
                 {"TMPDIR", "/var/tmp/t"},
                 {"XDG_CONFIG_HOME", kUnset},
                 {"XDG_DATA_DIRS", "/usr/share/a:/usr/share/b"}});
  const struct {
    const char* name;
    const char* want;
  } cases[] = {{"TEMP", "/var/tmp/t"},           {"USERPROFILE", "/home/t"},
               {"HOMEPATH", "/home/t"},          {"APPDATA", "/home/t/.config"},
               {"ALLUSERSPROFILE", "/usr/share/a"}, {"HOMEDRIVE", ""},
               {"SYSTEMDRIVE", ""},              {"PATH", ""}};
  for (const auto& c : cases) EXPECT_EQ(HostEnvLinuxDefault(c.name), c.want) << c.name;

  ScopedEnv more({{"TMPDIR", kUnset}, {"XDG_CONFIG_HOME", "/cfg"}});
  EXPECT_EQ(HostEnvLinuxDefault("TEMP"), "/tmp");
  EXPECT_EQ(HostEnvLinuxDefault("APPDATA"), "/cfg");
}

TEST(HostEnv, FillingKeepsSetValuesAndFillsOnlyUnsetNames) {
  ScopedEnv env({{"HOME", "/home/t"},
                 {"TEMP", "/keep"},
                 {"USERPROFILE", kUnset},
                 {"HOMEDRIVE", kUnset},
                 {"APPDATA", kUnset},
                 {"XDG_CONFIG_HOME", kUnset}});
  HostEnvFillDefaults();
  EXPECT_STREQ(std::getenv("TEMP"), "/keep");
  ASSERT_NE(std::getenv("USERPROFILE"), nullptr);
  EXPECT_STREQ(std::getenv("USERPROFILE"), "/home/t");
  EXPECT_STREQ(std::getenv("APPDATA"), "/home/t/.config");
  EXPECT_EQ(std::getenv("HOMEDRIVE"), nullptr);  // no equivalent: stays unset
}

TEST(HostEnv, GetReadsWindowsNamesInAnyCaseAndFallsBackWhileUnset) {
  ScopedEnv env({{"TEMP", "/t1"}, {"HOME", "/home/t"}, {"USERPROFILE", kUnset}, {"KX_ENV_TEST", "v"}});
  EXPECT_EQ(HostEnvGet("temp"), "/t1");
  EXPECT_EQ(HostEnvGet("KX_ENV_TEST"), "v");
  EXPECT_EQ(HostEnvGet("kx_env_test"), "");  // other names keep Linux case rules
  EXPECT_EQ(HostEnvGet(""), "");
  unsetenv("USERPROFILE");  // unset again after an earlier fill
  EXPECT_EQ(HostEnvGet("UserProfile"), "/home/t");
}

// A name set to an empty text is as good as unset (the Windows view of the
// environment has no empty variables): TEMP must still name a directory.
TEST(HostEnv, EmptyWindowsNamesCountAsUnset) {
  ScopedEnv env({{"TEMP", ""}, {"TMPDIR", "/var/tmp/t"}, {"HOME", "/home/t"}, {"USERPROFILE", ""}});
  EXPECT_EQ(HostEnvGet("TEMP"), "/var/tmp/t");
  EXPECT_EQ(HostEnvGet("temp"), "/var/tmp/t");
  HostEnvFillDefaults();
  EXPECT_STREQ(std::getenv("TEMP"), "/var/tmp/t");
  EXPECT_STREQ(std::getenv("USERPROFILE"), "/home/t");
}

TEST(HostEnv, ProgramPathAndCurrentDirectory) {
  std::string self = HostProgramPath();
  ASSERT_FALSE(self.empty());
  EXPECT_EQ(self.front(), '/');
  EXPECT_TRUE(std::filesystem::exists(self));
  EXPECT_EQ(std::filesystem::path(self).filename(), "test_platform");
  EXPECT_EQ(HostCurrentDir(), std::filesystem::current_path().string());
}

}  // namespace
