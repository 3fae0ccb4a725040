/* Selection dialogs, status and prompt lines, and the host's modal dialogs. */
#ifndef UF_UI_H_INCLUDED
#define UF_UI_H_INCLUDED

#include "uf.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Response codes of the modal dialogs. */
#define UF_UI_PICK_RESPONSE 1
#define UF_UI_OK 2
#define UF_UI_CANCEL 3
#define UF_UI_BACK 4
#define UF_UI_APPLY 5
#define UF_UI_OBJECT_SELECTED 5
#define UF_UI_OBJECT_SELECTED_BY_NAME 6
#define UF_UI_CB_TERMINATE 9

/* Selection scope: any object of the displayed assembly. */
#define UF_UI_SEL_SCOPE_ANY_IN_ASSEMBLY 3
/* Mask action: clear the mask, then enable the triples given. */
#define UF_UI_SEL_MASK_CLEAR_AND_ENABLE_SPECIFIC 3

/* Object types of the mask. */
#define UF_solid_type 70
#define UF_component_type 63

/* Answers of a selection callback. */
#define UF_UI_CB_CONTINUE_DIALOG 0
#define UF_UI_CB_EXIT_DIALOG 1
/* Answers of a selection filter. */
#define UF_UI_SEL_ACCEPT 1
#define UF_UI_SEL_REJECT 0

typedef struct UF_UI_selection_s *UF_UI_selection_p_t;

typedef struct UF_UI_mask_s {
    int object_type;
    int object_subtype;
    int solid_type; /* the detail */
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
#define UF_UI_MESSAGE_ERROR 1
#define UF_UI_MESSAGE_QUESTION 2
#define UF_UI_MESSAGE_INFORMATION 3

typedef struct UF_UI_message_buttons_s {
    logical button1;
    logical button2;
    logical button3;
    const char *label1;
    const char *label2;
    const char *label3;
    int response1;
    int response2;
    int response3;
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
