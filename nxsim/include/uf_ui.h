/* Selection dialogs, status and prompt lines, and the host's modal dialogs. */
#ifndef UF_UI_H_INCLUDED
#define UF_UI_H_INCLUDED

#include "uf.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Response codes of the modal dialogs. */
#define UF_UI_PICK_RESPONSE NXSIM_VALUE(1, 101)
#define UF_UI_OK NXSIM_VALUE(2, 102)
#define UF_UI_CANCEL NXSIM_VALUE(3, 103)
#define UF_UI_BACK NXSIM_VALUE(4, 104)
#define UF_UI_APPLY NXSIM_VALUE(5, 105)
#define UF_UI_OBJECT_SELECTED NXSIM_VALUE(5, 106)
#define UF_UI_OBJECT_SELECTED_BY_NAME NXSIM_VALUE(6, 107)
#define UF_UI_CB_TERMINATE NXSIM_VALUE(9, 109)

/* Selection scope: any object of the displayed assembly. */
#define UF_UI_SEL_SCOPE_ANY_IN_ASSEMBLY NXSIM_VALUE(3, 113)
/* Mask action: clear the mask, then enable the triples given. */
#define UF_UI_SEL_MASK_CLEAR_AND_ENABLE_SPECIFIC NXSIM_VALUE(3, 123)

/* Object types of the mask. */
#define UF_solid_type NXSIM_VALUE(70, 170)
#define UF_component_type NXSIM_VALUE(63, 163)

/* Answers of a selection callback. */
/* Same values in every build: the styler callbacks of the tools still answer 0 and 1. */
#define UF_UI_CB_CONTINUE_DIALOG 0
#define UF_UI_CB_EXIT_DIALOG 1
/* Answers of a selection filter. */
#define UF_UI_SEL_ACCEPT NXSIM_VALUE(1, 141)
#define UF_UI_SEL_REJECT NXSIM_VALUE(0, 140)

typedef struct UF_UI_selection_s *UF_UI_selection_p_t;

typedef struct UF_UI_mask_s {
#ifdef NXSIM_OTHER_LAYOUT
    int solid_type; /* the detail */
    int object_subtype;
    int object_type;
#else
    int object_type;
    int object_subtype;
    int solid_type; /* the detail */
#endif
} UF_UI_mask_t, *UF_UI_mask_p_t;

typedef int (*UF_UI_sel_init_fn_t)(UF_UI_selection_p_t select, void *user_data);
typedef int (*UF_UI_sel_filter_fn_t)(tag_t object, int type[3], void *user_data, UF_UI_selection_p_t select);
typedef int (*UF_UI_sel_cb_fn_t)(int num_selected, tag_p_t selected_objects, int num_deselected,
                                 tag_p_t deselected_objects, void *user_data, UF_UI_selection_p_t select);

/* Multiple selection. The objects array belongs to the caller (UF_free). */
int UF_UI_select_with_class_dialog(const char *message, const char *title, int scope, UF_UI_sel_init_fn_t init_proc,
                                   void *user_data, int *response, int *count, tag_p_t *objects);
/* Single selection: the dialog closes with the first accepted pick. */
int UF_UI_select_with_single_dialog(const char *message, const char *title, int scope, UF_UI_sel_init_fn_t init_proc,
                                    void *user_data, int *response, tag_p_t object, double cursor[3], tag_p_t view);

int UF_UI_set_sel_mask(UF_UI_selection_p_t select, int action, int num_triples, UF_UI_mask_p_t mask_triples);
int UF_UI_set_sel_procs(UF_UI_selection_p_t select, UF_UI_sel_filter_fn_t filter_proc, UF_UI_sel_cb_fn_t sel_cb,
                        void *user_data);
int UF_UI_ask_sel_list_count(UF_UI_selection_p_t select, int *count);
int UF_UI_remove_from_sel_list(UF_UI_selection_p_t select, int num, tag_p_t objects, logical unhighlight);

int UF_UI_set_status(const char *message);
int UF_UI_set_prompt(const char *message);

/* Question dialog with up to three buttons. */
#define UF_UI_MESSAGE_ERROR NXSIM_VALUE(1, 151)
#define UF_UI_MESSAGE_QUESTION NXSIM_VALUE(2, 152)
#define UF_UI_MESSAGE_INFORMATION NXSIM_VALUE(3, 153)

typedef struct UF_UI_message_buttons_s {
#ifdef NXSIM_OTHER_LAYOUT
    int response3;
    int response2;
    int response1;
    const char *label3;
    const char *label2;
    const char *label1;
    logical button3;
    logical button2;
    logical button1;
#else
    logical button1;
    logical button2;
    logical button3;
    const char *label1;
    const char *label2;
    const char *label3;
    int response1;
    int response2;
    int response3;
#endif
} UF_UI_message_buttons_t, *UF_UI_message_buttons_p_t;

int UF_UI_message_dialog(const char *title, int type, char **messages, int num_messages, logical translate,
                         UF_UI_message_buttons_p_t buttons, int *response);

/* Part dialogs. part_name and file names hold at most MAX_FSPEC_SIZE characters. */
int UF_UI_ugmgr_ask_create_part_name(const char *title, char part_name[MAX_FSPEC_SIZE + 1], int *response);
int UF_UI_create_part(const char *title, char file_name[MAX_FSPEC_SIZE + 1], int *units, int *response, tag_t *part);
int UF_UI_open_part(const char *title, char file_name[MAX_FSPEC_SIZE + 1], int *response, tag_t *part);

#ifdef __cplusplus
}
#endif
#endif
