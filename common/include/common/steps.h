// Steps the tools share over the host interface: how a step ended, the component
// selections, un-highlighting, mapping between frames, and owners of what the host
// hands out. Every host call stores its result in error_code; a failing one goes to
// the reporter the tool passes, so each tool's log keeps its own layout.
#pragma once

#include "uf.h"
#include "uf_modl.h"
#include "uf_ui.h"

// How a step of a tool ended.
enum class step {
    go_on,   // the next step may run
    back,    // the engineer asked for the step before (Back)
    ended,   // the engineer ended the run (Cancel): nothing failed
    failed,  // a host call failed; reported, its code in error_code
};

// report_error, report_error_logic or report_error_dialog; nullptr where the
// failure is not reported at that point (an init procedure whose dialog answers it).
using error_reporter = void (*)(int code, int line);

// --- Owners of what the host hands out: freed on every way out -----------------

// An array of tags the host allocated (a selection, an occurrence's children).
struct host_tags {
    tag_t *items = nullptr;
    int count = 0;

    host_tags() = default;
    host_tags(const host_tags &) = delete;
    host_tags &operator=(const host_tags &) = delete;
    ~host_tags() { release(); }

    // UF_free (not a host call that can fail) and empty again.
    void release();
};

// A host list (UF_MODL_create_list). Deleted by remove() at the regular end, or on
// the way out of a failure by the destructor, which reports a failing delete to
// `report` but leaves error_code to the failure that ended the step.
struct host_list {
    uf_list_p_t list = nullptr;
    error_reporter report = nullptr;

    constexpr explicit host_list(error_reporter reporter) : report(reporter) {}
    host_list(const host_list &) = delete;
    host_list &operator=(const host_list &) = delete;
    ~host_list();

    int create();  // error_code, reported; the list stays empty on failure
    int remove();  // error_code, reported; the list is gone either way
};

// --- The children of an occurrence ------------------------------------------------

// The occurrence's children, held by `children` (whatever it held is released first).
// The host answers a failure as its code negated, instead of a count: that code goes
// to error_code and to `report`, and children stays empty. Answers error_code.
int ask_occurrence_children(tag_t occurrence, host_tags &children, error_reporter report);

// --- The rivets under a component ------------------------------------------------

// The next member under the component after `member` that carries the rivet mark
// (NULL_TAG starts the cycle); member is NULL_TAG again after the last. Others are
// passed over. Answers error_code, a failing call reported.
int next_rivet_member(tag_t component, tag_t &member, error_reporter report);

// --- Selection set-ups -----------------------------------------------------------

// Components only. A failing call is reported when `report` is given; answers true
// when the mask is set.
bool set_component_mask(UF_UI_selection_p_t select, error_reporter report);

// Init procedure with the component mask alone; the dialog answers a failure.
int component_mask_init(UF_UI_selection_p_t select, void *user_data);

// Component mask, then the filter and the selection callback (either may be null).
// Answers what an init procedure answers: 1 to go on, 0 after a failing call.
int init_component_selection(UF_UI_selection_p_t select, UF_UI_sel_filter_fn_t filter, UF_UI_sel_cb_fn_t callback,
                             void *user_data, error_reporter report);

// --- The class selection of components ---------------------------------------------

struct component_selection {
    const char *cue;
    const char *title;
    UF_UI_sel_init_fn_t init;
    const char *nothing_selected;  // box shown when the engineer confirms an empty selection
    error_reporter report;
    // A refused selection (Back, Cancel) is un-highlighted before it is freed.
    bool unhighlight_refused = false;
};

// Shows the class selection dialog until the engineer confirms at least one object
// (go_on, objects held), presses Back (back) or Cancel (ended), or the dialog or an
// un-highlight fails (failed, reported). The objects of any other answer are freed at
// once. Back is the caller's: most tools simply show the dialog again.
step select_components(const component_selection &dialog, host_tags &objects);

// The single selection dialog with its user data until the engineer picks an object
// (go_on, picked set and its highlight switched off), presses Back (back) or Cancel
// (ended), or the dialog or the un-highlight fails (failed, reported). A confirmed
// empty pick shows nothing_selected and the dialog again. unhighlight_refused is not
// read: a refused single selection holds nothing.
step select_component(const component_selection &dialog, void *user_data, tag_t &picked);

// Switches the highlight of the objects off in order; the first failing call is
// reported and ends it. Answers error_code.
int unhighlight(const tag_t *objects, int count, error_reporter report);

// --- Taking back a half-made instance ----------------------------------------------

// After the failure in error_code, reported here at `line`, on the way from a new
// instance to a finished one: removes that instance again. A failing remove is
// reported too. Answers true when the instance is gone; error_code keeps the failure.
bool take_back_instance(tag_t instance, int line, error_reporter report);

// The same after a failure that is reported already: only a failing remove is
// reported here.
bool remove_instance_again(tag_t instance, error_reporter report);

// --- Mapping between frames (UF_CSYS_* codes) ------------------------------------

// A point from one frame into another; answers error_code (not reported here).
int map_point(int from, const double point[3], int to, double mapped[3]);

// An axis placed at from_origin, whose image mapped_origin is known: the image of its
// tip less mapped_origin, so the axis turns with the frame as the origin moves with
// it. One host call; answers error_code (not reported here).
int map_axis(int from, const double from_origin[3], const double axis[3], int to, const double mapped_origin[3],
             double mapped[3]);

// An axis alone: the images of its tip (from the frame's zero) and of the zero, the
// second taken off the first. Two host calls, in that order; answers error_code.
int map_direction(int from, const double axis[3], int to, double mapped[3]);
