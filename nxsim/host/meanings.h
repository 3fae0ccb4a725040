// The session file, the engineer script and the transcript speak of the interface's
// constants by the numbers the host documents (2 OK, 3 Cancel, 4 Back; units 1 metric,
// 2 inch); the headers may give the constants other values (NXSIM_OTHER_LAYOUT). These
// translate at the edge, so nothing else depends on a constant's value.
#pragma once

namespace nxsim::meaning {

// A dialog's response constant as the documented number: 1 pick, 2 OK, 3 Cancel,
// 4 Back, 5 Apply or object selected, 6 selected by name, 9 closed by a callback.
// Any other value is shown as it is.
int response_number(int response);
// A number the script gives for a selection dialog's or a styler dialog's response.
int selection_response(int number);
int styler_response(int number);

// Part units: 1 metric, 2 inch; 0 for a value that is neither.
int units_number(int units);
int units_constant(int number);

// Message dialog type: 1 error, 2 question, 3 information.
int message_type_number(int type);

// ufusr_ask_unload's answer: 1 immediately, 2 when the host ends.
int unload_number(int answer);

}  // namespace nxsim::meaning
