#include "platform/dialogs/filedialog.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// The NUL-separated filter as caption/pattern pairs; a caption without a
// pattern is dropped.
std::vector<ui::DialogFilter> FilterPairs(const std::string& filter) {
  std::vector<ui::DialogFilter> pairs;
  std::vector<std::string> parts;
  for (size_t pos = 0; pos < filter.size();) {
    size_t end = filter.find('\0', pos);
    if (end == std::string::npos) end = filter.size();
    if (end == pos) break;  // the closing NUL
    parts.emplace_back(filter, pos, end - pos);
    pos = end + 1;
  }
  for (size_t i = 0; i + 1 < parts.size(); i += 2) pairs.push_back({parts[i], parts[i + 1]});
  return pairs;
}

void CopyCut(char* buf, std::string_view text) {
  size_t n = std::min(text.size(), kFileDialogBuffer - 1);
  std::memcpy(buf, text.data(), n);
  buf[n] = '\0';
}

}  // namespace

void FileDialogFill(FileDialogRecord& rec, bool save, std::string_view defaultExt, std::string_view initial,
                    std::string_view filter, std::string_view title) {
  rec.save = save;
  rec.filter.assign(filter);
  for (char& c : rec.filter)
    if (c == ',') c = '\0';
  rec.filter.push_back('\0');
  rec.filter.push_back('\0');
  CopyCut(rec.file, initial);
  rec.defaultExt.assign(defaultExt);
  rec.title.assign(title);
  rec.flags = OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ENABLESIZING;
}

FileDialogAnswer FileDialogRun(FileDialogRecord& rec) {
  ui::DialogRequest req;
  req.kind = rec.save ? ui::DialogKind::Save : ui::DialogKind::Open;
  req.title = rec.title;
  req.filters = FilterPairs(rec.filter);
  req.initial = rec.file;
  req.defaultExt = rec.defaultExt;
  std::string path;
  if (!ui::path_dialog(ui::active_window(), req, path)) return kFileDialogCancelled;
  if (path.size() >= kFileDialogBuffer || path.find('\0') != std::string::npos) return kFileDialogTooLong;
  CopyCut(rec.file, path);
  return kFileDialogChosen;
}

void BrowseFolderCallback(ui::DialogRequest& request, int notice, std::string_view initial) {
  if (notice == BFFM_INITIALIZED) request.initial.assign(initial);
}

std::string BrowseFolder(ui::Hwnd owner, std::string_view initial, std::string_view title) {
  ui::DialogRequest req;
  req.kind = ui::DialogKind::Folder;
  req.title.assign(title);
  BrowseFolderCallback(req, BFFM_INITIALIZED, initial);
  std::string path;
  return ui::path_dialog(owner, req, path) ? path : std::string();
}
