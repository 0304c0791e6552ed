/* A tour of the library from C: environment and task, streams linked to the terminal, parameters set by
 * identifier, by name and from text, symbolic constants, error reports and the last error, information items
 * and a statistics file. */
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "zirva.h"

static void ZRVAPI print_stream(ZRVuserhandle_t handle, const char* text) {
  fputs(text, (FILE*)handle);
}

/* Everything goes through the task's message stream, so the demo's lines and the library's reports keep their
 * order. */
static ZRVtask_t g_task = NULL;

static void say(const char* fmt, ...) {
  char line[2048];
  va_list ap;
  va_start(ap, fmt);
  vsnprintf(line, sizeof line, fmt, ap);
  va_end(ap);
  ZRV_echotask(g_task, ZRV_STREAM_MSG, "%s", line);
}

static int check(const char* what, ZRVrescodee r, ZRVrescodee expected) {
  char sym[ZRV_MAX_STR_LEN], desc[ZRV_MAX_STR_LEN];
  ZRV_getcodedesc(r, sym, desc);
  say("  %-46s -> %s (%d)\n", what, sym, (int)r);
  return r == expected ? 0 : 1;
}

int main(void) {
  ZRVenv_t env = NULL;
  ZRVtask_t task = NULL;
  int failures = 0;
  char text[ZRV_MAX_STR_LEN];
  ZRVint32t ivalue = 0;
  ZRVrealt dvalue = 0;

  if (ZRV_makeenv(&env, NULL) != ZRV_RES_OK) return 1;
  ZRV_linkfunctoenvstream(env, ZRV_STREAM_MSG, stdout, print_stream);
  ZRV_linkfunctoenvstream(env, ZRV_STREAM_ERR, stdout, print_stream);
  ZRV_echointro(env, 0);
  ZRV_linkfunctoenvstream(env, ZRV_STREAM_MSG, stdout, print_stream); /* relinking flushes the stream */
  if (ZRV_maketask(env, 0, 0, &task) != ZRV_RES_OK) return 1;
  g_task = task;
  /* The log stream carries a copy of messages, errors and warnings alike. */
  ZRV_linkfunctotaskstream(task, ZRV_STREAM_LOG, stdout, print_stream);

  say("Parameters\n");
  failures += check("putintparam ZRV_IPAR_NUM_THREADS 2", ZRV_putintparam(task, ZRV_IPAR_NUM_THREADS, 2), ZRV_RES_OK);
  failures += check("putparam \"ZRV_IPAR_OPTIMIZER\" \"ZRV_OPTIMIZER_INTPNT\"",
                    ZRV_putparam(task, "ZRV_IPAR_OPTIMIZER", "ZRV_OPTIMIZER_INTPNT"), ZRV_RES_OK);
  ZRV_getintparam(task, ZRV_IPAR_OPTIMIZER, &ivalue);
  ZRV_iparvaltosymnam(env, ZRV_IPAR_OPTIMIZER, ivalue, text);
  say("  ZRV_IPAR_OPTIMIZER is now %d (%s)\n", (int)ivalue, text);
  failures += check("putnadouparam ZRV_DPAR_INTPNT_TOL_REL_GAP 1e-9",
                    ZRV_putnadouparam(task, "ZRV_DPAR_INTPNT_TOL_REL_GAP", 1e-9), ZRV_RES_OK);
  ZRV_getdouparam(task, ZRV_DPAR_INTPNT_TOL_REL_GAP, &dvalue);
  say("  ZRV_DPAR_INTPNT_TOL_REL_GAP is now %g\n", dvalue);

  say("Bad input is reported, never stored\n");
  failures += check("putintparam ZRV_IPAR_LOG -1", ZRV_putintparam(task, ZRV_IPAR_LOG, -1),
                    ZRV_RES_ERR_PARAM_IS_TOO_SMALL);
  failures += check("putdouparam ZRV_DPAR_INTPNT_TOL_REL_STEP 1.0",
                    ZRV_putdouparam(task, ZRV_DPAR_INTPNT_TOL_REL_STEP, 1.0), ZRV_RES_ERR_PARAM_IS_TOO_LARGE);
  failures += check("putparam ZRV_IPAR_LOG \"5x\"", ZRV_putparam(task, "ZRV_IPAR_LOG", "5x"),
                    ZRV_RES_ERR_PARAM_VALUE_STR);
  {
    ZRVrescodee last = 0;
    ZRVint32t len = 0;
    char msg[ZRV_MAX_STR_LEN];
    ZRV_getlasterror(task, &last, sizeof msg, &len, msg);
    say("  last error %d: %s\n", (int)last, msg);
  }

  say("Symbolic constants and information items\n");
  if (ZRV_symnamtovalue("ZRV_SOL_STA_OPTIMAL", text)) say("  ZRV_SOL_STA_OPTIMAL = %s\n", text);
  ZRV_getinfname(task, ZRV_INF_DOU_TYPE, ZRV_DINF_OPTIMIZER_TIME, text);
  ZRV_getdouinf(task, ZRV_DINF_OPTIMIZER_TIME, &dvalue);
  say("  %s = %g\n", text, dvalue);
  ZRV_solstatostr(task, ZRV_SOL_STA_PRIM_INFEAS_CER, text);
  say("  solution status %d reads %s\n", (int)ZRV_SOL_STA_PRIM_INFEAS_CER, text);

  say("%s\n", failures ? "DEMO FAILED" : "Demo finished.");
  failures += ZRV_deletetask(&task) != ZRV_RES_OK;
  failures += ZRV_deleteenv(&env) != ZRV_RES_OK;
  return failures ? 1 : 0;
}
