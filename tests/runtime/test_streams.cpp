#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/host/files.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/streams.h"
#include "support/runtime_fixture.h"

namespace {

StrValue S(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }

void WriteRaw(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadRaw(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

uint32_t Recorded(Status code, uint16_t module) { return code | (static_cast<uint32_t>(module) << 16); }

class StreamTest : public RuntimeTest {
 protected:
  void TearDown() override {
    StreamCloseAll();
    host::FaultClear();
    ErrDetailSet(0, S(""), false);
    RuntimeTest::TearDown();
  }
  std::string File(const std::string& name) { return dir.File(name); }
  TempDir dir;
};

// One file with every kind of line end, a CR LF split by the 512-byte read
// unit, a line too long for any string, a Ctrl-Z line and a last line
// without an end.
TEST_F(StreamTest, LinesComeBackExactlyWhateverTheirEnds) {
  // 511 bytes and a CR fill one 512-byte read; the LF comes with the next.
  std::string lead(511, 'p');
  std::string bytes = "crlf\r\nlf\ncr\r" + lead + "\r\n" + "\x1a\r\n" + "after\n" +
                      std::string(70000, 'L') + "\r\n" + "\r\n" + "last\x1a";
  WriteRaw(File("lines.txt"), bytes + "\n\x1a");
  uint16_t slot = StreamOpen(S(File("lines.txt")), kStreamReadOnly);
  ASSERT_LT(slot, kStreamSlots);
  std::vector<std::string> got;
  std::vector<Status> codes;
  for (int k = 0; k < 12; ++k) {
    uint16_t mark = StrAreaMark(-1);
    StrValue line = StreamReadLine(slot, kStreamHere);
    if (line.IsError()) codes.push_back(StrError(line));
    else got.push_back(line.Str());
    StrAreaMark(mark);
    if (StrError(line) == st::DISKIO) break;
  }
  EXPECT_EQ(got, (std::vector<std::string>{"crlf", "lf", "cr", lead, "after", "", "last\x1a"}));
  EXPECT_EQ(codes, (std::vector<Status>{st::STRINGTOOLONG, st::DISKIO}));
  EXPECT_EQ(ErrGet(), Recorded(st::STRINGTOOLONG, MOD_STREAMS));
  EXPECT_NE(ErrDetail().Str().find("lines.txt"), std::string::npos);
}

TEST_F(StreamTest, FixedBufferLineReadsStayInStep) {
  WriteRaw(File("b.txt"), "short\r\nmuch too long for the buffer\r\nnext");
  uint16_t slot = StreamOpen(S(File("b.txt")), kStreamReadOnly);
  char buf[8];
  EXPECT_EQ(StreamRead(slot, kStreamHere, kStreamLine, buf, 8), 5u);
  EXPECT_EQ(std::string(buf, 5), "short");
  EXPECT_EQ(StreamRead(slot, kStreamHere, kStreamLine, buf, 8), kStreamFail);
  EXPECT_EQ(StreamRead(slot, kStreamHere, kStreamLine, buf, 8), 4u);
  EXPECT_EQ(std::string(buf, 4), "next");
  EXPECT_TRUE(StreamAtEnd(slot));
  EXPECT_EQ(StreamRead(slot, kStreamHere, kStreamLine, buf, 8), kStreamFail);
  EXPECT_EQ(StreamRead(slot, 7, 4, buf, 8), 4u);  // fixed length at a position
  EXPECT_EQ(std::string(buf, 4), "much");
  EXPECT_EQ(StreamTell(slot), 11);
  EXPECT_EQ(StreamRead(slot, 40, 4, buf, 8), kStreamFail);  // fewer bytes than asked
  EXPECT_EQ(StreamRead(slot, 0, 9, buf, 8), kStreamFail);   // more than the buffer holds
}

TEST_F(StreamTest, OpeningRules) {
  struct Case {
    const char* id;
    std::string name;
    uint16_t flags;
    uint16_t result;
    uint32_t recorded;
  } cases[] = {
      {"empty name", "", 0, 65535, Recorded(st::BADINPUTDATA, MOD_STREAMS)},
      {"384 characters", File(std::string(384, 'n')), 0, 65535, Recorded(st::BADINPUTDATA, MOD_STREAMS)},
      {"missing, read only", File("missing.txt"), kStreamReadOnly, 65535, Recorded(st::FILENOTFOUND, MOD_STREAMS)},
      {"missing, quiet", File("missing.txt"), kStreamReadOnly | kStreamQuiet, st::FILENOTFOUND, 0},
      {"console for writing", "CON", kStreamWrite, 1, 0},
      {"console otherwise", "con", kStreamReadOnly, 0, 0},
  };
  for (const Case& c : cases) {
    ErrClear();
    EXPECT_EQ(StreamOpen(S(c.name), c.flags), c.result) << c.id;
    EXPECT_EQ(ErrGet(), c.recorded) << c.id;
  }
  EXPECT_NE(ErrDetail().Str().find("missing.txt"), std::string::npos);
  EXPECT_FALSE(host::Exists(File("missing.txt")));
}

TEST_F(StreamTest, OpeningCreatesMissingFilesButNeverTruncatesUnlessAsked) {
  uint16_t slot = StreamOpen(S(File("new.txt")), 0);
  ASSERT_LT(slot, kStreamSlots);
  EXPECT_EQ(StreamSize(slot), 0);
  EXPECT_EQ(StreamWriteStr(slot, 0, S("content")), 0);
  StreamClose(slot);
  for (int flags : {0, 4, 8, 12}) {  // read/write, append, read only, append read only
    slot = StreamOpen(S(File("new.txt")), static_cast<uint16_t>(flags));
    EXPECT_EQ(StreamSize(slot), 7) << flags;
    StreamClose(slot);
  }
  slot = StreamOpen(S(File("new.txt")), kStreamWrite);
  EXPECT_EQ(StreamSize(slot), 0);
}

TEST_F(StreamTest, ThirtySevenFilesFitTheThirtyEighthDoesNot) {
  for (int k = 0; k < 37; ++k) ASSERT_EQ(StreamOpen(S(File("f" + std::to_string(k))), 0), 3 + k);
  EXPECT_EQ(StreamFreeSlot(), 65535);
  EXPECT_EQ(StreamOpen(S(File("one-more")), kStreamQuiet), st::DATAOUTBOUND);
  EXPECT_EQ(StreamOpen(S(File("one-more")), 0), 65535);
  EXPECT_EQ(ErrGet(), Recorded(st::DATAOUTBOUND, MOD_STREAMS));
  EXPECT_EQ(StreamClose(20), 0);
  EXPECT_EQ(StreamFreeSlot(), 20);
}

TEST_F(StreamTest, EveryOperationOnAnEmptySlotAnswersAnError) {
  uint16_t closed = StreamOpen(S(File("c.txt")), 0);
  ASSERT_EQ(StreamClose(closed), 0);
  char buf[4];
  for (uint16_t slot : {closed, uint16_t{kStreamSlots}, uint16_t{65535}}) {
    EXPECT_EQ(StreamRead(slot, kStreamHere, 1, buf, 4), kStreamFail) << slot;
    EXPECT_EQ(StreamRead(slot, kStreamHere, kStreamLine, buf, 4), kStreamFail) << slot;
    EXPECT_EQ(StrError(StreamReadLine(slot, kStreamHere)), st::BADFILENUMBER) << slot;
    EXPECT_EQ(StreamWrite(slot, 0, "x", 1), kStreamFail) << slot;
    EXPECT_EQ(StreamSeek(slot, 0), st::DISKIO) << slot;
    EXPECT_EQ(StreamTell(slot), -1) << slot;
    EXPECT_EQ(StreamSize(slot), -1) << slot;
    EXPECT_TRUE(StreamAtEnd(slot)) << slot;
    EXPECT_EQ(StreamSync(slot), st::BADFILENUMBER) << slot;
    EXPECT_EQ(StreamClose(slot), st::BADFILENUMBER) << slot;
    EXPECT_EQ(StreamGet(slot), -1) << slot;
  }
  EXPECT_EQ(StreamClose(1), 0);  // the standard streams stay open
  EXPECT_EQ(StreamGet(1), 1);
  EXPECT_EQ(StreamSize(1), -1);
}

// Positions are not 16-bit: 65535 is an offset like any other.
TEST_F(StreamTest, WritesLandAtWidePositionsOrAppend) {
  uint16_t slot = StreamOpen(S(File("w.dat")), 0);
  EXPECT_EQ(StreamWrite(slot, 65535, "A", 1), 1u);
  EXPECT_EQ(StreamSize(slot), 65536);
  EXPECT_EQ(StreamWrite(slot, kStreamHere, "BC", 2), 2u);
  EXPECT_EQ(StreamWrite(slot, 70000, "D", 1), 1u);
  EXPECT_EQ(StreamWrite(slot, 0, nullptr, 1), kStreamFail);
  EXPECT_EQ(StreamWriteStr(slot, 0, StrErr(st::STRINGTOOLONG)), st::STRINGTOOLONG);
  EXPECT_EQ(StreamSync(slot), 0);
  char buf[3];
  ASSERT_EQ(StreamRead(slot, 65535, 3, buf, 3), 3u);
  EXPECT_EQ(std::string(buf, 3), "ABC");
  EXPECT_EQ(StreamSeek(slot, 70000), 0);
  ASSERT_EQ(StreamRead(slot, kStreamHere, 1, buf, 1), 1u);
  EXPECT_EQ(buf[0], 'D');
  EXPECT_TRUE(StreamAtEnd(slot));
}

// Writes to a file opened to write or append are gathered and reach the
// disk in few calls, at a close, a sync, a full buffer, or before any read,
// size or other slot's use; the bytes on disk are those written one by one.
TEST_F(StreamTest, SequentialWritesAreGatheredAndLandBeforeAnyRead) {
  std::string f = File("out.txt"), want;
  uint16_t out = StreamOpen(S(f), kStreamWrite);
  host::FaultClear();
  for (int i = 0; i < 5000; ++i) {
    std::string line = "line " + std::to_string(i) + "\r\n";
    ASSERT_EQ(StreamWrite(out, kStreamHere, line.data(), static_cast<uint32_t>(line.size())), line.size());
    want += line;
    EXPECT_EQ(StreamTell(out), static_cast<int64_t>(want.size()));
  }
  EXPECT_LT(host::FaultCalls(host::FaultOp::Write), 5u);
  EXPECT_EQ(StreamSize(out), static_cast<int64_t>(want.size()));
  ASSERT_EQ(StreamWrite(out, kStreamHere, "tail", 4), 4u);
  want += "tail";
  uint16_t in = StreamOpen(S(f), kStreamReadOnly);
  std::vector<char> back(want.size());
  ASSERT_EQ(StreamRead(in, 0, static_cast<uint32_t>(back.size()), back.data(), static_cast<uint32_t>(back.size())),
            want.size());
  EXPECT_EQ(std::string(back.begin(), back.end()), want);
  ASSERT_EQ(StreamWrite(out, 2, "NE", 2), 2u);  // an overwrite in the middle
  want.replace(2, 2, "NE");
  EXPECT_EQ(StreamClose(out), 0);
  EXPECT_EQ(ReadRaw(f), want);

  // Two slots appending to one file alternately keep the order of the writes.
  std::string g = File("both.txt");
  uint16_t a = StreamOpen(S(g), kStreamAppend), b = StreamOpen(S(g), kStreamAppend);
  std::string order;
  for (int i = 0; i < 50; ++i) {
    std::string x = "a" + std::to_string(i) + ";", y = "b" + std::to_string(i) + ";";
    ASSERT_EQ(StreamWrite(a, kStreamHere, x.data(), static_cast<uint32_t>(x.size())), x.size());
    if (i % 3 == 0) {
      ASSERT_EQ(StreamWrite(b, kStreamHere, y.data(), static_cast<uint32_t>(y.size())), y.size());
    }
    order += x + (i % 3 == 0 ? y : "");
  }
  EXPECT_EQ(StreamClose(a), 0);
  EXPECT_EQ(StreamClose(b), 0);
  EXPECT_EQ(ReadRaw(g), order);

  // The first write goes to disk at once (an output that takes nothing fails
  // there); a gathered write that fails when it goes to disk is reported by
  // the close.
  uint16_t c = StreamOpen(S(File("fail.txt")), kStreamWrite);
  host::FaultArm(host::FaultOp::Write, 1, ENOSPC);
  EXPECT_EQ(StreamWrite(c, kStreamHere, "x", 1), kStreamFail);
  host::FaultClear();
  ASSERT_EQ(StreamWrite(c, kStreamHere, "x", 1), 1u);
  ASSERT_EQ(StreamWrite(c, kStreamHere, "y", 1), 1u);
  host::FaultArm(host::FaultOp::Write, 1, ENOSPC);
  EXPECT_EQ(StreamClose(c), st::DISKIO);
}

TEST_F(StreamTest, WriteAtOffsetsAppendReplaceOrOverwrite) {
  struct Case {
    const char* id;
    int64_t offset;
    std::string text;
    Status result;
    std::string after;
  } cases[] = {
      {"append", kStreamHere, "++", 0, "0123456789++"},
      {"overwrite inside", 3, "ab", 0, "012ab56789"},
      {"replace shorter", kStreamReplace, "new", 0, "new"},
      {"replace with nothing", kStreamReplace, "", 0, ""},
      {"nothing at an offset", 0, "", st::FILEIO, "0123456789"},
  };
  for (const Case& c : cases) {
    WriteRaw(File("t.txt"), "0123456789");
    EXPECT_EQ(FileWrite(S(File("t.txt")), c.offset, S(c.text)), c.result) << c.id;
    EXPECT_EQ(ReadRaw(File("t.txt")), c.after) << c.id;
  }
  EXPECT_EQ(FileWriteAt(S(File("created.txt")), 2, S("xy")), 2u);
  EXPECT_EQ(ReadRaw(File("created.txt")), std::string("\0\0xy", 4));
}

// A replacement goes through a new file renamed over the old one: any failed
// step leaves the old contents and no stray file.
TEST_F(StreamTest, FailedReplacementKeepsTheOldFile) {
  for (host::FaultOp op : {host::FaultOp::Open, host::FaultOp::Write, host::FaultOp::Sync, host::FaultOp::Rename}) {
    WriteRaw(File("keep.txt"), "old contents");
    host::FaultArm(op, 1, ENOSPC);
    EXPECT_EQ(FileWrite(S(File("keep.txt")), kStreamReplace, S("new")), st::FILEIO) << static_cast<int>(op);
    EXPECT_EQ(ReadRaw(File("keep.txt")), "old contents") << static_cast<int>(op);
    std::vector<std::string> names;
    host::List(dir.path() + "/*", &names);
    EXPECT_EQ(names, std::vector<std::string>{"keep.txt"}) << static_cast<int>(op);
  }
  host::FaultClear();
  EXPECT_EQ(FileWrite(S(File("keep.txt")), kStreamReplace, S("new")), 0);
  EXPECT_EQ(ReadRaw(File("keep.txt")), "new");
}

// A write that fails after part of its bytes (the disk filled up) leaves
// the file as it was: no torn tail after an append, neither overwritten nor
// stray bytes after a write at an offset, on a named file or an open stream.
TEST_F(StreamTest, AWriteThatFailsPartWayLeavesTheFileAsItWas) {
  const std::string text(63, 'x');
  struct Case {
    const char* id;
    int64_t offset;
    size_t through;  // bytes the failing write still puts down
    std::string after;
  } cases[] = {
      {"append, 62 of 63", kStreamHere, 62, "0123456789"},
      {"append, none", kStreamHere, 0, "0123456789"},
      {"over the end", 8, 40, "0123456789"},
      {"inside the file", 2, 5, "0123456789"},
      {"from the start, none", 0, 0, "0123456789"},
  };
  for (const Case& c : cases) {
    WriteRaw(File("w.txt"), "0123456789");
    host::FaultArmPartial(host::FaultOp::Write, 1, c.through, ENOSPC);
    EXPECT_EQ(FileWrite(S(File("w.txt")), c.offset, S(text)), st::FILEIO) << c.id;
    EXPECT_EQ(ReadRaw(File("w.txt")), c.after) << c.id;
  }
  WriteRaw(File("w.txt"), "0123456789");
  uint16_t slot = StreamOpen(S(File("w.txt")), kStreamAppend);
  ASSERT_NE(slot, kStreamNoSlot);
  host::FaultArmPartial(host::FaultOp::Write, 1, 5, ENOSPC);
  EXPECT_EQ(StreamWrite(slot, kStreamHere, text.data(), 63), kStreamFail);
  EXPECT_EQ(StreamSize(slot), 10);
  EXPECT_EQ(StreamWrite(slot, kStreamHere, "ab", 2), 2u);  // the next one lands where it should
  // Writes gathered after it that fail when they go to disk: cut back too.
  EXPECT_EQ(StreamWrite(slot, kStreamHere, "cd", 2), 2u);
  EXPECT_EQ(StreamWrite(slot, kStreamHere, "ef", 2), 2u);
  host::FaultArmPartial(host::FaultOp::Write, 1, 3, ENOSPC);
  EXPECT_EQ(StreamClose(slot), st::DISKIO);
  EXPECT_EQ(ReadRaw(File("w.txt")), "0123456789ab");
}

TEST_F(StreamTest, WholeFileReads) {
  WriteRaw(File("r.txt"), "a\r\nb\nc\r\n");
  EXPECT_EQ(FileRead(S(File("r.txt")), 0, kStreamToEnd).View(), "a\r\nb\nc\r\n");
  EXPECT_EQ(FileRead(S(File("r.txt")), 3, 2).View(), "b\n");
  EXPECT_EQ(FileRead(S(File("r.txt")), 3, 0).View(), "");
  EXPECT_EQ(StrError(FileRead(S(File("r.txt")), 6, 5)), st::NOTFOUND);  // fewer bytes
  EXPECT_EQ(FileReadJoined(S(File("r.txt")), S(" | ")).View(), "a | b | c | ");
  EXPECT_EQ(FileSize(S(File("r.txt"))), 8);
  char buf[2];
  EXPECT_EQ(FileReadAt(S(File("r.txt")), 4, 2, buf), 2u);
  EXPECT_EQ(std::string(buf, 2), "\nc");

  WriteRaw(File("big.txt"), std::string(70000, 'x'));
  EXPECT_EQ(StrError(FileRead(S(File("big.txt")), 0, kStreamToEnd)), st::STRINGTOOLONG);
  EXPECT_EQ(StrError(FileReadJoined(S(File("big.txt")), S(","))), st::STRINGTOOLONG);
  EXPECT_EQ(FileRead(S(File("big.txt")), 69990, kStreamToEnd).View(), std::string(10, 'x'));

  ErrClear();
  EXPECT_EQ(FileSize(S(File("none.txt"))), 0);
  EXPECT_EQ(ErrGet(), Recorded(st::FILENOTFOUND, MOD_STREAMS));
  EXPECT_EQ(StrError(FileRead(S(File("none.txt")), 0, kStreamToEnd)), st::FILENOTFOUND);
  EXPECT_EQ(StreamFreeSlot(), kStreamFirstFile);  // nothing left open
}

TEST_F(StreamTest, NamesInWindowsFormFindTheFile) {
  ASSERT_EQ(host::MakeDir(File("Data")), 0);
  WriteRaw(File("Data/Cust.TXT"), "x");
  std::string windows = "C:" + dir.path() + "\\DATA\\cust.txt";
  EXPECT_EQ(FileSize(S(windows)), 1);
  EXPECT_EQ(FileRename(S(windows), S(File("data\\Moved.txt"))), 0);
  EXPECT_EQ(ReadRaw(File("Data/Moved.txt")), "x");
  EXPECT_EQ(FileDelete(S(File("DATA/MOVED.TXT"))), 0);
  EXPECT_EQ(FileDelete(S(File("DATA/MOVED.TXT"))), st::NOTFOUND);
}

TEST_F(StreamTest, LoadingLinesIntoTheStoreUndoesItselfWhenFull) {
  ASSERT_EQ(DynStrInit(), 0);
  DynStrPush(FileLinesQueue, S("queued before"));
  WriteRaw(File("small.txt"), "one\r\ntwo\r\n");
  uint32_t queued = 0;
  ASSERT_EQ(FileLinesLoad(S(File("small.txt")), FileLinesQueue, &queued), 0);
  EXPECT_EQ(queued, 2u);
  EXPECT_EQ(DynStrCount(FileLinesQueue), 3u);
  EXPECT_EQ(DynStrGet(FileLinesQueue, 2).View(), "two");

  std::string big;
  for (int k = 0; k < 3000; ++k) big += "line " + std::to_string(k) + "\n";
  WriteRaw(File("big.txt"), big);
  EXPECT_EQ(FileLinesLoad(S(File("big.txt")), FileLinesQueue, &queued), st::STROUTBOUND);
  EXPECT_EQ(queued, 0u);
  EXPECT_EQ(DynStrCount(FileLinesQueue), 3u);
  EXPECT_EQ(DynStrTop(FileLinesQueue).View(), "queued before");
  EXPECT_NE(ErrDetail().Str().find("big.txt"), std::string::npos);
  EXPECT_TRUE(DynStrCheck());
  EXPECT_EQ(FileLinesLoad(S(File("none.txt")), FileLinesQueue, &queued), st::FILENOTFOUND);
}

}  // namespace
