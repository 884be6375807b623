// The text library's chooser on the dialog framework.
#include "host/text_select.h"

#include <string>
#include <vector>

#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/list_view.h"
#include "host/dialog/message_box.h"
#include "host/dialog/notify_codes.h"
#include "host/model/text_library.h"
#include "host/resources.h"

namespace dlist {
namespace {

constexpr int kTitle = 50630;       // "Text library"
constexpr int kColumnName = 20969;  // "Name"
constexpr int kColumnText = 50631;  // "Text"
constexpr int kNoTexts = 50632;     // "The project's text library holds no texts."
constexpr int kWidth = 360;
constexpr int kMargin = 8;

struct SelectState {
  std::vector<NamedText> texts;
  int chosen = -1;
};

SelectState* g_select = nullptr;

int selected_row(void* dialog) {
  return list_selected(GetControlHWND(dialog, kTextSelectList));
}

int DLIST_CALL TextSelect_Init_Proc(void* dialog) {
  void* list = GetControlHWND(dialog, kTextSelectList);
  if (list_insert_column(list, 0, load_string(kColumnName).c_str(), 120) < 0 ||
      list_insert_column(list, 1, load_string(kColumnText).c_str(), 8000) < 0) {
    return 0;
  }
  for (size_t i = 0; i < g_select->texts.size(); ++i) {
    const int row = list_insert_row(list, static_cast<int>(i), g_select->texts[i].name.c_str(),
                                    static_cast<intptr_t>(i));
    if (row < 0) return 0;
    list_set_text(list, row, 1, g_select->texts[i].text.c_str());
  }
  return 1;
}

int DLIST_CALL TextSelect_ExtAction_Proc(void* dialog, int control, int code) {
  if (control != kTextSelectList) return 0;
  const int row = selected_row(dialog);
  if (row >= 0 && static_cast<size_t>(row) < g_select->texts.size()) {
    set_control_text(dialog, kTextSelectPreview,
                     g_select->texts[static_cast<size_t>(row)].text.c_str());
    if (code == kNmDblClk) post_command(dialog, kIdAccept);
  }
  return 0;
}

int DLIST_CALL TextSelect_IDC_OK_Proc(void* dialog) {
  const int row = selected_row(dialog);
  if (row < 0 || static_cast<size_t>(row) >= g_select->texts.size()) {
    SetErrorId(kTextSelectList);
    return 0;
  }
  g_select->chosen = row;
  return 1;
}

bool build(void* parent) {
  const int list_height = 160;
  const int height = 4 * kMargin + list_height + 60 + 16;
  const int full = kWidth - 2 * kMargin;
  int y = kMargin;
  bool ok = MakeMainUnit(parent, load_string(kTitle).c_str(), "TextSelect", kWidth, height) &&
            ListViewInputA(kTextSelectList, kMargin, y, full, list_height);
  y += list_height + kMargin;
  ok = ok && TextEditInput(kTextSelectPreview, kMargin, y, full, 60, kEsMultiline | kEsReadOnly);
  y += 60 + kMargin;
  return ok && CommandButton(kIdAccept, 36, kWidth - 2 * (60 + kMargin), y, 60, 16) &&
         CommandButton(kIdReject, 37, kWidth - (60 + kMargin), y, 60, 16) &&
         SetDlgInitProc(TextSelect_Init_Proc) && SetAllInputProc(TextSelect_ExtAction_Proc) &&
         SetIDC_OKProc(TextSelect_IDC_OK_Proc);
}

}  // namespace
}  // namespace dlist

int CallTextSelect(void* parent, TEXTBUFFER* text) {
  using namespace dlist;
  if (text == nullptr) return 0;
  SelectState state;
  state.texts = list_library_texts();
  if (state.texts.empty()) {
    message_box(parent, load_string(kNoTexts).c_str(), load_string(kTitle).c_str(), kMbOk);
    return 0;
  }
  SelectState* previous = g_select;
  g_select = &state;
  int accepted = 0;
  if (AllocTmpBuffers(4) != 0) {
    if (build(parent)) accepted = RunModalDialog(parent, 0, kTextSelectContext, 0);
    PurgeTmpBuffers();
  }
  g_select = previous;
  if (accepted == 0 || state.chosen < 0) return 0;
  return text->put(state.texts[static_cast<size_t>(state.chosen)].text.c_str()) ? 1 : 0;
}
