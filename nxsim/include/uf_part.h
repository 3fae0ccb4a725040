/* Parts: the displayed part, units, names, creation, saving and closing. */
#ifndef UF_PART_H_INCLUDED
#define UF_PART_H_INCLUDED

#include "uf.h"

#ifdef __cplusplus
extern "C" {
#endif

#define UF_PART_METRIC NXSIM_VALUE(1, 41)
#define UF_PART_ENGLISH NXSIM_VALUE(2, 42)

/* Scope and mode of UF_PART_close. */
#define UF_PART_close_this_part NXSIM_VALUE(0, 43)
#define UF_PART_close_no_unload NXSIM_VALUE(0, 44)
#define UF_PART_close_unload NXSIM_VALUE(1, 45)

/* Answers of UF_PART_is_loaded. */
#define UF_PART_NOT_LOADED NXSIM_VALUE(0, 46)
#define UF_PART_FULLY_LOADED NXSIM_VALUE(1, 47)

typedef struct UF_PART_load_status_s {
#ifdef NXSIM_OTHER_LAYOUT
    int *statuses;
    char **file_names; /* n_parts entries; release with UF_PART_free_load_status */
    int n_parts;
    logical failed;
#else
    logical failed;
    int n_parts;
    char **file_names; /* n_parts entries; release with UF_PART_free_load_status */
    int *statuses;
#endif
} UF_PART_load_status_t;

tag_t UF_PART_ask_display_part(void);
int UF_PART_set_display_part(tag_t part);
int UF_PART_ask_units(tag_t part, int *units);
int UF_PART_ask_part_name(tag_t part, char part_fspec[MAX_FSPEC_SIZE + 1]);
tag_t UF_PART_ask_part_tag(const char *part_name);
int UF_PART_is_loaded(const char *part_name);
int UF_PART_new(const char *part_name, int units, tag_t *part);
/* Saves the work part. */
int UF_PART_save(void);
int UF_PART_close(tag_t part, int scope, int mode);
void UF_PART_free_load_status(UF_PART_load_status_t *status);

#ifdef __cplusplus
}
#endif
#endif
