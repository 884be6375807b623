// Tree views in a running dialog: sorted insertion, relations and sorting; the
// selection notifications of the user and of the program, also when the selected
// item is deleted or hidden; expanding (prevented, or filling children lazily);
// label editing with its limit and answer; dragging one item onto another.
#include "host/dialog/tree_view.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "dialog_test_support.h"
#include "host/dialog/scripted_user.h"

namespace tree_view_test {
namespace {

using dialog_test::DialogTest;
using dlist::kTviFirst;
using dlist::kTviLast;
using dlist::kTviSort;
using dlist::TreeRelation;

constexpr int kContext = 31000;
constexpr int kTree = 10750;

class DialogTreeTest : public DialogTest {};

// One notification as the action procedure saw it.
struct Seen {
  Seen() = default;
  Seen(int code, intptr_t param, int action = 0, bool has_text = false, std::string text = {},
       intptr_t target = 0, bool shift = false)
      : code(code),
        param(param),
        action(action),
        has_text(has_text),
        text(std::move(text)),
        target(target),
        shift(shift) {}

  int code = 0;
  intptr_t param = 0;
  int action = 0;
  bool has_text = false;
  std::string text;
  intptr_t target = 0;
  bool shift = false;

  bool operator==(const Seen&) const = default;
};

std::vector<Seen> g_seen;
std::function<void(void* tree)> g_fill;
intptr_t g_prevent_expand = -1;
intptr_t g_refuse_label = -1;
unsigned g_label_limit = 0;
int g_take_label = 1;
intptr_t g_no_drag = -1;

int DLIST_CALL tree_init(void* dialog) {
  if (g_fill) g_fill(GetControlHWND(dialog, kTree));
  return 1;
}

int DLIST_CALL tree_action(void* dialog, int control, int code) {
  if (control != kTree) return 0;
  const dlist::Notification* n = dlist::notification();
  void* tree = GetControlHWND(dialog, kTree);
  Seen s;
  s.code = code;
  s.param = n->param;
  s.action = n->action;
  s.has_text = n->text != nullptr;
  s.text = n->text != nullptr ? n->text : "";
  s.target = n->target != nullptr ? dlist::tree_param(tree, n->target) : 0;
  s.shift = n->shift;
  g_seen.push_back(s);
  switch (code) {
    case dlist::kTvnItemExpanding:
      if (n->param == g_prevent_expand) return 1;
      if (n->action == dlist::kTveExpand &&
          dlist::tree_get_next(tree, n->item, TreeRelation::kChild) == nullptr) {
        dlist::tree_insert(tree, n->item, kTviLast, "lazy", 0, 0, n->param + 1);
      }
      return 0;
    case dlist::kTvnBeginLabelEdit:
      if (n->param == g_refuse_label) return 1;
      dlist::tree_limit_label(tree, g_label_limit);
      return 0;
    case dlist::kTvnEndLabelEdit:
      return g_take_label;
    case dlist::kTvnBeginDrag:
      if (n->param != g_no_drag) dlist::tree_begin_drag(tree, n->item);
      return 0;
    case dlist::kDlnDragOver:
      dlist::tree_select(tree, n->target, dlist::TreeSelect::kDropHilite);
      return 0;
    default:
      return 0;
  }
}

// Runs the tree dialog with script after fill has filled the tree.
void run_tree(std::function<void(void* tree)> fill,
              const std::function<void(dlist::Script&)>& script) {
  g_seen.clear();
  g_fill = std::move(fill);
  dlist::ScriptedUser user;
  script(user.on(kContext));
  dlist::DialogUserScope scope(user);
  dialog_test::run_modal(kContext, [] {
    return TreeViewInput(kTree, 0, 0, 100, 100, dlist::kTvsEditLabels) &&
           SetDlgInitProc(tree_init) && SetAllInputProc(tree_action);
  });
  EXPECT_TRUE(user.finished()) << user.leftovers();
  g_fill = nullptr;
}

_TREEITEM* add(void* tree, _TREEITEM* parent, _TREEITEM* after, const char* text, intptr_t param) {
  return dlist::tree_insert(tree, parent, after, text, 0, 0, param);
}

// The texts of the children of parent (null: the top), in order.
std::vector<std::string> texts(void* tree, _TREEITEM* parent) {
  std::vector<std::string> out;
  _TREEITEM* it = parent != nullptr ? dlist::tree_get_next(tree, parent, TreeRelation::kChild)
                                    : dlist::tree_get_next(tree, nullptr, TreeRelation::kRoot);
  for (; it != nullptr; it = dlist::tree_get_next(tree, it, TreeRelation::kNext)) {
    out.push_back(dlist::tree_text(tree, it));
  }
  return out;
}

_TREEITEM* item(void* tree, intptr_t param) {
  // Visits shown and hidden items: a walk over every level.
  std::vector<_TREEITEM*> level{dlist::tree_get_next(tree, nullptr, TreeRelation::kRoot)};
  while (!level.empty()) {
    std::vector<_TREEITEM*> next;
    for (_TREEITEM* first : level) {
      for (_TREEITEM* it = first; it != nullptr;
           it = dlist::tree_get_next(tree, it, TreeRelation::kNext)) {
        if (dlist::tree_param(tree, it) == param) return it;
        if (_TREEITEM* child = dlist::tree_get_next(tree, it, TreeRelation::kChild))
          next.push_back(child);
      }
    }
    level = next;
  }
  return nullptr;
}

using Strings = std::vector<std::string>;

TEST_F(DialogTreeTest, SortedInsertionRelationsAndSorting) {
  run_tree(nullptr, [](dlist::Script& s) {
    s.observe([](void* dialog) {
      void* tree = GetControlHWND(dialog, kTree);
      _TREEITEM* b = add(tree, nullptr, kTviSort, "b", 2);
      add(tree, nullptr, kTviSort, "A", 1);
      add(tree, nullptr, kTviSort, " Doors", 3);  // a folder's blank sorts first
      add(tree, nullptr, kTviSort, "c", 4);
      EXPECT_EQ(texts(tree, nullptr), (Strings{" Doors", "A", "b", "c"}));
      add(tree, nullptr, b, "b2", 5);
      add(tree, dlist::kTviRoot, kTviFirst, "z", 6);
      EXPECT_EQ(texts(tree, nullptr), (Strings{"z", " Doors", "A", "b", "b2", "c"}));
      EXPECT_TRUE(dlist::tree_sort_children(tree, nullptr));
      EXPECT_EQ(texts(tree, nullptr), (Strings{" Doors", "A", "b", "b2", "c", "z"}));

      _TREEITEM* y = add(tree, b, kTviLast, "y", 7);
      add(tree, b, kTviLast, "x", 8);
      add(tree, b, kTviLast, "X", 9);
      EXPECT_TRUE(dlist::tree_sort_children(tree, b));
      EXPECT_EQ(texts(tree, b), (Strings{"x", "X", "y"}));  // equal texts keep their order
      EXPECT_TRUE(dlist::tree_sort_children_cb(
          tree, b, [](intptr_t p, intptr_t q, intptr_t) { return p > q ? -1 : 1; }, 0));
      EXPECT_EQ(texts(tree, b), (Strings{"X", "x", "y"}));

      EXPECT_EQ(dlist::tree_get_next(tree, y, TreeRelation::kParent), b);
      EXPECT_EQ(dlist::tree_get_next(tree, y, TreeRelation::kNext), nullptr);
      EXPECT_EQ(dlist::tree_text(tree, dlist::tree_get_next(tree, b, TreeRelation::kNextVisible)),
                "b2");
      dlist::tree_expand(tree, b, dlist::kTveExpand);
      EXPECT_EQ(dlist::tree_text(tree, dlist::tree_get_next(tree, b, TreeRelation::kNextVisible)),
                "X");
      EXPECT_EQ(dlist::tree_get_next(tree, item(tree, 5), TreeRelation::kPreviousVisible), y);
      EXPECT_EQ(
          dlist::tree_text(tree, dlist::tree_get_next(tree, nullptr, TreeRelation::kLastVisible)),
          "z");

      char small[3];
      EXPECT_TRUE(dlist::tree_get_text(tree, item(tree, 3), small, sizeof small));
      EXPECT_STREQ(small, " D");
      EXPECT_EQ(add(tree, reinterpret_cast<_TREEITEM*>(0x99), kTviLast, "stale", 0), nullptr);
      EXPECT_EQ(add(tree, nullptr, y, "not a sibling", 0), nullptr);
      EXPECT_EQ(dlist::tree_count(tree), 9u);
      EXPECT_TRUE(dlist::tree_delete(tree, b));
      EXPECT_EQ(dlist::tree_count(tree), 5u);
      EXPECT_FALSE(dlist::tree_has_item(tree, y));
      EXPECT_EQ(dlist::tree_text(tree, y), "");
    });
  });
  EXPECT_TRUE(g_seen.empty());  // nothing was selected, so nothing was notified
}

TEST_F(DialogTreeTest, SelectionNotifiesTheDialog) {
  const auto fill = [](void* tree) {
    _TREEITEM* folder = add(tree, nullptr, kTviLast, " Folder", 10);
    add(tree, folder, kTviSort, "Seventeen", 17);
    add(tree, folder, kTviSort, "Twenty", 20);
    add(tree, folder, kTviSort, "deep five", 5);
    add(tree, nullptr, kTviLast, "top five", 5);
  };
  run_tree(fill, [](dlist::Script& s) {
    s.select_item(kTree, 10).expand(kTree, 10).select_item(kTree, 17);
    s.observe([](void* dialog) {
      void* tree = GetControlHWND(dialog, kTree);
      EXPECT_EQ(dlist::tree_state(tree, item(tree, 17)) & dlist::kTvisSelected,
                dlist::kTvisSelected);
      EXPECT_TRUE(dlist::tree_select(tree, item(tree, 20)));  // by the program
      EXPECT_TRUE(dlist::tree_delete(tree, item(tree, 20)));  // the selection moves on
      EXPECT_EQ(dlist::tree_param(tree, dlist::tree_get_next(tree, nullptr, TreeRelation::kCaret)),
                17);
    });
    s.collapse(kTree, 10);    // the selection leaves the hidden child
    s.select_item(kTree, 5);  // the shallowest item with parameter 5
    s.select_item(kTree, dlist::ItemRef::with_text("top five"));  // already selected: no news
    s.press(2);
  });
  using dlist::kTvcByMouse;
  using dlist::kTvcUnknown;
  const std::vector<Seen> want = {
      {dlist::kTvnSelChanged, 10, kTvcByMouse},
      {dlist::kTvnItemExpanding, 10, dlist::kTveExpand},
      {dlist::kTvnItemExpanded, 10, dlist::kTveExpand},
      {dlist::kTvnSelChanged, 17, kTvcByMouse},
      {dlist::kTvnSelChanged, 20, kTvcUnknown},
      {dlist::kTvnSelChanged, 17, kTvcUnknown},  // after deleting "Twenty" (the last child)
      {dlist::kTvnItemExpanding, 10, dlist::kTveCollapse},
      {dlist::kTvnSelChanged, 10, kTvcUnknown},
      {dlist::kTvnItemExpanded, 10, dlist::kTveCollapse},
      {dlist::kTvnSelChanged, 5, kTvcByMouse},
  };
  EXPECT_EQ(g_seen, want);
  EXPECT_TRUE(dlist::dialog_log().refusals.empty());
}

TEST_F(DialogTreeTest, ExpandingIsPreventedOrFillsChildren) {
  g_prevent_expand = 99;
  const auto fill = [](void* tree) {
    dlist::tree_set_children(tree, add(tree, nullptr, kTviLast, "lazy folder", 20), true);
    add(tree, add(tree, nullptr, kTviLast, "locked", 99), kTviLast, "inside", 100);
  };
  run_tree(fill, [](dlist::Script& s) {
    s.expand(kTree, 20).select_item(kTree, 21).expand(kTree, 99).select_item(kTree, 100);
    s.expand(kTree, 21).press(2);  // a leaf cannot be expanded
  });
  g_prevent_expand = -1;
  ASSERT_EQ(g_seen.size(), 4u);
  EXPECT_EQ(g_seen[1].code, dlist::kTvnItemExpanded);
  EXPECT_EQ(g_seen[2].param, 21);
  EXPECT_EQ(g_seen[3].code, dlist::kTvnItemExpanding);  // 99 was refused: no expanded
  const auto& refusals = dlist::dialog_log().refusals;
  ASSERT_EQ(refusals.size(), 2u);
  EXPECT_NE(refusals[0].reason.find("collapsed"), std::string::npos);
  EXPECT_NE(refusals[1].reason.find("no children"), std::string::npos);
}

TEST_F(DialogTreeTest, LabelEditing) {
  g_refuse_label = 1;
  g_label_limit = 5;
  const auto fill = [](void* tree) {
    add(tree, nullptr, kTviLast, "one", 1);
    add(tree, nullptr, kTviLast, "two", 2);
  };
  run_tree(fill, [](dlist::Script& s) {
    s.edit_label(kTree, 1, "uno");               // refused at the start
    s.edit_label(kTree, 2, "a very long name");  // cut to the editor's limit
    s.cancel_label(kTree, 2);
    s.observe([](void* dialog) {
      void* tree = GetControlHWND(dialog, kTree);
      EXPECT_EQ(dlist::tree_text(tree, item(tree, 1)), "one");
      EXPECT_EQ(dlist::tree_text(tree, item(tree, 2)), "a ver");
      EXPECT_TRUE(dlist::tree_edit_label(tree, item(tree, 2)));  // the program opens it
      g_take_label = 0;
    });
    s.edit_label(kTree, 2, "dos");  // the user finishes it; the dialog keeps the old label
    s.observe([](void* dialog) {
      void* tree = GetControlHWND(dialog, kTree);
      EXPECT_EQ(dlist::tree_text(tree, item(tree, 2)), "a ver");
      EXPECT_TRUE(dlist::tree_edit_label(tree, item(tree, 1)) == false);
      g_refuse_label = -1;
      EXPECT_TRUE(dlist::tree_edit_label(tree, item(tree, 1)));
    });
    s.press(2);  // anything else cancels the open editor first
  });
  g_refuse_label = -1;
  g_label_limit = 0;
  g_take_label = 1;
  using dlist::kTvnBeginLabelEdit;
  using dlist::kTvnEndLabelEdit;
  const std::vector<Seen> want = {
      {kTvnBeginLabelEdit, 1},
      {kTvnBeginLabelEdit, 2},
      {kTvnEndLabelEdit, 2, 0, true, "a ver"},
      {kTvnBeginLabelEdit, 2},
      {kTvnEndLabelEdit, 2, 0, false, ""},
      {kTvnBeginLabelEdit, 2},
      {kTvnEndLabelEdit, 2, 0, true, "dos"},
      {kTvnBeginLabelEdit, 1},
      {kTvnBeginLabelEdit, 1},
      {kTvnEndLabelEdit, 1, 0, false, ""},
  };
  EXPECT_EQ(g_seen, want);
}

TEST_F(DialogTreeTest, DraggingOntoAnItem) {
  g_no_drag = 3;
  const auto fill = [](void* tree) {
    add(tree, nullptr, kTviLast, " Folder", 1);
    add(tree, nullptr, kTviLast, "moves", 2);
    add(tree, nullptr, kTviLast, "stays", 3);
  };
  run_tree(fill, [](dlist::Script& s) {
    s.drag(kTree, 2, 1, true);
    s.observe([](void* dialog) {
      void* tree = GetControlHWND(dialog, kTree);
      EXPECT_EQ(dlist::tree_dragging(tree), nullptr);  // over when the drop is done
      EXPECT_EQ(dlist::tree_get_next(tree, nullptr, TreeRelation::kDropHilite), nullptr);
      EXPECT_EQ(dlist::tree_param(tree, dlist::tree_hit_test(tree)), 1);
    });
    s.drag(kTree, 3, 1);  // the dialog does not take this drag up
    s.press(2);
  });
  g_no_drag = -1;
  const std::vector<Seen> want = {
      {dlist::kTvnBeginDrag, 2, 0, false, "", 0, true},
      {dlist::kDlnDragOver, 2, 0, false, "", 1, true},
      {dlist::kDlnDrop, 2, 0, false, "", 1, true},
      {dlist::kTvnBeginDrag, 3},
  };
  EXPECT_EQ(g_seen, want);
}

}  // namespace
}  // namespace tree_view_test
