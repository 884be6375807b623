// Context identifiers and controls of the material dialogs, for the dialogs
// themselves and for the scripts that act in them.
#pragma once

namespace dlist {

inline constexpr int kEditMaterialContext = 22274;
inline constexpr int kRenameMaterialContext = 22275;
inline constexpr int kShowMaterialContext = 22290;
inline constexpr int kLongTextsContext = 22294;

// The editing dialog.
inline constexpr int kMatParentCode = 10412;
inline constexpr int kMatOwnCode = 10440;
inline constexpr int kMatName = 10436;
inline constexpr int kMatMarket = 10700;
inline constexpr int kMatUnitPrice = 10437;
inline constexpr int kMatSubprices = 10751;
inline constexpr int kMatOperation = 10701;
inline constexpr int kMatRowValue = 10439;
inline constexpr int kMatNativeUnit = 10405;
inline constexpr int kMatNativeFactor = 10441;
inline constexpr int kMatFurtherTree = 10750;
inline constexpr int kMatNativeTree = 10752;
inline constexpr int kMatUnitFactor = 10438;
inline constexpr int kMatLongTexts = 10805;
inline constexpr int kMatTotal = 10404;
inline constexpr int kMatNativeRadio = 10500;
inline constexpr int kMatFurtherRadio = 10501;
// Context menu commands of the subprice list: the status they set is the
// command minus kStatusCommand.
inline constexpr int kStatusCommand = 21465;

// The display dialog.
inline constexpr int kShowSubprices = 10754;
inline constexpr int kShowUnits = 10753;

// The long texts dialog.
inline constexpr int kLongTextTabs = 10806;
inline constexpr int kLongTextEdit = 10436;
inline constexpr int kMaxLongText = 16000;

}  // namespace dlist
