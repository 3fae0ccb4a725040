/* Assemblies: components (occurrences), instances and the work part. */
#ifndef UF_ASSEM_H_INCLUDED
#define UF_ASSEM_H_INCLUDED

#include "uf.h"
#include "uf_part.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Layer code for "the work layer of the parent". */
#define UF_ASSEM_WORK_LAYER NXSIM_VALUE(-1, -5)

/* Origin and orientation rows (X, Y, Z) in absolute coordinates of the displayed part. */
int UF_ASSEM_ask_component_data(tag_t component, char part_name[MAX_FSPEC_SIZE + 1],
                                char refset_name[MAX_ENTITY_NAME_SIZE + 1],
                                char instance_name[MAX_ENTITY_NAME_SIZE + 1], double origin[3], double csys_matrix[9],
                                double transform[4][4]);

/* Returns the number of children, or the failure's code negated; the array belongs to
   the caller (UF_free). */
int UF_ASSEM_ask_part_occ_children(tag_t part_occurrence, tag_t **child_part_occs);

/* Cycles the objects of a component: start and end with NULL_TAG. */
int UF_ASSEM_cycle_objs_in_comp(tag_t component, tag_t *member);

/* Origin and the X and Y axes (csys_matrix[0..5]) in the parent part's coordinates. */
int UF_ASSEM_add_part_to_assembly(tag_t parent_part, const char *part_name, const char *refset_name,
                                  const char *instance_name, double origin[3], double csys_matrix[6], int layer,
                                  tag_t *instance, UF_PART_load_status_t *error_status);
int UF_ASSEM_remove_instance(tag_t instance);

tag_t UF_ASSEM_ask_child_of_instance(tag_t instance);
tag_t UF_ASSEM_ask_inst_of_part_occ(tag_t part_occurrence);
/* NULL_TAG as parent: the root of the displayed part. */
tag_t UF_ASSEM_ask_part_occ_of_inst(tag_t parent_part_occ, tag_t instance);

int UF_ASSEM_set_work_part(tag_t part);
tag_t UF_ASSEM_ask_work_part(void);

#ifdef __cplusplus
}
#endif
#endif
