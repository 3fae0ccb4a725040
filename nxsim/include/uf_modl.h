/* Object lists. */
#ifndef UF_MODL_H_INCLUDED
#define UF_MODL_H_INCLUDED

#include "uf.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct uf_list_s *uf_list_p_t;

int UF_MODL_create_list(uf_list_p_t *list);
int UF_MODL_put_list_item(uf_list_p_t list, tag_t object);
int UF_MODL_ask_list_count(uf_list_p_t list, int *count);
int UF_MODL_ask_list_item(uf_list_p_t list, int index, tag_t *object);
/* Removes the first entry of the object; later entries close up. */
int UF_MODL_delete_list_item(uf_list_p_t *list, tag_t object);
int UF_MODL_delete_list(uf_list_p_t *list);

#ifdef __cplusplus
}
#endif
#endif
