// The attribute reference search. The found identifiers and the last inputs are
// module-wide; the dialog's own state lives for one opening.
#include "listspec/attribute_search.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "dialogs/dialog_runner.h"
#include "foundation/arrays.h"
#include "foundation/list_nodes.h"
#include "foundation/text_buffer.h"
#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/image_list.h"
#include "host/dialog/list_view.h"
#include "host/dialog/notify_codes.h"
#include "host/dialog/tree_view.h"
#include "host/dialog/window_system.h"
#include "host/model/element_parameters.h"
#include "host/model/model_elements.h"
#include "host/report.h"
#include "host/resources.h"
#include "host/text_select.h"
#include "listspec/list_output_internal.h"

namespace dlist::listspec {
namespace {

constexpr int kBuffers = 16;
constexpr int kIconOn = 0, kIconOff = 1;
constexpr int kScrollBarWidth = 16;
constexpr int kColumnTitles[4] = {21058, 21059, 21060, 21322};
constexpr int kTextCaption = 50420;
constexpr int kFirstLabel = 50421;  // key, value, options 1 to 3, kinds, results
constexpr int kTextSearch = 50428;
constexpr int kTextChoose = 50429;
constexpr int kTextTexts = 50430;
constexpr int kTextIdCaption = 50431;
constexpr unsigned long kTopFourBits = 0xF0000000ul;

struct SearchMemory {
  bool opened = false;
  char key[7] = {};
  char value[256] = {};
  int options[3] = {0, 0, 0};
  long mask = 0;
};
SearchMemory g_memory;
CRAS<long, 4> g_found;  // the identifiers of the last search

struct SearchState {
  char key[7] = {};
  char value[256] = {};
  int options[3] = {0, 0, 0};
  DialogImages lists;
};
SearchState* g_search = nullptr;

void* kinds_tree(void* dialog) { return GetControlHWND(dialog, kSearchKinds); }
void* results(void* dialog) { return GetControlHWND(dialog, kSearchResults); }

std::string kind_title(int kind) {
  const auto& kinds = DL_ElementKinds();
  const long bit = static_cast<long>(ElementClassBit(kind));
  for (const DL_ELEMENT_KIND& k : kinds)
    if (k.bit == bit) return load_string(k.title_id);
  return std::to_string(kind);
}

// Lists the kinds of mask; those of chosen (all when chosen is null) shown chosen.
void list_kinds(void* dialog, unsigned long mask, const long* chosen) {
  void* tree = kinds_tree(dialog);
  tree_delete_all(tree);
  _TREEITEM* first = nullptr;
  for (const DL_ELEMENT_KIND& k : DL_ElementKinds()) {
    if ((mask & static_cast<unsigned long>(k.bit)) == 0) continue;
    const bool on = chosen == nullptr || (*chosen & k.bit) != 0;
    const int icon = on ? kIconOn : kIconOff;
    _TREEITEM* item = tree_insert(tree, kTviRoot, kTviLast, load_string(k.title_id).c_str(), icon, icon, k.bit);
    if (first == nullptr) first = item;
  }
  if (first != nullptr) tree_select(tree, first);
}

long chosen_mask(void* dialog) {
  void* tree = kinds_tree(dialog);
  long mask = 0;
  for (_TREEITEM* item : tree_children(tree, nullptr))
    if (tree_image(tree, item) == kIconOn) mask += static_cast<long>(tree_param(tree, item));
  return mask;
}

void show_results(void* dialog) {
  void* list = results(dialog);
  list_delete_all(list);
  for (unsigned i = 0; i < g_found.size(); ++i)
    list_insert_row(list, static_cast<int>(i), std::to_string(g_found[i]).c_str(), static_cast<intptr_t>(i));
  if (g_found.size() > 0) list_set_state(list, 0, kLvisSelected | kLvisFocused, kLvisSelected | kLvisFocused);
  list_redraw(list);
}

void search(void* dialog, const char* key, const char* value, long mask, const int options[3]) {
  find_elems_by_attribute(key, value, mask, &g_found, options[0], options[1], options[2]);
  show_results(dialog);
  std::snprintf(g_memory.key, sizeof g_memory.key, "%s", key);
  std::snprintf(g_memory.value, sizeof g_memory.value, "%s", value);
  for (int i = 0; i < 3; ++i) g_memory.options[i] = options[i];
  g_memory.mask = mask;
}

int DLIST_CALL Search_Draw_Proc(void* /*dialog*/, const DrawItem* item) {
  if (item == nullptr || item->param < 0 || static_cast<unsigned>(item->param) >= g_found.size()) return 0;
  if ((item->state & kLvisSelected) != 0) draw_highlight(item->dc);
  const long id = g_found[static_cast<unsigned>(item->param)];
  DBELEMINFO info{};
  const bool known = get_info_from_id(id, &info) != 0;
  draw_text(item->dc, 0, std::to_string(id).c_str());
  if (!known) return 1;
  draw_text(item->dc, 1, std::string(info.plan, strnlen(info.plan, sizeof info.plan)).c_str());
  draw_text(item->dc, 2, std::to_string(info.floor).c_str());
  draw_text(item->dc, 3, kind_title(info.kind).c_str());
  return 1;
}

// The identifier of a row, read-only, so that it can be copied.
int show_identifier(void* parent, long id) {
  char text[32] = {};
  std::snprintf(text, sizeof text, "%ld", id);
  const std::string caption = load_string(kTextIdCaption);
  return run_dialog(DialogRun{parent, kSearchIdContext, units::kDlistgen}, [&] {
           return MakeMainUnit(parent, caption.c_str(), "SearchId", 200, 60) != nullptr &&
                  TextEditInput(kSearchIdText, 5, 5, 190, 20, kEsReadOnly) != 0 &&
                  SetInpCont_Addres(kSearchIdText, text, sizeof text) != 0 &&
                  CommandButton(kIdAccept, 36, 105, 32, 90, 22) != 0;
         }).value_or(0);
}

int DLIST_CALL Search_Init_Proc(void* dialog) {
  SearchState& s = *g_search;
  void* images = s.lists.create(16, 16);
  if (images == nullptr || image_list_add_icon(images, "sectionon") < 0 || image_list_add_icon(images, "sectionoff") < 0 ||
      image_list_count(images) < 2)
    return 0;
  tree_set_image_list(kinds_tree(dialog), images);
  void* list = results(dialog);
  const int widths[4] = {50, 100, 50 - kScrollBarWidth, 8000};
  for (int c = 0; c < 4; ++c)
    if (list_insert_column(list, c, load_string(kColumnTitles[c]).c_str(), widths[c]) < 0) return 0;
  if (!g_memory.opened) {
    g_memory = SearchMemory{};
    g_memory.opened = true;
    return 1;
  }
  list_kinds(dialog, search_key_mask(g_memory.key), &g_memory.mask);
  if (g_memory.key[0] != '\0') search(dialog, g_memory.key, g_memory.value, g_memory.mask, g_memory.options);
  return 1;
}

int DLIST_CALL Search_ExtAction_Proc(void* dialog, int control, int code) {
  if (control == kSearchKey && code == kEnChange) {
    list_kinds(dialog, search_key_mask(control_text(dialog, kSearchKey).c_str()), nullptr);
  } else if (control == kSearchKinds && code == kNmDblClk) {
    void* tree = kinds_tree(dialog);
    _TREEITEM* item = notification()->item;
    if (!tree_has_item(tree, item)) return 0;
    const int icon = tree_image(tree, item) == kIconOn ? kIconOff : kIconOn;
    tree_set_image(tree, item, icon, icon);
  } else if (control == kSearchResults && code == kNmDblClk) {
    const int row = list_selected(results(dialog));
    if (row >= 0 && static_cast<unsigned>(row) < g_found.size()) show_identifier(dialog, g_found[static_cast<unsigned>(row)]);
  } else if (code == kBnClicked && control == kSearchChooseKey) {
    const auto chosen = choose_attribute(dialog, control_text(dialog, kSearchKey), 0);
    if (!chosen) return 0;
    set_control_text(dialog, kSearchKey, chosen->key.c_str());
    list_kinds(dialog, search_key_mask(chosen->key.c_str()), nullptr);
  } else if (code == kBnClicked && control == kSearchTexts) {
    TEXTBUFFER text;
    if (CallTextSelect(dialog, &text) != 0) set_control_text(dialog, kSearchValue, text.get());
  } else if (code == kBnClicked && control == kSearchRun) {
    if (InputChecking(dialog, 0) == 0) {
      WarningProc(dialog, GetErrorId());
      return 0;
    }
    // The bound fields are written back only when the dialog closes: read them here.
    const std::string key = control_text(dialog, kSearchKey), value = control_text(dialog, kSearchValue);
    const int options[3] = {control_check(dialog, kSearchPart) != 0 ? 1 : 0,
                            control_check(dialog, kSearchMatchCase) != 0 ? 1 : 0,
                            control_check(dialog, kSearchNumeric) != 0 ? 1 : 0};
    search(dialog, key.c_str(), value.c_str(), chosen_mask(dialog), options);
  }
  return 0;
}

}  // namespace

unsigned long search_key_mask(const char* key) {
  if (key == nullptr || key[0] == '\0') return 0;
  const std::string k(key);
  bool found = false;
  unsigned long mask = 0;
  for (const DL_ELEMENT_KIND& kind : DL_ElementKinds()) {
    const auto bit = static_cast<uint32_t>(kind.bit);
    const int n = nParameter(bit);
    for (int i = 0; i < n; ++i) {
      ELEMPARAMETER p;
      if (GetParameter(bit, i, &p) != 0 && k == p.abbrev) {
        mask |= bit;
        found = true;
        break;
      }
    }
  }
  if (found) return mask;
  for (const PROJECTATTRIBUTE& a : ProjectAttributes())
    if (k == a.definition.abbrev) return a.definition.flags & ~kTopFourBits;
  return 0;
}

void reset_search_memory() {
  g_memory = SearchMemory{};
  g_found.resize(0);
}

}  // namespace dlist::listspec

void DLIST_CALL CrtFindAttributeReferences(void* parent) {
  using namespace dlist;
  using namespace dlist::listspec;
  g_found.resize(0);
  SearchState s;
  if (g_memory.opened) {
    std::snprintf(s.key, sizeof s.key, "%s", g_memory.key);
    std::snprintf(s.value, sizeof s.value, "%s", g_memory.value);
    for (int i = 0; i < 3; ++i) s.options[i] = g_memory.options[i];
  }
  const std::string caption = load_string(kTextCaption);
  DialogRun how{parent, kSearchContext, units::kDlistgen, kBuffers, &s.lists};
  run_dialog(how, g_search, &s, [&] {
    constexpr int kW = 460;
    bool ok = MakeMainUnit(parent, caption.c_str(), "FindAttributeValues", kW, 420) != nullptr &&
              StaticText(10600, load_string(kFirstLabel).c_str(), 5, 5, 80, 16) != 0 &&
              TextEditInput(kSearchKey, 90, 5, 80, 20) != 0 && SetInpCont_Addres(kSearchKey, s.key, sizeof s.key) != 0 &&
              SetInpCont_MinMaxN(kSearchKey, 1, 6) != 0 &&
              CommandButton(kSearchChooseKey, kTextChoose, 175, 5, 27, 20) != 0 &&
              StaticText(10601, load_string(kFirstLabel + 1).c_str(), 5, 30, 80, 16) != 0 &&
              TextEditInput(kSearchValue, 90, 30, kW - 130, 20) != 0 &&
              SetInpCont_Addres(kSearchValue, s.value, sizeof s.value) != 0 &&
              SetInpCont_MinMaxN(kSearchValue, 1, 255) != 0 &&
              CommandButton(kSearchTexts, kTextTexts, kW - 35, 30, 30, 20) != 0;
    const int boxes[3] = {kSearchPart, kSearchMatchCase, kSearchNumeric};
    for (int i = 0; i < 3 && ok; ++i)
      ok = CheckBoxInput(boxes[i], load_string(kFirstLabel + 2 + i).c_str(), 5 + i * 150, 55, 145, 20) != 0 &&
           SetInpCont_Addres(boxes[i], &s.options[i]) != 0;
    return ok && StaticText(10602, load_string(kFirstLabel + 5).c_str(), 5, 80, 150, 16) != 0 &&
           TreeViewInput(kSearchKinds, 5, 98, 150, 280) != 0 &&
           StaticText(10603, load_string(kFirstLabel + 6).c_str(), 160, 80, 200, 16) != 0 &&
           ListViewInputA(kSearchResults, 160, 98, kW - 165, 280, kLvsOwnerDrawFixed) != 0 &&
           SetInpCont_DrawProc(kSearchResults, Search_Draw_Proc) != 0 &&
           CommandButton(kSearchRun, kTextSearch, 5, 388, 90, 22) != 0 &&
           CommandButton(kIdReject, 21725, kW - 95, 388, 90, 22) != 0 && SetDlgInitProc(Search_Init_Proc) != 0 &&
           SetAllInputProc(Search_ExtAction_Proc) != 0;
  });
}
