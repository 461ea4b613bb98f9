// File and folder dialogs: the record the framework fills for a file dialog
// and the folder chooser, over the window system's modal path dialog
// (platform/ui/ui.h path_dialog). Headless runs answer them from the UI
// script (`dialog "path"`, SCRIPT.md); the terminal back end asks a person.
//
// The record keeps the shape the framework's callers rely on: the filter as
// caption/pattern pairs separated by NUL bytes and ended by one more NUL, a
// file buffer of 384 bytes that holds the initial name and receives the
// choice, a default extension, a title and the dialog flags. The buffer is
// never overrun: an initial name is cut to fit, a chosen path that does not
// fit is refused (kFileDialogTooLong) and the buffer keeps the initial name.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ui/ui.h"

constexpr size_t kFileDialogBuffer = 384;  // with its terminating NUL

// Dialog flags the framework always sets (their values elsewhere).
constexpr uint32_t OFN_HIDEREADONLY = 0x00000004;
constexpr uint32_t OFN_EXPLORER = 0x00080000;
constexpr uint32_t OFN_ENABLESIZING = 0x00800000;

struct FileDialogRecord {
  bool save = false;
  std::string filter;  // "caption\0pattern\0...\0\0"
  char file[kFileDialogBuffer] = {};
  std::string defaultExt;
  std::string title;
  uint32_t flags = 0;
};

// FileDialogRun's answers.
enum FileDialogAnswer { kFileDialogCancelled = 0, kFileDialogChosen = 1, kFileDialogTooLong = 2 };

// Fills the record: the filter's commas become NUL bytes and one more NUL
// ends it; the initial name is copied into the file buffer; the flags are
// OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ENABLESIZING.
void FileDialogFill(FileDialogRecord& rec, bool save, std::string_view defaultExt, std::string_view initial,
                    std::string_view filter, std::string_view title);
// Runs the open or save dialog owned by the active window; on a choice the
// file buffer holds the chosen path.
FileDialogAnswer FileDialogRun(FileDialogRecord& rec);

// The folder chooser: the chosen folder, empty when cancelled. `initial` is
// selected when the chooser starts (BrowseFolderCallback).
std::string BrowseFolder(ui::Hwnd owner, std::string_view initial, std::string_view title);
// The chooser's start-up notice (BFFM_INITIALIZED) selects the initial
// folder; other notices change nothing.
constexpr int BFFM_INITIALIZED = 1;
void BrowseFolderCallback(ui::DialogRequest& request, int notice, std::string_view initial);
