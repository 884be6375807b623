// The context identifiers and control identifiers of the library record dialogs
// and of the list import's questions, for the code that scripts them.
#pragma once

namespace dlist::listdlg {

// Dialogs.
inline constexpr int kMarketContext = 22276;
inline constexpr int kSubpriceContext = 22277;
inline constexpr int kRenameSubpriceContext = 22278;
inline constexpr int kUnitContext = 22279;
inline constexpr int kRenameUnitContext = 22280;
inline constexpr int kAbbreviationContext = 22286;
inline constexpr int kLongTextNamesContext = 22287;
inline constexpr int kDimensionContext = 22288;
inline constexpr int kUnitQuestionContext = 22291;
inline constexpr int kDimensionQuestionContext = 22292;
inline constexpr int kImportSubpriceContext = 22293;
inline constexpr int kTextReaderContext = 22298;
inline constexpr int kSeparatorContext = 22381;
inline constexpr int kOverwriteContext = 22391;

// Fields.
inline constexpr int kName = 10436;       // also the first editor of a dialog
inline constexpr int kAbbrev = 10437;     // also the second editor
inline constexpr int kValue = 10438;      // subprice value, unit factor, third editor
inline constexpr int kFormula = 10439;    // subprice formula, fourth editor
inline constexpr int kKind = 10700;       // subprice kind combo
inline constexpr int kBasicUnit = 10410;  // the dimension's basic unit, read-only
inline constexpr int kFirstText = 10396;  // descriptions above the editors
inline constexpr int kSecondText = 10397;
inline constexpr int kChoiceList = 10440;  // the list of the dimension and unit questions

// The overwrite question.
inline constexpr int kParentCode = 10441;
inline constexpr int kOwnCode = 10442;
inline constexpr int kStoredName = 10443;
inline constexpr int kImportedName = 10444;
inline constexpr int kOverwrite = 10770;
inline constexpr int kKeep = 10771;
inline constexpr int kOverwriteAll = 10772;
inline constexpr int kKeepAll = 10773;
inline constexpr int kShowImported = 10774;
inline constexpr int kShowStored = 10775;

}  // namespace dlist::listdlg
