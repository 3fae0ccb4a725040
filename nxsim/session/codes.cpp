#include "codes.h"

namespace nxsim {

const char *code::fail_text(int value) {
    switch (value) {
    case kNotInitialized: return "NX Open is not initialized";
    case kInvalidArgument: return "Invalid argument";
    case kInternal: return "Internal error of the host";
    case kInvalidTag: return "Invalid object tag";
    case kNotAComponent: return "The object is not a component";
    case kNameTooLong: return "Name is too long";
    case kInvalidColor: return "Invalid color number";
    case kNoWorkOccurrence: return "The work part is not a component of the displayed part";
    case kAttrTitle: return "Invalid attribute title";
    case kAttrValue: return "Invalid attribute value";
    case kAttrAssign: return "Attribute could not be assigned";
    case kPartNotFound: return "File not found";
    case kPartNotLoaded: return "Part is not loaded";
    case kPartExists: return "File already exists";
    case kPartCycle: return "A part cannot be a component of itself";
    case kTeamCenterRefresh: return "The Teamcenter session must be refreshed";
    case kNoDisplayedPart: return "No part is displayed";
    case kSelectionInit: return "Selection could not be initialized";
    case kNoSelection: return "No selection dialog is open";
    case kDialogFile: return "Dialog file could not be opened";
    case kDialogItem: return "Unknown dialog item";
    case kDialogAttribute: return "Item attribute is not valid for this item";
    case kDialogIndex: return "List index out of range";
    case kDialogNotOpen: return "The dialog is not open";
    case kListInvalid: return "Invalid list";
    case kListIndex: return "List index out of range";
    case kListItemMissing: return "Object is not in the list";
    case kTimerInvalid: return "Invalid timer";
    case kDecode: return "Part file name cannot be decoded";
    default: return nullptr;
    }
}

}  // namespace nxsim
