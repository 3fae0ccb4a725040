/* Core of the host's C interface: tags, start and end, failure texts, memory,
   timers and the simple message and choice boxes. */
#ifndef UF_H_INCLUDED
#define UF_H_INCLUDED

#ifdef __cplusplus
extern "C" {
#endif

/* NXSIM_OTHER_LAYOUT builds nxsim and the tools with other values for the constants
   and another member order in the structs, as another host's headers may have them:
   both sides must rely on the names alone. */
#ifdef NXSIM_OTHER_LAYOUT
#define NXSIM_VALUE(usual, other) (other)
#else
#define NXSIM_VALUE(usual, other) (usual)
#endif

typedef unsigned int tag_t;
typedef tag_t *tag_p_t;
typedef int logical;

#define NULL_TAG ((tag_t)0)
#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

/* Text sizes the host guarantees not to exceed (terminator not counted). */
#define MAX_FSPEC_SIZE 256
#define MAX_ENTITY_NAME_SIZE 30
#define UF_MAX_FAIL_MESSAGE_SIZE 132

/* Answers of ufusr_ask_unload. */
#define UF_UNLOAD_IMMEDIATELY NXSIM_VALUE(1, 11)
#define UF_UNLOAD_UG_TERMINATE NXSIM_VALUE(2, 12)

int UF_initialize(void);
int UF_terminate(void);
int UF_get_fail_message(int error_code, char message[UF_MAX_FAIL_MESSAGE_SIZE + 1]);
void UF_free(void *data);

int UF_is_ugmanager_active(logical *is_active);

typedef int UF_timer_t;
typedef struct UF_timer_values_s {
#ifdef NXSIM_OTHER_LAYOUT
    double real_time; /* seconds */
    double cpu_time;  /* seconds */
#else
    double cpu_time;  /* seconds */
    double real_time; /* seconds */
#endif
} UF_timer_values_t;

int UF_begin_timer(UF_timer_t *timer_id);
int UF_end_timer(UF_timer_t timer_id, UF_timer_values_t *values);

/* Message box; wait 1 means the engineer must acknowledge it. */
int uc1601(const char *message, int wait);

/* Choice box: answers 1 back, 2 cancel, 5 + k for option k, 19 not possible now. */
#define UF_CHOICE_OPTION_SIZE 38
int uc1603(const char *title, int default_option, char options[][UF_CHOICE_OPTION_SIZE], int num_options);

#ifdef __cplusplus
}
#endif
#endif
