/* Builds the packaged Duktape amalgamation with Quillet's configuration.
 * duktape.h includes duk_config.h from its own directory, which would ignore
 * a project copy; including our configuration first (it pulls in the packaged
 * one and then adjusts it) sets the include guard, so our settings stand. */
#define DUK_COMPILING_DUKTAPE
#include "duk_quillet_config.h"
#include "duktape.c"

/* Makes the thread now running check its execution timeout before its next
 * bytecode instruction (the executor otherwise checks only every 256k
 * instructions, which a loop of heavy built-in calls stretches into many
 * seconds). Same adjustment the engine makes when a debugger asks to pause. */
void quillet_duk_interrupt_soon(void *ctx) {
	duk_hthread *thr = (duk_hthread *) ctx;
	duk_hthread *running;
	if (thr == NULL || thr->heap == NULL) {
		return;
	}
	running = thr->heap->curr_thread;
	if (running != NULL && running->interrupt_counter > 0) {
		running->interrupt_init -= running->interrupt_counter;
		running->interrupt_counter = 0;
	}
}
