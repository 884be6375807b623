// The attribute editor as a person uses it, with the scripted user in a project
// and a material library in memory: creating attributes of each kind with their
// references, the refusals at OK, the kind switch that brings back a list, the
// keypad, loading a reference list file of another kind, following renamed
// references, and viewing a held file (recorded, never started).
#include "attributes/attribute_editor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "attributes/attribute_editor_ids.h"
#include "attributes/held_file.h"
#include "host/dialog/engine.h"
#include "host/dialog/file_chooser.h"
#include "host/dialog/framework.h"
#include "host/dialog/list_view.h"
#include "host/dialog/scripted_user.h"
#include "host/list/list_context.h"
#include "host/model/attribute_store.h"
#include "host/model/element_parameters.h"
#include "host/model/model_database.h"
#include "host/platform.h"
#include "host/report.h"
#include "host/resources.h"
#include "host/settings.h"
#include "tests/materials/library_test_support.h"

namespace dlist {
namespace {

namespace fs = std::filesystem;
void* const kWindow = reinterpret_cast<void*>(0x1);
constexpr intptr_t kWall = 0x1;

struct StoredRef {
  std::string name;
  std::string value;
  int flags = 0;
};

class AttributeEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_dialog_engine();
    report_log().clear();
    ASSERT_TRUE(db_.open(":memory:")) << db_.last_error();
    previous_ = set_active_model(&db_);
    InvalidateProjectAttributes();
    ASSERT_TRUE(lib_.open(":memory:")) << lib_.last_error();
    dimension_ = testing::add_unit(lib_, 0, "##0", "Length", 1.0);
    metre_ = testing::add_unit(lib_, dimension_, "m", "Metre", 1.0);
    root_ = ATTRIBUTES().rew_node(0);
    ASSERT_GT(root_, 0);
    dir_ = fs::temp_directory_path() / ("dlist_editor_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    reset_dialog_engine();
    InvalidateProjectAttributes();
    set_active_model(previous_);
    fs::remove_all(dir_);
  }

  // Opens the editor to create an attribute in the root with the script of user.
  long create(ScriptedUser& user) {
    DialogUserScope scope(user);
    return CallAttributeEdit(kWindow, root_, kAttributeCreate);
  }
  long edit(ScriptedUser& user, long id) {
    DialogUserScope scope(user);
    return CallAttributeEdit(kWindow, id, kAttributeEdit);
  }

  // The fields every new attribute needs.
  static Script& basics(Script& s, const char* name, const char* abbrev, int kind) {
    return s.type(kAttrName, name)
        .type(kAttrAbbrev, abbrev)
        .choose_combo(kAttrKind, kind)
        .double_click(kAttrKinds, kWall);
  }

  std::vector<StoredRef> refs_of(long attribute) {
    DBATTRIBUTETYPE d;
    const long list = ATTRIBUTES().get_id_attribute(attribute, &d);
    std::vector<StoredRef> out;
    ATTR_REF refs;
    if (list < 1 || refs.rew(list, 0) < 1) return out;
    char name[17] = {};
    TEXTBUFFER value;
    char flags = 0;
    while (refs.get(name, &value, &flags) > 0) {
      const bool held = (flags & kRefHeld) != 0 && value.data() != nullptr;
      out.push_back({name, held ? std::string(value.data(), value.size()) : value.get(), flags});
    }
    return out;
  }

  std::string write_file(const char* name, const std::string& bytes) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }

  ModelDatabase db_;
  ModelDatabase* previous_ = nullptr;
  LISTCONTEXT lib_;
  ActiveLibrary active_{lib_};
  ScopedSettings settings_;
  ProgramRecorder viewer_;
  long dimension_ = 0;
  long metre_ = 0;
  long root_ = 0;
  fs::path dir_;
};

TEST_F(AttributeEditorTest, CreatesAFormulaAttributeWithTheKeypad) {
  ScriptedUser user;
  Script& s = user.on(kAttributeEditContext);
  basics(s, "Load", "LOAD", 0)
      .expand(kAttrUnits, dimension_)
      .select_item(kAttrUnits, metre_)
      .type(kAttrPrecision, "3")
      .check(kAttrSummarizable)
      .press(kAttrAdd)
      .press(kIdAccept);
  void* formula = nullptr;
  user.on(kFormulaContext)
      .type(kValueName, "base")
      .press(kKeyOne)
      .press(kKeyPlus)
      .observe([&](void* d) {
        formula = d;
        EXPECT_TRUE(control_enabled(d, kFormulaUndo));
      })
      .press(kKeyPi)
      .observe([](void* d) { EXPECT_EQ(control_text(d, kValueText), "1+3.14159"); })
      .press(kFormulaUndo)
      .observe([](void* d) {
        EXPECT_EQ(control_text(d, kValueText), "1+");
        EXPECT_FALSE(control_enabled(d, kFormulaUndo));
      })
      .press(kKeyPi)
      .press(kIdAccept);
  const long id = create(user);
  ASSERT_GT(id, 0) << user.leftovers();
  EXPECT_TRUE(user.finished()) << user.leftovers();
  EXPECT_NE(formula, nullptr);
  DBATTRIBUTETYPE d;
  ASSERT_GT(ATTRIBUTES().get_id_attribute(id, &d), 0);
  EXPECT_EQ(std::string(d.name), "Load");
  EXPECT_EQ(d.flags, DBATTRIBUTETYPE::kFormula | 0x1u);
  EXPECT_EQ(std::string(d.unit), "m");
  EXPECT_EQ(d.precision, 3);
  EXPECT_TRUE(d.IsSummarizable());
  const auto refs = refs_of(id);
  ASSERT_EQ(refs.size(), 1u);
  EXPECT_EQ(refs[0].name, "base");
  EXPECT_EQ(refs[0].value, "1+3.14159");
}

TEST_F(AttributeEditorTest, RefusalsAtOkKeepTheDialogOpen) {
  DBATTRIBUTETYPE taken;
  taken.set_name("Old");
  taken.set_abbrev("OLD");
  taken.flags = DBATTRIBUTETYPE::kText | 0x1;
  ASSERT_GT(ATTRIBUTES().cre_attribute(root_, &taken), 0);
  InvalidateProjectAttributes();

  ScriptedUser user;
  Script& s = user.on(kAttributeEditContext);
  s.type(kAttrName, "New").type(kAttrAbbrev, "OLD").choose_combo(kAttrKind, 1);
  // A taken abbreviation, an element parameter's one, no element kind, a
  // dimension for a unit, values only from an empty list: each refused in turn.
  s.press(kIdAccept).observe([](void* d) { EXPECT_TRUE(control_marked(d, kAttrAbbrev)); });
  s.type(kAttrAbbrev, "CNT").press(kIdAccept).observe([](void* d) {
    EXPECT_TRUE(control_marked(d, kAttrAbbrev));
  });
  s.type(kAttrAbbrev, "NEW").press(kIdAccept).observe([](void* d) {
    EXPECT_TRUE(control_marked(d, kAttrKinds));
  });
  s.double_click(kAttrKinds, kWall)
      .select_item(kAttrUnits, dimension_)
      .press(kIdAccept)
      .observe([](void* d) { EXPECT_TRUE(control_marked(d, kAttrUnits)); });
  s.expand(kAttrUnits, dimension_)
      .select_item(kAttrUnits, metre_)
      .check(kAttrChoiceOnly)
      .press(kIdAccept)
      .observe([](void* d) { EXPECT_TRUE(control_marked(d, kAttrChoiceOnly)); });
  // A name that an attribute of the group has, refused by the library.
  s.check(kAttrChoiceOnly, false).type(kAttrName, "Old").press(kIdAccept).observe([](void* d) {
    EXPECT_TRUE(control_marked(d, kAttrName));
  });
  s.press(kIdReject);
  EXPECT_EQ(create(user), 0);
  EXPECT_TRUE(user.finished()) << user.leftovers();
  EXPECT_EQ(ATTRIBUTES().get_abbrev_attribute("NEW", nullptr), 0);
}

TEST_F(AttributeEditorTest, SwitchingTheKindBringsBackItsList) {
  const std::string doc = write_file("doc.txt", "held bytes");
  ScriptedUser user;
  Script& s = user.on(kAttributeEditContext);
  basics(s, "Finish", "FIN", 1)
      .press(kAttrAdd)
      .observe([](void* d) { EXPECT_EQ(list_row_count(GetControlHWND(d, kAttrRefs)), 1); })
      .choose_combo(kAttrKind, 2)
      .observe([](void* d) { EXPECT_EQ(list_row_count(GetControlHWND(d, kAttrRefs)), 0); })
      .press(kAttrAdd)
      .choose_combo(kAttrKind, 1)
      .observe([](void* d) {
        void* list = GetControlHWND(d, kAttrRefs);
        ASSERT_EQ(list_row_count(list), 1);
        EXPECT_EQ(list_text(list, 0, 0), "paint");
      })
      .choose_combo(kAttrKind, 2)
      .observe([](void* d) { EXPECT_EQ(list_text(GetControlHWND(d, kAttrRefs), 0, 1), "doc.txt"); })
      .press(kIdAccept);
  user.on(kTextValueContext).type(kValueName, "paint").type(kValueText, "white").press(kIdAccept);
  user.choose_file(doc, FileExtrasAnswer{std::string("document"), 1, -1});
  const long id = create(user);
  ASSERT_GT(id, 0) << user.leftovers();
  EXPECT_TRUE(user.finished()) << user.leftovers();
  const auto refs = refs_of(id);
  ASSERT_EQ(refs.size(), 1u);
  EXPECT_EQ(refs[0].name, "document");
  EXPECT_EQ(refs[0].flags & kRefHeld, kRefHeld);
  EXPECT_EQ(refs[0].value, make_held_file("doc.txt", "held bytes"));
}

TEST_F(AttributeEditorTest, AcceptsAFormulaOf4095Characters) {
  ScriptedUser user;
  basics(user.on(kAttributeEditContext), "Long", "LONG", 0).press(kAttrAdd).press(kIdAccept);
  user.on(kFormulaContext)
      .type(kValueName, "max")
      .type(kValueText, std::string(4095, '1'))
      .press(kIdAccept);
  const long id = create(user);
  ASSERT_GT(id, 0) << user.leftovers();
  ASSERT_EQ(refs_of(id).size(), 1u);
  EXPECT_EQ(refs_of(id)[0].value.size(), 4095u);
}

TEST_F(AttributeEditorTest, LoadingAListOfAnotherKindLeavesItEmpty) {
  const std::string other = write_file("text.txt", "1A\r\nx\r\n");
  const std::string own = write_file("formula.txt", "0A\r\n1+1\r\n#B\r\n2\r\n");
  ScriptedUser user;
  basics(user.on(kAttributeEditContext), "Loaded", "LDD", 0)
      .press(kAttrLoad)
      .observe([](void* d) { EXPECT_EQ(list_row_count(GetControlHWND(d, kAttrRefs)), 2); })
      .press(kAttrLoad)
      .observe([](void* d) { EXPECT_EQ(list_row_count(GetControlHWND(d, kAttrRefs)), 0); })
      .press(kIdReject);
  user.choose_file(own).choose_file(other);
  create(user);
  EXPECT_TRUE(user.finished()) << user.leftovers();
  const auto& boxes = dialog_log().message_boxes;
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, load_string(21093));
  EXPECT_EQ(boxes[0].caption, load_string(21092));
}

TEST_F(AttributeEditorTest, IndirectReferencesFollowARename) {
  DBATTRIBUTETYPE d;
  d.set_name("Colour");
  d.set_abbrev("COL");
  d.flags = DBATTRIBUTETYPE::kText | 0x1;
  const long id = ATTRIBUTES().cre_attribute(root_, &d);
  ASSERT_GT(id, 0);
  const long list = ATTRIBUTES().get_id_attribute(id, &d);
  ATTR_REF refs;
  ASSERT_GT(refs.cre(list, "red", TEXTBUFFER("#f00"), 0), 0);
  ASSERT_GT(refs.cre(list, "alias", TEXTBUFFER("red"), kRefIndirect), 0);
  ASSERT_GT(refs.cre(list, "gone", TEXTBUFFER("blue"), kRefIndirect), 0);

  ScriptedUser user;
  user.on(kAttributeEditContext).select_row(kAttrRefs, 2).press(kAttrRename).press(kIdAccept);
  user.on(kRenameRefContext).type(kValueName, "crimson").press(kIdAccept);
  EXPECT_EQ(edit(user, id), id) << user.leftovers();
  const auto after = refs_of(id);
  ASSERT_EQ(after.size(), 2u);  // the indirect reference to nothing is gone
  EXPECT_EQ(after[0].name, "alias");
  EXPECT_EQ(after[0].value, "crimson");
  EXPECT_EQ(after[1].name, "crimson");
}

TEST_F(AttributeEditorTest, ViewsAHeldFileFromAFolderRemovedAfterwards) {
  const std::string doc = write_file("note.txt", "content");
  ScriptedUser user;
  std::string viewed;
  basics(user.on(kAttributeEditContext), "Docs", "DOC", 2)
      .press(kAttrAdd)
      .select_row(kAttrRefs, 0)
      .press(kAttrView)
      .observe([&](void*) {
        ASSERT_EQ(viewer_.calls().size(), 1u);
        viewed = viewer_.calls()[0].back();
        EXPECT_TRUE(fs::exists(viewed));
      })
      .press(kIdReject);
  user.choose_file(doc, FileExtrasAnswer{std::string("note"), 1, -1});
  EXPECT_EQ(create(user), 0);
  EXPECT_TRUE(user.finished()) << user.leftovers();
  ASSERT_FALSE(viewed.empty());
  EXPECT_EQ(fs::path(viewed).filename(), "note.txt");
  EXPECT_FALSE(fs::exists(fs::path(viewed).parent_path()));
}

TEST_F(AttributeEditorTest, AnEditKeepsUnchangedHeldFiles) {
  DBATTRIBUTETYPE d;
  d.set_name("Manual");
  d.set_abbrev("MAN");
  d.flags = DBATTRIBUTETYPE::kFile | 0x1;
  const long id = ATTRIBUTES().cre_attribute(root_, &d);
  const long list = ATTRIBUTES().get_id_attribute(id, &d);
  const std::string held = make_held_file("m.pdf", "pdf bytes");
  TEXTBUFFER value;
  value.assign(held.data(), static_cast<uint32_t>(held.size()));
  const long kept = ATTR_REF().filepred_import(list, "manual", value);
  ASSERT_GT(kept, 0);
  const std::string other = write_file("b.txt", "b");
  ScriptedUser user;
  user.on(kAttributeEditContext).press(kAttrAdd).press(kIdAccept);
  user.choose_file(other, FileExtrasAnswer{std::string("extra"), 0, -1});
  EXPECT_EQ(edit(user, id), id) << user.leftovers();
  char name[17] = {};
  TEXTBUFFER read;
  char flags = 0;
  EXPECT_EQ(ATTR_REF().get_id(kept, name, &read, &flags), kept);  // the same reference
  EXPECT_EQ(std::string(read.data(), read.size()), held);
  const auto refs = refs_of(id);
  ASSERT_EQ(refs.size(), 2u);
  EXPECT_EQ(refs[0].name, "extra");
  EXPECT_EQ(refs[0].value, other);
}

TEST_F(AttributeEditorTest, ShowsADefinitionReadOnly) {
  DBATTRIBUTETYPE d;
  d.set_name("Shown");
  d.set_abbrev("SHW");
  d.flags = DBATTRIBUTETYPE::kText | 0x2;
  ScriptedUser user;
  user.on(kAttributeEditContext)
      .observe([](void* dlg) {
        EXPECT_FALSE(control_visible(dlg, kAttrRefs));
        EXPECT_FALSE(control_enabled(dlg, kAttrKind));
        EXPECT_FALSE(has_control(dlg, kIdReject));
      })
      .type(kAttrDescription, "x")
      .press(kIdAccept);
  DialogUserScope scope(user);
  EXPECT_EQ(CallAttributeShow(kWindow, d), 1);
  ASSERT_EQ(dialog_log().refusals.size(), 1u);  // the description is read-only
}

}  // namespace
}  // namespace dlist
