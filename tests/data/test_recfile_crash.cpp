// A writer killed in the middle of a run of inserts leaves files that open
// either consistent (and then hold every record they list) or refused with
// 130, never silently wrong.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "store_fixture.h"

namespace {

class CrashTest : public StoreTest {
 protected:
  // Inserts, saving the index every 50 records, until killed; with
  // a stop count it saves after that many, tells the parent and waits.
  [[noreturn]] void Writer(int stopAfter, int tell) {
    for (int i = 0;; ++i) {
      if (i == stopAfter) {
        if (store.Save() != 0 || write(tell, "s", 1) != 1) _exit(4);
        for (;;) pause();
      }
      store.Move(dfmove::kNew);
      SetCur(Img("K" + std::to_string(i), "N" + std::to_string(i % 7)));
      if (store.Insert() >= 128) _exit(3);
      if (i % 50 == 49 && store.Save() != 0) _exit(4);
    }
  }
};

TEST_F(CrashTest, KilledWriterLeavesFilesConsistentOrRefused) {
  int consistent = 0, refused = 0;
  for (int round = 0; round < 8; ++round) {
    SCOPED_TRACE(round);
    recio::Remove(DataPath());
    recio::Remove(IndexPath());
    ASSERT_EQ(Open(), dfres::kEnd);
    int pipeFd[2];
    ASSERT_EQ(pipe(pipeFd), 0);
    bool idle = round % 2 == 1;  // killed while idle after a save, or mid-run
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) Writer(idle ? 30 * round : -1, pipeFd[1]);
    char c = 0;
    if (idle) {
      ASSERT_EQ(read(pipeFd[0], &c, 1), 1);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(20 + 15 * round));
    }
    kill(pid, SIGKILL);
    close(pipeFd[0]);
    close(pipeFd[1]);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "writer ended by itself: " << status;
    store.Close();  // the parent's own open, still empty, is closed without saving
    Status s = Open();
    if (s == st::DISKIO) {
      ++refused;
      EXPECT_NE(RecFileCheck(Spec()), "");
      continue;
    }
    ASSERT_LT(s, 3);
    ++consistent;
    if (idle) {
      EXPECT_EQ(store.File().Live(), 30u * round);
    }
    EXPECT_EQ(RecFileCheck(Spec()), "");
    std::string order = Order(1);
    size_t listed = order.empty() ? 0 : std::count(order.begin(), order.end(), ',') + 1;
    EXPECT_EQ(listed, store.File().Live());
    store.Close();
  }
  EXPECT_GE(consistent, 4);
  EXPECT_EQ(consistent + refused, 8);
}

}  // namespace
