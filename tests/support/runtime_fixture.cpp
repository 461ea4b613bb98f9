#include "support/runtime_fixture.h"

#include <cstdlib>
#include <filesystem>

#include "app/hooks.h"
#include "data/bridges/dataui.h"
#include "platform/host/files.h"
#include "runtime/errors.h"
#include "runtime/memory.h"
#include "runtime/strvalue.h"

void RuntimeReset(int stringSlots) {
  // The programs register the calls that go up the layers at start-up; the
  // tests drive the layers the same way, but for the screens' questions,
  // boxes and progress windows, which a test of a lower layer has no window
  // system for: it sets its own (DataUiSet) where it wants any.
  LayerHooksRegister();
  DataUiSet(DataUi());
  MemShutdown(true);
  MemConfigure(stringSlots, 64);
  ASSERT_EQ(MemInit(), 0);
  ErrClear();
}

void RuntimeTearDown() {
  // A module that closes a descriptor number it had closed already closes
  // whatever holds that number now (a pipe, another module's file).
  host::StaleCloses stale = host::StaleClosesGet();
  EXPECT_EQ(stale.count, 0u) << "descriptor " << stale.lastFd << " closed again after its close";
  host::StaleClosesClear();
  MemShutdown(true);
  ErrClear();
}

void RuntimeStaleClear() { host::StaleClosesClear(); }

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "kxtest.XXXXXX").string();
  char* p = mkdtemp(tmpl.data());
  path_ = p ? p : "";
}

TempDir::~TempDir() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}
