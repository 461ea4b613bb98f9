// Window-system vocabulary: handles, messages, keys, styles and answers.
//
// The numbers here are the ones the screens, the message boxes and the
// serial poll compute with (message ids, notification codes, virtual keys,
// box types and answers, scroll requests, style bits, the private messages
// 0x88E0/0x88E1), so they keep their usual values. Everything else in the
// layer (ui.h) is written in terms of these types.
//
// Texts are single-byte CP1252 strings held in std::string; only a terminal
// back end converts them for display.
#pragma once
#include <cstdint>

namespace ui {

// Handles are opaque 32-bit numbers, 0 = none. Each kind counts from its own
// base in creation order and a number is never reused within a run, so a
// stale handle is simply not found (operations on it fail safely).
using Hwnd = uint32_t;
using Hmenu = uint32_t;
using Hfont = uint32_t;
using Hbitmap = uint32_t;

using Msg = uint32_t;
using WParam = uintptr_t;
using LParam = intptr_t;
using LResult = intptr_t;

using WndProc = LResult (*)(Hwnd, Msg, WParam, LParam);
// A timer callback replaces WM_TIMER dispatch for timers set with one.
using TimerProc = void (*)(Hwnd, Msg, uintptr_t id, uint64_t nowMs);

struct Point {
  int x = 0;
  int y = 0;
};

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  bool operator==(const Rect&) const = default;
};

struct Message {
  Hwnd hwnd = 0;
  Msg msg = 0;
  WParam wp = 0;
  LParam lp = 0;
};

constexpr uint16_t LoWord(uintptr_t v) { return static_cast<uint16_t>(v & 0xFFFF); }
constexpr uint16_t HiWord(uintptr_t v) { return static_cast<uint16_t>((v >> 16) & 0xFFFF); }
constexpr uintptr_t MakeLong(uint16_t lo, uint16_t hi) {
  return static_cast<uintptr_t>(lo) | (static_cast<uintptr_t>(hi) << 16);
}

// ---- Messages ---------------------------------------------------------------
constexpr Msg WM_NULL = 0x0000;
constexpr Msg WM_CREATE = 0x0001;
constexpr Msg WM_DESTROY = 0x0002;
constexpr Msg WM_SETFOCUS = 0x0007;  // wp = window that lost the focus
constexpr Msg WM_KILLFOCUS = 0x0008; // wp = window that gets the focus
constexpr Msg WM_PAINT = 0x000F;
constexpr Msg WM_CLOSE = 0x0010;
constexpr Msg WM_QUIT = 0x0012;      // wp = exit code
constexpr Msg WM_VKEYTOITEM = 0x002E;
constexpr Msg WM_SETFONT = 0x0030;   // wp = font, lp = redraw
constexpr Msg WM_GETFONT = 0x0031;
constexpr Msg WM_NOTIFY = 0x004E;    // wp = control id, lp = NotifyHeader*
constexpr Msg WM_KEYDOWN = 0x0100;   // wp = virtual key, lp = key flags below
constexpr Msg WM_KEYUP = 0x0101;
constexpr Msg WM_CHAR = 0x0102;      // wp = CP1252 character
constexpr Msg WM_COMMAND = 0x0111;   // wp = id | notification << 16, lp = control
constexpr Msg WM_TIMER = 0x0113;     // wp = timer id, lp = callback or 0
constexpr Msg WM_HSCROLL = 0x0114;   // wp = request | position << 16
constexpr Msg WM_VSCROLL = 0x0115;
constexpr Msg WM_LBUTTONDOWN = 0x0201;  // lp = x | y << 16, client coordinates
constexpr Msg WM_LBUTTONUP = 0x0202;
constexpr Msg WM_LBUTTONDBLCLK = 0x0203;
constexpr Msg WM_RBUTTONDOWN = 0x0204;
constexpr Msg WM_RBUTTONUP = 0x0205;
constexpr Msg WM_USER = 0x0400;
constexpr Msg PBM_SETRANGE = 0x0401;  // lp = low | high << 16
constexpr Msg PBM_SETPOS = 0x0402;    // wp = position
constexpr Msg MSG_DEVICE_DATA = 0x88E0;  // wp = port slot, lp = bytes queued
constexpr Msg MSG_SCAN_FIELD = 0x88E1;   // scanned text waiting for the field

// Key message flags (lp of WM_KEYDOWN / WM_KEYUP / WM_CHAR): the modifier
// state at the time of the key, so a handler never depends on having seen
// the modifier's own key messages.
constexpr LParam KEY_SHIFT = 0x01;
constexpr LParam KEY_CTRL = 0x02;
constexpr LParam KEY_ALT = 0x04;
constexpr LParam KEY_HAS_CHAR = 0x100;  // bits 16-23 hold the typed character
constexpr LParam KeyFlags(LParam mods, int ch) {
  return ch < 0 ? mods : (mods | KEY_HAS_CHAR | (static_cast<LParam>(ch & 0xFF) << 16));
}

// ---- Notification codes -----------------------------------------------------
constexpr uint16_t BN_CLICKED = 0;
constexpr uint16_t LBN_SELCHANGE = 1;
constexpr uint16_t LBN_DBLCLK = 2;
constexpr uint16_t CBN_SELCHANGE = 1;
constexpr uint16_t CBN_SELENDOK = 9;

constexpr int NM_CLICK = -2;
constexpr int NM_DBLCLK = -3;
constexpr int NM_RETURN = -4;
constexpr int NM_RCLICK = -5;
constexpr int NM_SETFOCUS = -7;
constexpr int NM_KILLFOCUS = -8;
constexpr int LVN_ITEMCHANGED = -101;
constexpr int LVN_KEYDOWN = -155;

// WM_NOTIFY payloads (lp points at one of these for the duration of the send).
struct NotifyHeader {
  Hwnd from = 0;
  uintptr_t id = 0;
  int code = 0;
};
struct NotifyKey {  // LVN_KEYDOWN; a non-zero answer stops the list view's own handling
  NotifyHeader hdr;
  uint16_t vk = 0;
  LParam flags = 0;
};
struct NotifyItem {  // NM_CLICK, NM_DBLCLK, NM_RCLICK, NM_RETURN, LVN_ITEMCHANGED
  NotifyHeader hdr;
  int item = -1;
  int subItem = 0;
  uint32_t newState = 0;
  uint32_t oldState = 0;
  Point pt;
};

// ---- Virtual keys -----------------------------------------------------------
constexpr uint16_t VK_BACK = 8;
constexpr uint16_t VK_TAB = 9;
constexpr uint16_t VK_RETURN = 13;
constexpr uint16_t VK_SHIFT = 16;
constexpr uint16_t VK_CONTROL = 17;
constexpr uint16_t VK_MENU = 18;  // Alt
constexpr uint16_t VK_ESCAPE = 27;
constexpr uint16_t VK_SPACE = 32;
constexpr uint16_t VK_PRIOR = 33;  // PgUp
constexpr uint16_t VK_NEXT = 34;   // PgDn
constexpr uint16_t VK_END = 35;
constexpr uint16_t VK_HOME = 36;
constexpr uint16_t VK_LEFT = 37;
constexpr uint16_t VK_UP = 38;
constexpr uint16_t VK_RIGHT = 39;
constexpr uint16_t VK_DOWN = 40;
constexpr uint16_t VK_INSERT = 45;
constexpr uint16_t VK_DELETE = 46;
constexpr uint16_t VK_F1 = 112;    // F1-F12 are 112-123
constexpr uint16_t VK_F11 = 122;
constexpr uint16_t VK_F12 = 123;
constexpr uint16_t VK_OEM_CLOSE_BRACKET = 0xDD;  // with Ctrl it types 29 (GS)
constexpr uint16_t VK_EF = 0xEF;   // the extra key of the key-class table

// ---- Styles -----------------------------------------------------------------
constexpr uint32_t WS_OVERLAPPED = 0x00000000;
constexpr uint32_t WS_POPUP = 0x80000000;
constexpr uint32_t WS_CHILD = 0x40000000;
constexpr uint32_t WS_VISIBLE = 0x10000000;
constexpr uint32_t WS_DISABLED = 0x08000000;
constexpr uint32_t WS_CAPTION = 0x00C00000;  // border + dialog frame
constexpr uint32_t WS_BORDER = 0x00800000;
constexpr uint32_t WS_DLGFRAME = 0x00400000;
constexpr uint32_t WS_VSCROLL = 0x00200000;
constexpr uint32_t WS_HSCROLL = 0x00100000;
constexpr uint32_t WS_SYSMENU = 0x00080000;
constexpr uint32_t WS_THICKFRAME = 0x00040000;
constexpr uint32_t WS_MINIMIZEBOX = 0x00020000;
constexpr uint32_t WS_TABSTOP = 0x00010000;

constexpr uint32_t WS_EX_DLGMODALFRAME = 0x00000001;
constexpr uint32_t WS_EX_TOPMOST = 0x00000008;     // stays above the other top-level windows
constexpr uint32_t WS_EX_CLIENTEDGE = 0x00000200;
constexpr uint32_t WS_EX_NOACTIVATE = 0x08000000;  // shown without taking the focus; never the active window

constexpr uint32_t ES_RIGHT = 0x0002;
constexpr uint32_t ES_MULTILINE = 0x0004;
constexpr uint32_t ES_PASSWORD = 0x0020;
constexpr uint32_t ES_AUTOVSCROLL = 0x0040;
constexpr uint32_t ES_AUTOHSCROLL = 0x0080;
constexpr uint32_t ES_READONLY = 0x0800;
constexpr uint32_t ES_WANTRETURN = 0x1000;
constexpr uint32_t ES_NUMBER = 0x2000;

constexpr uint32_t BS_PUSHBUTTON = 0x0;
constexpr uint32_t BS_CHECKBOX = 0x2;      // the owner decides the check
constexpr uint32_t BS_AUTOCHECKBOX = 0x3;  // toggles itself on a click
constexpr uint32_t BS_OWNERDRAW = 0xB;
constexpr uint32_t BS_TYPEMASK = 0xF;
constexpr uint32_t BS_BITMAP = 0x80;

constexpr uint32_t SS_RIGHT = 0x2;
constexpr uint32_t SS_BITMAP = 0xE;
constexpr uint32_t SS_CENTERIMAGE = 0x200;
constexpr uint32_t SS_SUNKEN = 0x1000;

constexpr uint32_t LBS_NOTIFY = 0x0001;
constexpr uint32_t LBS_WANTKEYBOARDINPUT = 0x0400;

constexpr uint32_t CBS_SIMPLE = 0x1;
constexpr uint32_t CBS_DROPDOWN = 0x2;

constexpr uint32_t PBS_SMOOTH = 0x1;

constexpr uint32_t LVS_REPORT = 0x1;
constexpr uint32_t LVS_SINGLESEL = 0x4;

// List-view extended styles (lv_set_ext).
constexpr uint32_t LVS_EX_GRIDLINES = 0x01;
constexpr uint32_t LVS_EX_HEADERDRAGDROP = 0x10;
constexpr uint32_t LVS_EX_FULLROWSELECT = 0x20;

// ---- Message boxes ----------------------------------------------------------
constexpr uint32_t MB_OK = 0x0;
constexpr uint32_t MB_OKCANCEL = 0x1;
constexpr uint32_t MB_ABORTRETRYIGNORE = 0x2;
constexpr uint32_t MB_YESNOCANCEL = 0x3;
constexpr uint32_t MB_YESNO = 0x4;
constexpr uint32_t MB_RETRYCANCEL = 0x5;
constexpr uint32_t MB_TYPEMASK = 0xF;
constexpr uint32_t MB_ICONSTOP = 0x10;
constexpr uint32_t MB_ICONQUESTION = 0x20;
constexpr uint32_t MB_ICONEXCLAMATION = 0x30;
constexpr uint32_t MB_ICONINFORMATION = 0x40;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// ---- Scroll bars ------------------------------------------------------------
constexpr int SB_HORZ = 0;
constexpr int SB_VERT = 1;

constexpr uint16_t SB_LINEUP = 0;
constexpr uint16_t SB_LINEDOWN = 1;
constexpr uint16_t SB_PAGEUP = 2;
constexpr uint16_t SB_PAGEDOWN = 3;
constexpr uint16_t SB_THUMBPOSITION = 4;
constexpr uint16_t SB_THUMBTRACK = 5;
constexpr uint16_t SB_TOP = 6;
constexpr uint16_t SB_BOTTOM = 7;
constexpr uint16_t SB_ENDSCROLL = 8;

// ---- List-view item states --------------------------------------------------
constexpr uint32_t LVIS_FOCUSED = 0x1;
constexpr uint32_t LVIS_SELECTED = 0x2;

}  // namespace ui
