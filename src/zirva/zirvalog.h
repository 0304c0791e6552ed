// The progress log: the optimizers never print; they fill information items and raise progress events, and this
// printer turns each event into the standard lines on the task's message stream, gated by the ZRV_IPAR_LOG_*
// parameters. Also the problem header of an optimize call and the optimizer summary.
#pragma once
#include <cstdint>
#include <string>

#include "zirva/tables.h"

struct ZRVtask_s;

namespace zrv {

// Identifiers of the private information items, in the order of the table.
enum DinfPriv : int32_t {
#define ZRV_DINF_PRIV(n) DINF_PRIV_##n,
#include "zirva/tables/infitems.def"
};
enum IinfPriv : int32_t {
#define ZRV_IINF_PRIV(n) IINF_PRIV_##n,
#include "zirva/tables/infitems.def"
};
enum LiinfPriv : int32_t {
#define ZRV_LIINF_PRIV(n) LIINF_PRIV_##n,
#include "zirva/tables/infitems.def"
};

// Progress events. The numbering is internal; every event the printer knows has one row in its table
// (zirvalog.cpp), so further optimizers only add rows.
enum LogEvent : int32_t {
  EVT_INTPNT_START = 0,
  EVT_INTPNT_ITER = 1,
  EVT_INTPNT_END = 3,
  EVT_CONIC_START = 4,
  EVT_CONIC_ITER = 5,
  EVT_CONIC_END = 7,
  EVT_BI_START = 8,
  EVT_BI_PRIMAL_START = 10,
  EVT_BI_PRIMAL_ROW = 12,
  EVT_BI_PRIMAL_END = 13,
  EVT_BI_DUAL_START = 14,
  EVT_BI_DUAL_ROW = 16,
  EVT_BI_DUAL_END = 17,
  EVT_BI_PRIMAL_REOPT = 19,
  EVT_BI_REOPT_HEADER = 20,
  EVT_BI_DUAL_REOPT = 21,
  EVT_BI_END = 30,
  EVT_ELIM_START = 32,
  EVT_ELIM_END = 33,
  EVT_LINDEP_START = 34,
  EVT_LINDEP_END = 36,
  EVT_SIM_START = 40,
  EVT_SIM_END = 41,
  EVT_ORDER_START = 76,
  EVT_ORDER_END = 79,
  EVT_BI_CRASH_START = 96,
  EVT_BI_CRASH_END = 97,
};

// Prints the lines of one event (nothing for an event without a row in the table).
void log_event(ZRVtask_s* t, int32_t event);

// The problem header, once per optimize call: printed when min(ZRV_IPAR_LOG_HEAD, ZRV_IPAR_LOG) exceeds the cut
// (0 on the first optimize call of the task, ZRV_IPAR_LOG_CUT_SECOND_OPT from the second on) and the task's
// header flag is not yet set; the flag is then set.
void log_problem_header(ZRVtask_s* t);

// The optimizer summary from the information items of the last optimize call, on `stream`, when ZRV_IPAR_LOG is
// at least 1.
void log_optimizer_summary(ZRVtask_s* t, int32_t stream);

// A 64-bit count as the log shows it: "%I64d" within -10000 .. 10000, else "%.2e".
std::string count_text(int64_t v);

}  // namespace zrv
