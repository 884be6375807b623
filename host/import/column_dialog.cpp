// The column dialog on the dialog framework (column_dialog.h). Its state lives in
// one module-wide record while it runs: one column dialog is open at a time.
#include "host/import/column_dialog.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/dialog/combo_box.h"
#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/list_view.h"
#include "host/dialog/notify_codes.h"
#include "host/import/field_list.h"
#include "host/resources.h"

namespace dlist {
namespace {

// Message texts of the dialog.
constexpr int kTextDelimiter = 50100;
constexpr int kTextSkip = 50101;
constexpr int kTextColumns = 50102;
constexpr int kTextField = 50103;
constexpr int kTextPreview = 50104;
constexpr int kTextTab = 50105;
constexpr int kTextNone = 50106;
constexpr int kTextColumn = 50107;
constexpr int kTextFirstValue = 50108;
constexpr int kTextFieldTitle = 50109;
constexpr int kTextLine = 50110;
constexpr int kTextLineText = 50111;
constexpr int kTextHeader = 50112;
constexpr int kWarnDelimiter = 50113;
constexpr int kWarnNoColumn = 50114;
constexpr int kButtonOk = 36;
constexpr int kButtonCancel = 37;

// The most bytes read for the preview, however long the lines.
constexpr size_t kPreviewScan = size_t{1} << 20;
constexpr size_t kShownValue = 40;  // characters of a first value in the columns list

struct ColumnState {
  const FileImport* source = nullptr;
  std::vector<std::string> lines;  // the first lines of the file, without line breaks
  char delimiter = '\t';
  long skip = 0;
  int columns = 1;
  std::vector<int> assigned;  // per column: offered field index, -1 for none
  bool confirmed = false;
};

ColumnState* g_state = nullptr;

std::vector<std::string> split(const std::string& line, char delimiter) {
  std::vector<std::string> out(1);
  for (char c : line) {
    if (c == delimiter) {
      if (out.size() >= static_cast<size_t>(kMaxColumns)) break;
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

std::vector<std::string> read_preview(const char* path, bool* readable) {
  std::vector<std::string> lines;
  std::FILE* f = path != nullptr ? std::fopen(path, "rb") : nullptr;
  *readable = f != nullptr;
  if (f == nullptr) return lines;
  std::string line;
  bool cut = false;
  size_t scanned = 0;
  int c = 0;
  while (lines.size() < static_cast<size_t>(kPreviewLines) && scanned < kPreviewScan &&
         (c = std::fgetc(f)) != EOF) {
    ++scanned;
    if (c == '\n') {
      if (!cut && !line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
      line.clear();
      cut = false;
    } else if (line.size() < static_cast<size_t>(kPreviewLineBytes)) {
      line += static_cast<char>(c);
    } else {
      cut = true;
    }
  }
  if (c == EOF && !line.empty() && lines.size() < static_cast<size_t>(kPreviewLines)) {
    if (line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  std::fclose(f);
  return lines;
}

// The delimiter the first line suggests: the most frequent of tab ; , | (tab when none).
char guess_delimiter(const std::vector<std::string>& lines) {
  const char candidates[] = {'\t', ';', ',', '|'};
  char best = '\t';
  long most = 0;
  for (const std::string& line : lines) {
    if (line.empty()) continue;
    for (char d : candidates) {
      const long n = static_cast<long>(std::count(line.begin(), line.end(), d));
      if (n > most) {
        most = n;
        best = d;
      }
    }
    break;
  }
  return best;
}

// The delimiter a text of the delimiter combo names; 0 when it names none.
char delimiter_of(const std::string& text) {
  const std::string tab = load_string(kTextTab);
  if (text.size() == tab.size() && !tab.empty() &&
      std::equal(text.begin(), text.end(), tab.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
      })) {
    return '\t';
  }
  if (text.size() != 1 || text[0] == '\r' || text[0] == '\n' || text[0] == 0) return 0;
  return text[0];
}

int count_columns(const ColumnState& s) {
  int most = 0;
  for (int pass = 0; pass < 2 && most == 0; ++pass) {
    for (size_t i = pass == 0 ? static_cast<size_t>(s.skip) : 0; i < s.lines.size(); ++i) {
      most = std::max(most, static_cast<int>(split(s.lines[i], s.delimiter).size()));
    }
  }
  return std::clamp(most, 1, kMaxColumns);
}

std::string field_text(const ColumnState& s, int offered) {
  if (offered < 0) return load_string(kTextNone);
  return load_string(static_cast<unsigned>(s.source->GetTemp(offered).name));
}

void fill_preview(void* dialog, const ColumnState& s) {
  void* list = GetControlHWND(dialog, kColumnPreview);
  list_delete_all(list);
  for (size_t i = 0; i < s.lines.size(); ++i) {
    std::string number = std::to_string(i + 1);
    if (i < static_cast<size_t>(s.skip)) number += " (" + load_string(kTextHeader) + ")";
    const int row = list_insert_row(list, static_cast<int>(i), number.c_str(),
                                    static_cast<intptr_t>(i));
    // Columns are joined with " | " so that the split can be seen.
    std::string joined;
    const std::vector<std::string> parts = split(s.lines[i], s.delimiter);
    for (size_t p = 0; p < parts.size(); ++p) joined += (p > 0 ? " | " : "") + parts[p];
    list_set_text(list, row, 1, joined.c_str());
  }
}

void fill_columns(void* dialog, const ColumnState& s) {
  void* list = GetControlHWND(dialog, kColumnList);
  const int selected = std::max(0, list_selected(list));
  list_delete_all(list);
  std::vector<std::string> first;
  if (static_cast<size_t>(s.skip) < s.lines.size()) {
    first = split(s.lines[static_cast<size_t>(s.skip)], s.delimiter);
  }
  for (int c = 0; c < s.columns; ++c) {
    const int row = list_insert_row(list, c, std::to_string(c + 1).c_str(), c);
    std::string value = static_cast<size_t>(c) < first.size() ? first[static_cast<size_t>(c)] : "";
    if (value.size() > kShownValue) value.resize(kShownValue);
    list_set_text(list, row, 1, value.c_str());
    list_set_text(list, row, 2, field_text(s, s.assigned[static_cast<size_t>(c)]).c_str());
  }
  list_set_state(list, std::min(selected, s.columns - 1), kLvisSelected | kLvisFocused,
                 kLvisSelected | kLvisFocused);
}

// The delimiter or the header line count changed.
void relayout(void* dialog, ColumnState& s) {
  s.columns = count_columns(s);
  s.assigned.resize(static_cast<size_t>(s.columns), -1);
  fill_preview(dialog, s);
  fill_columns(dialog, s);
}

void assign(void* dialog, ColumnState& s, int offered) {
  void* list = GetControlHWND(dialog, kColumnList);
  const int row = list_selected(list);
  if (row < 0 || row >= s.columns) return;
  if (offered >= 0 && s.source->GetTemp(offered).repeat != kOfferRepeated) {
    for (int c = 0; c < s.columns; ++c) {
      if (c != row && s.assigned[static_cast<size_t>(c)] == offered) {
        s.assigned[static_cast<size_t>(c)] = -1;
        list_set_text(list, c, 2, field_text(s, -1).c_str());
      }
    }
  }
  s.assigned[static_cast<size_t>(row)] = offered;
  list_set_text(list, row, 2, field_text(s, offered).c_str());
}

bool parse_skip(const std::string& text, long* skip) {
  if (text.empty() || text.size() > 7) return false;
  long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value > kMaxSkippedLines) return false;
  *skip = value;
  return true;
}

int DLIST_CALL ColumnImport_Init_Proc(void* dialog) {
  ColumnState& s = *g_state;
  void* delimiters = GetControlHWND(dialog, kColumnDelimiter);
  combo_add(delimiters, load_string(kTextTab).c_str(), '\t');
  combo_add(delimiters, ";", ';');
  combo_add(delimiters, ",", ',');
  combo_add(delimiters, "|", '|');
  const int index = combo_find(delimiters, std::string(1, s.delimiter).c_str());
  combo_set_current(delimiters, s.delimiter == '\t' ? 0 : index);

  void* fields = GetControlHWND(dialog, kColumnField);
  combo_add(fields, load_string(kTextNone).c_str(), -1);
  for (int i = 0; i < s.source->GetTempNb(); ++i) combo_add(fields, field_text(s, i).c_str(), i);

  void* columns = GetControlHWND(dialog, kColumnList);
  list_insert_column(columns, 0, load_string(kTextColumn).c_str(), 50);
  list_insert_column(columns, 1, load_string(kTextFirstValue).c_str(), 150);
  list_insert_column(columns, 2, load_string(kTextFieldTitle).c_str(), 150);
  void* preview = GetControlHWND(dialog, kColumnPreview);
  list_insert_column(preview, 0, load_string(kTextLine).c_str(), 60);
  list_insert_column(preview, 1, load_string(kTextLineText).c_str(), 400);
  relayout(dialog, s);
  return 1;
}

int DLIST_CALL ColumnImport_ExtAction_Proc(void* dialog, int control, int code) {
  ColumnState& s = *g_state;
  const Notification* n = notification();
  if (control == kColumnDelimiter && (code == kCbnSelChange || code == kCbnEditChange)) {
    const char d = delimiter_of(control_text(dialog, kColumnDelimiter));
    if (d != 0 && d != s.delimiter) {
      s.delimiter = d;
      relayout(dialog, s);
    }
  } else if (control == kColumnSkip && code == kEnChange) {
    long skip = 0;
    if (parse_skip(control_text(dialog, kColumnSkip), &skip) && skip != s.skip) {
      s.skip = skip;
      relayout(dialog, s);
    }
  } else if (control == kColumnList && code == kLvnItemChanged && n != nullptr &&
             (n->new_state & kLvisSelected) != 0 && (n->old_state & kLvisSelected) == 0) {
    if (n->row >= 0 && n->row < s.columns) {
      combo_set_current(GetControlHWND(dialog, kColumnField),
                        s.assigned[static_cast<size_t>(n->row)] + 1);
    }
  } else if (control == kColumnField && code == kCbnSelChange && n != nullptr) {
    assign(dialog, s, static_cast<int>(n->param));
  }
  return 0;
}

int DLIST_CALL ColumnImport_IDC_OK_Proc(void* dialog) {
  ColumnState& s = *g_state;
  const char d = delimiter_of(control_text(dialog, kColumnDelimiter));
  if (d == 0) {
    SetErrorId(kColumnDelimiter);
    WarningProc(dialog, kWarnDelimiter);
    return 0;
  }
  if (InputChecking(dialog, kColumnSkip) == 0) {
    WarningProc(dialog, 0);
    return 0;
  }
  long skip = 0;
  if (!parse_skip(control_text(dialog, kColumnSkip), &skip)) {
    SetErrorId(kColumnSkip);
    WarningProc(dialog, kColumnSkip);
    return 0;
  }
  if (d != s.delimiter || skip != s.skip) {
    s.delimiter = d;
    s.skip = skip;
    relayout(dialog, s);
  }
  if (std::none_of(s.assigned.begin(), s.assigned.end(), [](int a) { return a >= 0; })) {
    SetErrorId(kColumnList);
    WarningProc(dialog, kWarnNoColumn);
    return 0;
  }
  s.confirmed = true;
  return 1;
}

int DLIST_CALL ColumnImport_Cancel_Proc(void*) { return 1; }

constexpr int kWidth = 480;
constexpr int kMargin = 8;
constexpr int kLine = 14;
constexpr int kLabelWidth = 120;

bool build(void* window, int title, int* skip_buffer) {
  const int list_height = 8 * kLine;
  const int height = 9 * kMargin + 5 * kLine + 2 * list_height + 16;
  if (!MakeMainUnit(window, load_string(static_cast<unsigned>(title)).c_str(), "ColumnImport",
                    kWidth, height)) {
    return false;
  }
  const int input_x = kMargin + kLabelWidth;
  const int full = kWidth - 2 * kMargin;
  int y = kMargin;
  if (!StaticText(kColumnLabelFirst, load_string(kTextDelimiter).c_str(), kMargin, y, kLabelWidth,
                  kLine) ||
      !ComboInput(kColumnDelimiter, input_x, y, 60, kLine)) {
    return false;
  }
  y += kLine + kMargin;
  if (!StaticText(kColumnLabelFirst + 1, load_string(kTextSkip).c_str(), kMargin, y, kLabelWidth,
                  kLine) ||
      !IntegerInput(kColumnSkip, input_x, y, 60, kLine)) {
    return false;
  }
  y += kLine + kMargin;
  if (!StaticText(kColumnLabelFirst + 2, load_string(kTextColumns).c_str(), kMargin, y, full,
                  kLine) ||
      !ListViewInputA(kColumnList, kMargin, y + kLine, full, list_height)) {
    return false;
  }
  y += kLine + list_height + kMargin;
  if (!StaticText(kColumnLabelFirst + 3, load_string(kTextField).c_str(), kMargin, y, kLabelWidth,
                  kLine) ||
      !ComboInput(kColumnField, input_x, y, 200, kLine, kCbsDropDownList)) {
    return false;
  }
  y += kLine + kMargin;
  if (!StaticText(kColumnLabelFirst + 4, load_string(kTextPreview).c_str(), kMargin, y, full,
                  kLine) ||
      !ListViewInputA(kColumnPreview, kMargin, y + kLine, full, list_height)) {
    return false;
  }
  y += kLine + list_height + kMargin;
  if (!CommandButton(kIdAccept, kButtonOk, kWidth - 2 * (60 + kMargin), y, 60, 16) ||
      !CommandButton(kIdReject, kButtonCancel, kWidth - (60 + kMargin), y, 60, 16)) {
    return false;
  }
  return SetInpCont_Addres(kColumnSkip, skip_buffer) &&
         SetInpCont_MinMaxN(kColumnSkip, 0, kMaxSkippedLines) &&
         SetDlgInitProc(ColumnImport_Init_Proc) && SetAllInputProc(ColumnImport_ExtAction_Proc) &&
         SetIDC_OKProc(ColumnImport_IDC_OK_Proc) && SetCancelProc(ColumnImport_Cancel_Proc);
}

// Releases the dialog's buffers and state on every way out.
class DialogScope {
 public:
  explicit DialogScope(ColumnState* state) : reserved_(AllocTmpBuffers(8) != 0) {
    if (reserved_) g_state = state;
  }
  ~DialogScope() {
    if (!reserved_) return;
    g_state = nullptr;
    PurgeTmpBuffers();
  }
  DialogScope(const DialogScope&) = delete;
  DialogScope& operator=(const DialogScope&) = delete;
  bool reserved() const { return reserved_; }

 private:
  bool reserved_;
};

}  // namespace
}  // namespace dlist

int FileImport::CallDialog(void* window, int title, const char* path) {
  using namespace dlist;
  if (offered_.empty() || g_state != nullptr) return 0;
  ColumnState state;
  state.source = this;
  bool readable = false;
  state.lines = read_preview(path, &readable);
  if (!readable) return 0;
  state.delimiter = guess_delimiter(state.lines);
  int skip_buffer = 0;
  {
    DialogScope scope(&state);
    if (!scope.reserved() || !build(window, title, &skip_buffer)) return 0;
    if (RunModalDialog(window, 0, kColumnDialogContext, 0) == 0 || !state.confirmed) return 0;
  }
  return SetColumns(state.delimiter, state.skip, state.assigned).empty() ? 1 : 0;
}
