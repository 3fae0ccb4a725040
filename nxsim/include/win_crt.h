/* The Windows run-time calls the tools make beyond the standard C library.
   On Windows these are the run-time's own declarations, and the host points a loaded
   tool's fopen, fclose, remove, time, localtime and _strdate at its drive paths and
   clock. Elsewhere fopen, remove, time, localtime and asctime keep their standard names
   in the tools' code: the build routes them to the host's run-time layer (linker option
   --wrap), so drive paths, text mode with CR LF and the host clock behave as on the
   shop floor. */
#ifndef WIN_CRT_H_INCLUDED
#define WIN_CRT_H_INCLUDED

#include <stdio.h>
#include <time.h>

#ifndef _WIN32
#ifdef __cplusplus
extern "C" {
#endif

/* Local date as "MM/DD/YY"; buffer holds at least 9 bytes. */
char *_strdate(char *buffer);
void _tzset(void);

#ifdef __cplusplus
}
#endif
#endif
#endif
