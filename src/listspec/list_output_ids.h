// Controls, commands, dialog contexts and settings of the list output dialog and of
// its tree editor.
#pragma once

namespace dlist::listspec {

// ---- the list output dialog -----------------------------------------------------------
inline constexpr int kOutputContext = 22204;
inline constexpr int kOutName = 10396;        // the current list definition's name
inline constexpr int kOutTree = 10750;        // the current list definition's tree
inline constexpr int kOutSplitter = 10806;    // upright, between the tree and the column
inline constexpr int kOutPalette = 10751;     // the node kinds
inline constexpr int kOutSplitterH = 10807;   // flat, between the two right-hand trees
inline constexpr int kOutSections = 10752;    // the template's section definitions
inline constexpr int kOutAdapter = 10061;     // the hidden "mouse_adapter" window
inline constexpr int kOutClose = 10809;

// File menu.
inline constexpr int kCmdOpen = 10770;
inline constexpr int kCmdSaveAs = 10771;
inline constexpr int kCmdSave = 10772;
inline constexpr int kCmdGenerateAll = 10773;
inline constexpr int kCmdClose = 10774;
// Node menu (and the tree's context menu).
inline constexpr int kCmdCopy = 10775;
inline constexpr int kCmdPasteSon = 10776;
inline constexpr int kCmdPasteAfter = 10777;
inline constexpr int kCmdInsertKindAfter = 10778;
inline constexpr int kCmdInsertSectionAfter = 10779;
inline constexpr int kCmdInsertKindSon = 10780;
inline constexpr int kCmdInsertSectionSon = 10781;
inline constexpr int kCmdDelete = 10782;
inline constexpr int kCmdLabel = 10783;
inline constexpr int kCmdProperties = 10784;
inline constexpr int kCmdFilters = 10785;
inline constexpr int kCmdAttribute = 10786;
inline constexpr int kCmdEnable = 10787;
// List menu.
inline constexpr int kCmdNew = 10788;
inline constexpr int kCmdChoose = 10789;
inline constexpr int kCmdCopyList = 10790;
inline constexpr int kCmdGenerate = 10791;
inline constexpr int kCmdDeleteList = 10792;
inline constexpr int kCmdRename = 10793;
inline constexpr int kCmdMark = 10794;
inline constexpr int kCmdListProperties = 10795;
inline constexpr int kCmdPrecision = 10796;
inline constexpr int kCmdConvert = 10797;
inline constexpr int kCmdAddOptions = 10798;
inline constexpr int kCmdDismiss = 10805;  // the context menu's entry that only closes it

// Settings: the last set file and the last current list definition.
inline constexpr int kSettingSetFile = 141;
inline constexpr int kSettingListName = 142;

// ---- the dialogs of the list menu -------------------------------------------------------
inline constexpr int kNewNameContext = 22197;
inline constexpr int kCopyNameContext = 22317;
inline constexpr int kRenameContext = 22316;
inline constexpr int kChooseContext = 22205;
inline constexpr int kMarkContext = 22206;
inline constexpr int kListPropertiesContext = 22210;
inline constexpr int kPrecisionContext = 22241;

inline constexpr int kNameInput = 10436;       // name dialogs
inline constexpr int kChooseTree = 10750;      // the chooser and the marks (items by name)
inline constexpr int kPrecisionList = 10750;
inline constexpr int kPrecisionLower = 10805;
inline constexpr int kPrecisionRaise = 10806;

// The properties of a list definition.
inline constexpr int kPropCurrency = 10436;    // 1 to 3 characters
inline constexpr int kPropTitle = 10437;       // 0 to 80 characters
inline constexpr int kPropName = 10438;        // 1 to 31 characters
inline constexpr int kPropScale = 10439;       // 1e-9 to 1e8
inline constexpr int kPropDecimals = 10440;    // -9 to 9
inline constexpr int kPropOutput = 10805;      // the output file, with its chooser button 10808
inline constexpr int kPropOutputChoose = 10808;
inline constexpr int kPropSummarize = 10550;
inline constexpr int kPropSortOrder = 10700;
inline constexpr int kPropTotals = 10701;
inline constexpr int kPropDateFormat = 10702;  // one of texts 16720 to 16728
inline constexpr int kPropRounding = 10703;    // one of texts 16760 to 16762
inline constexpr int kPropYear = 10443;
inline constexpr int kPropMonth = 10705;
inline constexpr int kPropDay = 10442;
inline constexpr int kPropRange = 10015;       // "LOW..HIGH" or one number

// ---- the tree editor's dialogs -------------------------------------------------------------
inline constexpr int kLabelContext = 22318;
inline constexpr int kGroupCaptionContext = 22319;
inline constexpr int kElementLoopContext = 22312;
inline constexpr int kSectionChoiceContext = 22294;
inline constexpr int kSubpriceChoiceContext = 22198;
inline constexpr int kElemAttributeChoiceContext = 22333;
inline constexpr int kMaterialLoopContext = 22322;
inline constexpr int kFilterContext = 22199;
inline constexpr int kAttributeChooserContext = 22208;
inline constexpr int kReportContext = 22366;
// Contexts of our own: the value list of an attribute loop and the chosen plans,
// floors or layers of a loop.
inline constexpr int kValueListContext = 50310;
inline constexpr int kChosenItemsContext = 50311;

// Element loop properties.
inline constexpr int kElemKind = 10700;         // combo, index = kind - 16
inline constexpr int kElemPrototypeOnly = 10550;
inline constexpr int kElemKey1 = 10436;         // keys 10436 to 10438, flags 10551 to 10553
inline constexpr int kElemFlag1 = 10551;
// Two-choice dialogs, material loops, captions and labels.
inline constexpr int kChoiceCheck = 10550;
inline constexpr int kMaterialSummary = 10550;
inline constexpr int kMaterialLevel = 10436;
inline constexpr int kTextInput = 10436;
// Value lists and chosen items: the list, the input, add, replace, delete.
inline constexpr int kItemsList = 10750;
inline constexpr int kItemsInput = 10436;
inline constexpr int kItemsNumber = 10437;      // plans: the layout sheet's number
inline constexpr int kItemsKey = 10438;         // floors: key 1
inline constexpr int kItemsKeyFlag = 10551;     // floors: flag 1
inline constexpr int kItemsAdd = 10805;
inline constexpr int kItemsReplace = 10806;
inline constexpr int kItemsDelete = 10807;
// The filter dialog.
inline constexpr int kFilterList = 10750;
inline constexpr int kFilterKey = 10436;
inline constexpr int kFilterIntLow = 10437;
inline constexpr int kFilterIntHigh = 10438;
inline constexpr int kFilterRealLow = 10439;
inline constexpr int kFilterRealHigh = 10440;
inline constexpr int kFilterTextLow = 10441;
inline constexpr int kFilterTextHigh = 10442;
inline constexpr int kFilterRequired = 10550;
inline constexpr int kFilterCaseOff = 10551;
inline constexpr int kFilterSearch = 10700;
inline constexpr int kFilterAdd = 10805;
inline constexpr int kFilterReplace = 10806;
inline constexpr int kFilterDelete = 10807;
inline constexpr int kFilterChoose = 10808;
// The attribute chooser: the list, and one check box a kind bit from 10550 on.
inline constexpr int kChooserList = 10750;
inline constexpr int kChooserFirstKind = 10550;
inline constexpr int kChooserKinds = 22;
// The validity report.
inline constexpr int kReportText = 10436;

}  // namespace dlist::listspec
