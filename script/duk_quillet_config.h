/* Duktape configuration for Quillet: the packaged configuration plus the
 * execution-timeout hook, so that no evaluation of server text can run past
 * its time budget. Include this instead of duk_config.h, before duktape.h. */
#if !defined(QUILLET_DUK_CONFIG_H)
#define QUILLET_DUK_CONFIG_H

/* The packaged configuration, found through the engine's source directory. */
#include "duk_config.h"

#undef DUK_USE_INTERRUPT_COUNTER
#define DUK_USE_INTERRUPT_COUNTER

#if defined(__cplusplus)
extern "C" {
#endif
/* Called from the bytecode executor's interrupt; non-zero ends the running
 * evaluation with a RangeError. udata is the heap's user data. */
int quillet_duk_exec_timeout(void* udata);
/* Defined beside the engine's source: makes the running thread check its
 * timeout at its next instruction. ctx is any context of the heap. */
void quillet_duk_interrupt_soon(void* ctx);
#if defined(__cplusplus)
}
#endif

/* The build sets QUILLET_DUK_SETJMP_WITHOUT_FRAME for 64-bit Windows, where
 * setjmp records a frame for the system's unwinder and
 * longjmp then unwinds through it: across the engine's frames that ends the
 * process (0xc0000029 at -O2). Without a frame, longjmp is a plain jump, as
 * it is everywhere else. */
#if defined(QUILLET_DUK_SETJMP_WITHOUT_FRAME)
#undef DUK_SETJMP
#define DUK_SETJMP(jb) _setjmp((jb), NULL)
#endif

#undef DUK_USE_EXEC_TIMEOUT_CHECK
#define DUK_USE_EXEC_TIMEOUT_CHECK(udata) quillet_duk_exec_timeout((udata))

#endif
