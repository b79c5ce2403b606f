/* Builds the packaged Duktape amalgamation with Quillet's configuration.
 * duktape.h includes duk_config.h from its own directory, which would ignore
 * a project copy; including our configuration first (it pulls in the packaged
 * one and then adjusts it) sets the include guard, so our settings stand. */
#define DUK_COMPILING_DUKTAPE
#include "duk_quillet_config.h"
#include "duktape.c"
