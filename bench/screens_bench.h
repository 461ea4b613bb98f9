// The start of a benchmark that drives screens headless: memory, system
// variables, task hooks, the headless window system (stalls cancel), the
// window, font, geometry and grid tables, and the application identity and
// default directory. False when the system variables cannot be set up.
#pragma once
#include <chrono>
#include <fstream>
#include <memory>
#include <string>

#include "data/store/datafile.h"
#include "data/store/recbuf.h"
#include "platform/ui/headless.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/memory.h"
#include "runtime/strvalue.h"
#include "runtime/sysvars.h"
#include "screens/window/fonttable.h"
#include "screens/window/geometry.h"
#include "screens/grids/gridview.h"
#include "screens/grids/linsgrid.h"
#include "screens/window/winlist.h"
#include "screens/window/winrecord.h"
#include "script/taskhooks.h"
#include "script/variables.h"

inline bool BenchScreensStart(const std::string& dir, const char* identity) {
  MemShutdown(true);
  MemConfigure(512, -1);
  if (VarSysInit() != 0) return false;
  TaskHooksReset();
  ui::HeadlessOptions o;
  o.stall = ui::StallPolicy::Cancel;
  ui::init(std::make_unique<ui::Headless>(std::move(o)));
  WinListReset();
  FontTableReset();
  TextWinGeomReset();
  GridViewReset();
  LinsGridReset();
  DynStrSet(SettingsList, SetIdentityItem, StrFromC(identity));
  DynStrSet(SettingsList, SetDefaultDirItem, StrFromView(dir));
  return true;
}

// Closes the record, the grids, the data files and the window system.
inline void BenchScreensStop() {
  WinRecordClose(-1);
  LinsGridClose(0);
  DataFileCloseAll();
  ui::shutdown();
  WinListReset();
}

// Inserts a record of the file from its image.
inline bool BenchRecordAdd(int file, const std::string& image) {
  const StrAreaScope scope;
  DataFileMove(file, 0x01);
  RecBufSet(file, kRecCurrent, StrFromView(image));
  return DataFileInsert(file) < 128;
}

using Clock = std::chrono::steady_clock;
inline double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }
// The text blank-filled or cut to n; the number right-aligned in n.
inline std::string Pad(std::string s, size_t n) { return s.append(n > s.size() ? n - s.size() : 0, ' ').substr(0, n); }
inline std::string Num(long v, size_t n) {
  std::string s = std::to_string(v);
  return std::string(n > s.size() ? n - s.size() : 0, ' ') + s;
}
inline void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}
