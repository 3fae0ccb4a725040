// Failure codes nxsim answers, with the texts UF_get_fail_message gives for them.
#pragma once

#include "export.h"

namespace nxsim::code {

constexpr int kNotInitialized = 3;
constexpr int kInvalidArgument = 4;
constexpr int kInternal = 5;
constexpr int kInvalidTag = 3520016;
constexpr int kNotAComponent = 3520017;
constexpr int kNameTooLong = 3520020;
constexpr int kInvalidColor = 3520030;
constexpr int kNoWorkOccurrence = 3520031;
constexpr int kAttrTitle = 515001;
constexpr int kAttrValue = 515002;
constexpr int kAttrAssign = 515003;
constexpr int kPartNotFound = 1020001;
constexpr int kPartNotLoaded = 1020002;
constexpr int kPartExists = 1020004;
constexpr int kPartCycle = 1020010;
constexpr int kTeamCenterRefresh = 920007;
constexpr int kNoDisplayedPart = 1105012;
constexpr int kSelectionInit = 1105001;
constexpr int kNoSelection = 1105002;
constexpr int kDialogFile = 1800001;
constexpr int kDialogItem = 1800002;
constexpr int kDialogAttribute = 1800003;
constexpr int kDialogIndex = 1800004;
constexpr int kDialogNotOpen = 1800005;
constexpr int kListInvalid = 610001;
constexpr int kListIndex = 610002;
constexpr int kListItemMissing = 610003;
constexpr int kTimerInvalid = 710001;
constexpr int kDecode = 920010;

// The text for a code, at most 132 characters; a generic one for codes nxsim
// does not give itself (such as codes a script injects).
NXSIM_EXPORT const char *fail_text(int value);

}  // namespace nxsim::code
