/* The product data manager (TeamCenter), as far as the host exposes it. */
#ifndef UF_UGMGR_H_INCLUDED
#define UF_UGMGR_H_INCLUDED

#include "uf.h"

#ifdef __cplusplus
extern "C" {
#endif

#define UF_UGMGR_PARTNO_SIZE 128
#define UF_UGMGR_PARTREV_SIZE 32
#define UF_UGMGR_FTYPE_SIZE 32
#define UF_UGMGR_FNAME_SIZE 128

int UF_UGMGR_encode_part_filename(const char *part_number, const char *part_revision, const char *part_file_type,
                                  const char *part_file_name, char encoded_name[MAX_FSPEC_SIZE + 1]);
int UF_UGMGR_decode_part_filename(const char *encoded_name, char part_number[UF_UGMGR_PARTNO_SIZE + 1],
                                  char part_revision[UF_UGMGR_PARTREV_SIZE + 1],
                                  char part_file_type[UF_UGMGR_FTYPE_SIZE + 1],
                                  char part_file_name[UF_UGMGR_FNAME_SIZE + 1]);

#ifdef __cplusplus
}
#endif
#endif
