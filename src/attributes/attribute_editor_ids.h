// Context identifiers and controls of the attribute editor and of its value
// dialogs, for the dialogs themselves and for the scripts that act in them.
#pragma once

namespace dlist {

inline constexpr int kAttributeEditContext = 22283;
inline constexpr int kFormulaContext = 22310;
inline constexpr int kTextValueContext = 22311;

// The editor.
inline constexpr int kAttrName = 10436;
inline constexpr int kAttrAbbrev = 10437;
inline constexpr int kAttrDescription = 10438;
inline constexpr int kAttrPrecision = 10439;
inline constexpr int kAttrKind = 10700;
inline constexpr int kAttrChoiceOnly = 10550;    // option bit 1
inline constexpr int kAttrSecondOption = 10551;  // option bit 2
inline constexpr int kAttrSummarizable = 10552;  // option bit 3
inline constexpr int kAttrKinds = 10752;         // element-kind tree
inline constexpr int kAttrUnits = 10753;         // unit tree
inline constexpr int kAttrRefs = 10751;          // reference list
inline constexpr int kAttrAdd = 10805;
inline constexpr int kAttrChange = 10806;
inline constexpr int kAttrRename = 10811;
inline constexpr int kAttrDelete = 10807;
inline constexpr int kAttrLoad = 10809;
inline constexpr int kAttrSave = 10810;
inline constexpr int kAttrTextMode = 10480;
inline constexpr int kAttrView = 10808;
// Commands of the reference list's context menu besides the buttons'.
inline constexpr int kAttrSaveFile = 10773;
inline constexpr int kAttrViewFile = 10774;
inline constexpr int kAttrCloseMenu = 37;

// The formula and text dialogs.
inline constexpr int kValueName = 10436;
inline constexpr int kValueText = 10437;
inline constexpr int kFormulaUndo = 10805;
inline constexpr int kTextCall = 10805;
inline constexpr int kFormulaFunctions = 10750;
inline constexpr int kFormulaParameters = 10751;
inline constexpr int kValueReferences = 10752;  // link mode: the attribute's references
// Keypad buttons.
inline constexpr int kKeyOne = 10810;
inline constexpr int kKeyFour = 10811;
inline constexpr int kKeySeven = 10812;
inline constexpr int kKeyZero = 10813;
inline constexpr int kKeyTwo = 10814;
inline constexpr int kKeyFive = 10815;
inline constexpr int kKeyEight = 10816;
inline constexpr int kKeyPoint = 10817;
inline constexpr int kKeyThree = 10818;
inline constexpr int kKeySix = 10819;
inline constexpr int kKeyNine = 10820;
inline constexpr int kKeyPi = 10821;
inline constexpr int kKeyPlus = 10806;
inline constexpr int kKeyMinus = 10807;
inline constexpr int kKeyTimes = 10808;
inline constexpr int kKeyDivide = 10809;

// The rename dialog of a reference.
inline constexpr int kRenameRefContext = 22312;

}  // namespace dlist
