// The progress log printer: problem header, event lines and optimizer summary.
//
// Two kinds of output: lines in C printf conventions (a negative "*" width left-justifies; formatted here with
// snprintf and written to the message stream) and catalogue lines in the library's own formatter ("%{jw}i": the
// option values go before the value, j 0 right / 2 left). Every line of an event is gated by the area parameter
// of its row; "half" rows use half the area level, so they appear only at higher levels.
#include "zirva/zirvalog.h"

#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <thread>

#include "cpub/loggate.h"
#include "zirva/conedata.h"
#include "zirva/env.h"
#include "zirva/info.h"
#include "zirva/report.h"

namespace zrv {

namespace {

constexpr int32_t RIGHT = 0, LEFT = 2;

// C-printf line on the message stream.
void say(ZRVtask_s* t, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void say(ZRVtask_s* t, const char* fmt, ...) {
  if (!t->streams.wanted(ZRV_STREAM_MSG)) return;
  char buf[2048];
  va_list ap;
  va_start(ap, fmt);
  int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  if (n < 0) return;
  t->streams.write(ZRV_STREAM_MSG, buf);
}

// Catalogue line on the message stream.
void cat(ZRVtask_s* t, const char* fmt, FmtArgs args = {}) { task_printf(t, ZRV_STREAM_MSG, fmt, args); }

bool gate_full(const ZRVtask_s* t, int32_t area) { return task_log_on(t, area); }
bool gate_half(const ZRVtask_s* t, int32_t area) {
  return log_gate(t->ipar[area] / 2, t->ipar[ZRV_IPAR_LOG], t->optimizer_nesting,
                  t->ipar[ZRV_IPAR_LOG_CUT_SECOND_OPT]);
}

double dinf(ZRVtask_s* t, int32_t id) { return t->info.dou[id]; }
double dpriv(ZRVtask_s* t, int32_t id) { return t->info.dou_priv[id]; }
int32_t iinf(ZRVtask_s* t, int32_t id) { return t->info.int32[id]; }
int32_t ipriv(ZRVtask_s* t, int32_t id) { return t->info.int_priv[id]; }
int64_t liinf(ZRVtask_s* t, int32_t id) { return t->info.lint[id]; }
int64_t lpriv(ZRVtask_s* t, int32_t id) { return t->info.lint_priv[id]; }

// ---- the interior-point iteration: blocks before the first row of a run, then one row

void optimizer_block(ZRVtask_s* t) {
  if (!gate_full(t, ZRV_IPAR_LOG_OPTIMIZER)) return;
  say(t, "%*s - %*s : %-*d\n", -10, "Optimizer", -22, "threads", 16, iinf(t, ZRV_IINF_INTPNT_NUM_THREADS));
  say(t, "%*s - %*s : %*s\n", -10, "Optimizer", -22, "solved problem", 16,
      iinf(t, ZRV_IINF_INTPNT_SOLVE_DUAL) ? "the dual" : "the primal");
  cat(t, "Optimizer  - Constraints            : %{jw}i\n", {LEFT, 16, ipriv(t, IINF_PRIV_INTPNT_NUMCON)});
  cat(t, "Optimizer  - Cones                  : %{jw}i\n", {LEFT, 16, ipriv(t, IINF_PRIV_INTPNT_NUMCONE)});
  cat(t, "Optimizer  - Scalar variables       : %{jw}i  conic                  : %{jw}i\n",
      {LEFT, 16, ipriv(t, IINF_PRIV_INTPNT_NUMVAR), LEFT, 16, ipriv(t, IINF_PRIV_INTPNT_NUMCONEVAR)});
  cat(t, "Optimizer  - Semi-definite variables: %{jw}i  scalarized             : %{jw}l\n",
      {LEFT, 16, ipriv(t, IINF_PRIV_INTPNT_NUMBARVAR), LEFT, 16, lpriv(t, LIINF_PRIV_INTPNT_LENBARVAR)});
}

void factor_block(ZRVtask_s* t) {
  if (!gate_full(t, ZRV_IPAR_LOG_FACTOR)) return;
  const char* F = "Factor";
  say(t, "%*s - %*s : %-*.2f  %*s : %-*.2f\n", -10, F, -22, "setup time", 16,
      dpriv(t, DINF_PRIV_INTPNT_FACTOR_SETUP_TIME), -22, "dense det. time", 16,
      dpriv(t, DINF_PRIV_INTPNT_FACTOR_SETUP_DETECT_DENSE_TIME));
  say(t, "%*s - %*s : %-*.2f  %*s : %-*.2f\n", -10, F, -22, "ML order time", 16,
      dpriv(t, DINF_PRIV_INTPNT_FACTOR_SETUP_ML_ORDER_TIME), -22, "GP order time", 16,
      dpriv(t, DINF_PRIV_INTPNT_FACTOR_SETUP_GP_ORDER_TIME));
  say(t, "%*s - %*s : %-*s  %*s : %-*s\n", -10, F, -22, "nonzeros before factor", 16,
      count_text(lpriv(t, LIINF_PRIV_INTPNT_FACTOR_NUM_NZ_BEFORE)).c_str(), -22, "after factor", 16,
      count_text(liinf(t, ZRV_LIINF_INTPNT_FACTOR_NUM_NZ)).c_str());
  say(t, "%*s - %*s : %-*d  %*s : %-*.2e\n", -10, F, -22, "dense dim.", 16,
      iinf(t, ZRV_IINF_INTPNT_FACTOR_DIM_DENSE), -22, "flops", 16, dinf(t, ZRV_DINF_INTPNT_FACTOR_NUM_FLOPS));
  if (ipriv(t, IINF_PRIV_INTPNT_GP_ORDER_EMPLOYED))
    say(t, "%*s - %*s : %-*s  %*s : %-*.2e\n", -10, F, -22, "GP saved nzs", 16,
        count_text(lpriv(t, LIINF_PRIV_INTPNT_FACTOR_ML_ORDER_SPARSE_L_NZ) -
                   lpriv(t, LIINF_PRIV_INTPNT_FACTOR_GP_ORDER_SPARSE_L_NZ))
            .c_str(),
        -22, "GP saved flops", 16,
        dpriv(t, DINF_PRIV_INTPNT_FACTOR_ML_ORDER_SPARSE_L_FLOPS) -
            dpriv(t, DINF_PRIV_INTPNT_FACTOR_GP_ORDER_SPARSE_L_FLOPS));
}

void intpnt_iteration(ZRVtask_s* t) {
  if (!t->intpnt_header_printed) {
    t->intpnt_header_printed = true;
    optimizer_block(t);
    factor_block(t);
    cat(t, "%{jw}s %{jw}s %{jw}s %{jw}s %{jw}s %{jw}s %{jw}s %{jw}s %{jw}s\n",
        {RIGHT, 3, "ITE", RIGHT, 8, "PFEAS", RIGHT, 8, "DFEAS", RIGHT, 8, "GFEAS", RIGHT, 10, "PRSTATUS", RIGHT, 17,
         "POBJ", RIGHT, 17, "DOBJ", RIGHT, 8, "MU", RIGHT, 6, "TIME"});
  }
  cat(t, "%{jw}l %{jwp}e %{jwp}e %{jwp}e %{jwp}e %{jwp}e %{jwp}e %{jwp}e %{jwp}f\n",
      {RIGHT, 3, int64_t{iinf(t, ZRV_IINF_INTPNT_ITER)},
       RIGHT, 8, 1, dinf(t, ZRV_DINF_INTPNT_PRIMAL_FEAS),
       RIGHT, 8, 1, dinf(t, ZRV_DINF_INTPNT_DUAL_FEAS),
       RIGHT, 8, 1, dpriv(t, DINF_PRIV_INTPNT_GFEAS),
       RIGHT, 10, 2, dinf(t, ZRV_DINF_INTPNT_OPT_STATUS),
       RIGHT, 17, 9, dinf(t, ZRV_DINF_INTPNT_PRIMAL_OBJ),
       RIGHT, 17, 9, dinf(t, ZRV_DINF_INTPNT_DUAL_OBJ),
       RIGHT, 8, 1, dpriv(t, DINF_PRIV_INTPNT_MU),
       RIGHT, 6, 2, dinf(t, ZRV_DINF_INTPNT_TIME)});
}

void intpnt_end(ZRVtask_s* t) {
  say(t, "Interior-point optimizer terminated. Time: %-.2f. %s\n\n", dinf(t, ZRV_DINF_INTPNT_TIME), "");
}

// ---- basis identification

void bi_phase_header(ZRVtask_s* t, const char* feas, const char* obj) {
  say(t, "%-8s  %-10s  %-20s  %-s\n", "ITER", feas, obj, "TIME");
}
void bi_reopt_header(ZRVtask_s* t) {
  say(t, "%-8s  %-10s  %-10s  %-10s  %-20s  %-20s  %-s\n", "ITER", "DEGITER(%)", "PFEAS", "DFEAS", "POBJ", "DOBJ",
      "TIME");
}
void bi_primal_start(ZRVtask_s* t) {
  say(t, "Primal basis identification phase started.\n");
  bi_phase_header(t, "PFEAS", "POBJ");
}
void bi_dual_start(ZRVtask_s* t) {
  say(t, "Dual basis identification phase started.\n");
  bi_phase_header(t, "DFEAS", "DOBJ");
}
void bi_primal_row(ZRVtask_s* t) {
  say(t, "%-8" PRId64 "  %-10.2e  %-20.10e  %-.2f\n", liinf(t, ZRV_LIINF_BI_PRIMAL_ITER),
      dpriv(t, DINF_PRIV_BI_PRIMAL_FEAS), dpriv(t, DINF_PRIV_BI_PRIMAL_OBJ), dinf(t, ZRV_DINF_BI_PRIMAL_TIME));
}
void bi_primal_end(ZRVtask_s* t) {
  bi_primal_row(t);
  say(t, "Primal basis identification phase terminated. Time: %-.2f\n", dinf(t, ZRV_DINF_BI_PRIMAL_TIME));
}
void bi_dual_row(ZRVtask_s* t) {
  say(t, "%-8" PRId64 "  %-10.2e  %-20.10e  %-.2f\n", liinf(t, ZRV_LIINF_BI_DUAL_ITER),
      dpriv(t, DINF_PRIV_BI_DUAL_FEAS), dpriv(t, DINF_PRIV_BI_DUAL_OBJ), dinf(t, ZRV_DINF_BI_DUAL_TIME));
}
void bi_dual_end(ZRVtask_s* t) {
  bi_dual_row(t);
  say(t, "Dual basis identification phase terminated. Time: %-.2f\n", dinf(t, ZRV_DINF_BI_DUAL_TIME));
}
void bi_primal_reopt(ZRVtask_s* t) {
  say(t, "Primal simplex reoptimization started.\n");
  bi_reopt_header(t);
}
void bi_dual_reopt(ZRVtask_s* t) {
  say(t, "Dual simplex reoptimization started.\n");
  bi_reopt_header(t);
}
void bi_end(ZRVtask_s* t) { say(t, "Basis identification terminated. Time: %-.2f\n", dinf(t, ZRV_DINF_BI_TIME)); }
void bi_crash_end(ZRVtask_s* t) { say(t, "Basis crash terminated. Time: %-.2f\n", dpriv(t, DINF_PRIV_BI_CRASH_TIME)); }
void sim_end(ZRVtask_s* t) {
  say(t, "Simplex optimizer terminated. Time: %-.2f. %s\n\n", dinf(t, ZRV_DINF_SIM_TIME), "");
}

// ---- the event table

enum class Gate : uint8_t { Full, Half };

struct EventRow {
  int32_t event;
  int32_t area;                 // the area's level parameter
  Gate gate;
  const char* text;             // a fixed line, or null
  void (*print)(ZRVtask_s*);    // lines built from information items, or null
};

// The simplex rows print their texts; the setup summaries and iteration rows that go with some of them come
// with the simplex optimizers.
const EventRow EVENTS[] = {
    {EVT_INTPNT_START, ZRV_IPAR_LOG_INTPNT, Gate::Full, "Interior-point optimizer started.\n", nullptr},
    {EVT_INTPNT_ITER, ZRV_IPAR_LOG_INTPNT, Gate::Full, nullptr, intpnt_iteration},
    {EVT_INTPNT_END, ZRV_IPAR_LOG_INTPNT, Gate::Full, nullptr, intpnt_end},
    {EVT_CONIC_START, ZRV_IPAR_LOG_INTPNT, Gate::Full, "Conic interior-point optimizer started.\n", nullptr},
    {EVT_CONIC_ITER, ZRV_IPAR_LOG_INTPNT, Gate::Full, nullptr, intpnt_iteration},
    {EVT_CONIC_END, ZRV_IPAR_LOG_INTPNT, Gate::Full, nullptr, intpnt_end},
    {EVT_BI_START, ZRV_IPAR_LOG_BI, Gate::Full, "Basis identification started.\n", nullptr},
    {EVT_BI_PRIMAL_START, ZRV_IPAR_LOG_BI, Gate::Half, nullptr, bi_primal_start},
    {EVT_BI_PRIMAL_ROW, ZRV_IPAR_LOG_BI, Gate::Half, nullptr, bi_primal_row},
    {EVT_BI_PRIMAL_END, ZRV_IPAR_LOG_BI, Gate::Half, nullptr, bi_primal_end},
    {EVT_BI_DUAL_START, ZRV_IPAR_LOG_BI, Gate::Half, nullptr, bi_dual_start},
    {EVT_BI_DUAL_ROW, ZRV_IPAR_LOG_BI, Gate::Half, nullptr, bi_dual_row},
    {EVT_BI_DUAL_END, ZRV_IPAR_LOG_BI, Gate::Half, nullptr, bi_dual_end},
    {EVT_BI_PRIMAL_REOPT, ZRV_IPAR_LOG_BI, Gate::Half, nullptr, bi_primal_reopt},
    {EVT_BI_REOPT_HEADER, ZRV_IPAR_LOG_BI, Gate::Half, nullptr, bi_reopt_header},
    {EVT_BI_DUAL_REOPT, ZRV_IPAR_LOG_BI, Gate::Half, nullptr, bi_dual_reopt},
    {EVT_BI_END, ZRV_IPAR_LOG_BI, Gate::Full, nullptr, bi_end},
    {EVT_BI_CRASH_START, ZRV_IPAR_LOG_BI, Gate::Half, "Basis crash started.\n", nullptr},
    {EVT_BI_CRASH_END, ZRV_IPAR_LOG_BI, Gate::Half, nullptr, bi_crash_end},
    {EVT_ELIM_START, ZRV_IPAR_LOG_PRESOLVE, Gate::Full, "Eliminator started.\n", nullptr},
    {EVT_ELIM_END, ZRV_IPAR_LOG_PRESOLVE, Gate::Full, "Eliminator terminated.\n", nullptr},
    {EVT_LINDEP_START, ZRV_IPAR_LOG_PRESOLVE, Gate::Full, "Linear dependency checker started.\n", nullptr},
    {EVT_LINDEP_END, ZRV_IPAR_LOG_PRESOLVE, Gate::Full, "Linear dependency checker terminated.\n", nullptr},
    {EVT_ORDER_START, ZRV_IPAR_LOG_ORDER, Gate::Full, "Matrix reordering started.\n", nullptr},
    {EVT_ORDER_END, ZRV_IPAR_LOG_ORDER, Gate::Full, "Matrix reordering terminated.\n", nullptr},
    {80, ZRV_IPAR_LOG_ORDER, Gate::Full, "Local matrix reordering started.\n", nullptr},
    {83, ZRV_IPAR_LOG_ORDER, Gate::Full, "Local matrix reordering terminated.\n", nullptr},
    {84, ZRV_IPAR_LOG_ORDER, Gate::Full, "GP based matrix reordering started.\n", nullptr},
    {87, ZRV_IPAR_LOG_ORDER, Gate::Full, "GP based matrix reordering terminated.\n", nullptr},
    {EVT_SIM_START, ZRV_IPAR_LOG_SIM, Gate::Full, "Simplex optimizer started.\n", nullptr},
    {EVT_SIM_END, ZRV_IPAR_LOG_SIM, Gate::Full, nullptr, sim_end},
    {42, ZRV_IPAR_LOG_SIM, Gate::Half, "Simplex network detection is started.\n", nullptr},
    {43, ZRV_IPAR_LOG_SIM, Gate::Half, "Simplex network detection is terminated.\n", nullptr},
    {44, ZRV_IPAR_LOG_SIM, Gate::Half, "Primal simplex optimizer started.\n", nullptr},
    {45, ZRV_IPAR_LOG_SIM, Gate::Half, "Primal simplex optimizer setup started.\n", nullptr},
    {46, ZRV_IPAR_LOG_SIM, Gate::Half, "Primal simplex optimizer setup terminated.\n", nullptr},
    {49, ZRV_IPAR_LOG_SIM, Gate::Half, "Primal simplex optimizer terminated.\n", nullptr},
    {50, ZRV_IPAR_LOG_SIM, Gate::Half, "Primal-dual simplex optimizer setup started.\n", nullptr},
    {51, ZRV_IPAR_LOG_SIM, Gate::Half, "Primal-dual simplex optimizer setup terminated.\n", nullptr},
    {54, ZRV_IPAR_LOG_SIM, Gate::Half, "Primal-dual simplex optimizer terminated.\n", nullptr},
    {55, ZRV_IPAR_LOG_SIM, Gate::Half, "Primal-dual simplex optimizer started.\n", nullptr},
    {56, ZRV_IPAR_LOG_SIM, Gate::Half, "Dual simplex optimizer started.\n", nullptr},
    {57, ZRV_IPAR_LOG_SIM, Gate::Half, "Dual simplex optimizer setup started.\n", nullptr},
    {58, ZRV_IPAR_LOG_SIM, Gate::Half, "Dual simplex optimizer setup terminated.\n", nullptr},
    {61, ZRV_IPAR_LOG_SIM, Gate::Half, "Dual simplex optimizer terminated.\n", nullptr},
    {100, ZRV_IPAR_LOG_SIM, Gate::Half, "Simplex network optimizer started.\n", nullptr},
    {101, ZRV_IPAR_LOG_SIM, Gate::Half, "Simplex network optimizer terminated.\n", nullptr},
    {106, ZRV_IPAR_LOG_SIM, Gate::Half, "Primal simplex network optimizer started.\n", nullptr},
    {107, ZRV_IPAR_LOG_SIM, Gate::Half, "Primal simplex network optimizer setup started.\n", nullptr},
    {108, ZRV_IPAR_LOG_SIM, Gate::Half, "Primal simplex network optimizer setup terminated.\n", nullptr},
    {111, ZRV_IPAR_LOG_SIM, Gate::Half, "Primal simplex network optimizer terminated.\n", nullptr},
    {112, ZRV_IPAR_LOG_SIM, Gate::Half, "Dual simplex optimizer started.\n", nullptr},
    {113, ZRV_IPAR_LOG_SIM, Gate::Half, "Dual simplex network optimizer setup started.\n", nullptr},
    {114, ZRV_IPAR_LOG_SIM, Gate::Half, "Dual simplex network optimizer setup terminated.\n", nullptr},
    {117, ZRV_IPAR_LOG_SIM, Gate::Half, "Dual simplex network optimizer terminated.\n", nullptr},
};

const EventRow* find_event(int32_t event) {
  for (const EventRow& r : EVENTS)
    if (r.event == event) return &r;
  return nullptr;
}

}  // namespace

std::string count_text(int64_t v) {
  char buf[64];
  if (v >= -10000 && v <= 10000)
    std::snprintf(buf, sizeof buf, "%" PRId64, v);
  else
    std::snprintf(buf, sizeof buf, "%.2e", static_cast<double>(v));
  return buf;
}

void log_event(ZRVtask_s* t, int32_t event) {
  const EventRow* row = find_event(event);
  if (!row) return;
  const bool on = row->gate == Gate::Full ? gate_full(t, row->area) : gate_half(t, row->area);
  if (!on) {
    // The once-per-run blocks belong to the first iteration whether or not it is printed.
    if (row->print == intpnt_iteration) t->intpnt_header_printed = true;
    return;
  }
  if (row->text) say(t, "%s", row->text);
  if (row->print) row->print(t);
}

void log_problem_header(ZRVtask_s* t) {
  if (t->header_printed) return;
  const int32_t cut = t->optimize_calls <= 1 ? 0 : t->ipar[ZRV_IPAR_LOG_CUT_SECOND_OPT];
  if (std::min(t->ipar[ZRV_IPAR_LOG_HEAD], t->ipar[ZRV_IPAR_LOG]) <= cut) return;
  t->header_printed = true;
  const Problem& p = *t->prob;
  int32_t type = ZRV_PROBTYPE_LO;
  ZRV_getprobtype(t, &type);
  char typetext[ZRV_MAX_STR_LEN];
  ZRV_probtypetostr(t, type, typetext);
  const std::string name(t->names->task_name());
  const int32_t cores = static_cast<int32_t>(std::thread::hardware_concurrency());
  say(t, "Computer\n");
  say(t, "  %*s : %*s\n", -22, "Platform", -16, t->sysenv.platform);
  say(t, "  %*s : %*d\n", -22, "Cores", -16, cores > 0 ? cores : 1);
  say(t, "\n");
  say(t, "Problem\n");
  say(t, "  %*s : %*s\n", -22, "Name", -16, name.c_str());
  say(t, "  %*s : %*s\n", -22, "Objective sense", -16, p.sense == ZRV_OBJECTIVE_SENSE_MAXIMIZE ? "max" : "min");
  say(t, "  %*s : %*s\n", -22, "Type", -16, typetext);
  say(t, "  %*s : %-*d\n", -22, "Constraints", 16, p.numcon);
  say(t, "  %*s : %-*d\n", -22, "Cones", 16, t->cones->numcone);
  say(t, "  %*s : %-*d\n", -22, "Scalar variables", 16, p.numvar);
  say(t, "  %*s : %-*d\n", -22, "Matrix variables", 16, t->cones->numbarvar);
  say(t, "  %*s : %-*d\n", -22, "Integer variables", 16, p.numintvar);
  say(t, "\n");
}

void log_optimizer_summary(ZRVtask_s* t, int32_t stream) {
  if (t->ipar[ZRV_IPAR_LOG] < 1) return;
  auto line = [&](const char* fmt, FmtArgs args) { task_printf(t, stream, fmt, args); };
  line("Optimizer summary\n", {});
  line("  Optimizer                 -              %{jw}s  time: %{jwp}f\n",
       {RIGHT, 8, "", RIGHT, 8, 2, dinf(t, ZRV_DINF_OPTIMIZER_TIME)});
  line("    Interior-point          - iterations : %{jw}i  time: %{jwp}f\n",
       {RIGHT, 8, iinf(t, ZRV_IINF_INTPNT_ITER), RIGHT, 8, 2, dinf(t, ZRV_DINF_INTPNT_TIME)});
  line("      Basis identification  -              %{jw}s  time: %{jwp}f\n",
       {RIGHT, 8, "", RIGHT, 8, 2, dinf(t, ZRV_DINF_BI_TIME)});
  line("        Primal              - iterations : %{jw}l  time: %{jwp}f\n",
       {RIGHT, 8, liinf(t, ZRV_LIINF_BI_PRIMAL_ITER), RIGHT, 8, 2, dinf(t, ZRV_DINF_BI_PRIMAL_TIME)});
  line("        Dual                - iterations : %{jw}l  time: %{jwp}f\n",
       {RIGHT, 8, liinf(t, ZRV_LIINF_BI_DUAL_ITER), RIGHT, 8, 2, dinf(t, ZRV_DINF_BI_DUAL_TIME)});
  line("        Clean primal        - iterations : %{jw}l  time: %{jwp}f\n",
       {RIGHT, 8, liinf(t, ZRV_LIINF_BI_CLEAN_PRIMAL_ITER), RIGHT, 8, 2, dinf(t, ZRV_DINF_BI_CLEAN_PRIMAL_TIME)});
  line("        Clean dual          - iterations : %{jw}l  time: %{jwp}f\n",
       {RIGHT, 8, liinf(t, ZRV_LIINF_BI_CLEAN_DUAL_ITER), RIGHT, 8, 2, dinf(t, ZRV_DINF_BI_CLEAN_DUAL_TIME)});
  line("        Clean primal-dual   - iterations : %{jw}l  time: %{jwp}f\n",
       {RIGHT, 8, liinf(t, ZRV_LIINF_BI_CLEAN_PRIMAL_DUAL_ITER), RIGHT, 8, 2,
        dinf(t, ZRV_DINF_BI_CLEAN_PRIMAL_DUAL_TIME)});
  line("    Simplex                 -              %{jw}s  time: %{jwp}f\n",
       {RIGHT, 8, "", RIGHT, 8, 2, dinf(t, ZRV_DINF_SIM_TIME)});
  line("      Primal simplex        - iterations : %{jw}i  time: %{jwp}f\n",
       {RIGHT, 8, iinf(t, ZRV_IINF_SIM_PRIMAL_ITER), RIGHT, 8, 2, dinf(t, ZRV_DINF_SIM_PRIMAL_TIME)});
  line("      Dual simplex          - iterations : %{jw}i  time: %{jwp}f\n",
       {RIGHT, 8, iinf(t, ZRV_IINF_SIM_DUAL_ITER), RIGHT, 8, 2, dinf(t, ZRV_DINF_SIM_DUAL_TIME)});
  line("      Primal-dual simplex   - iterations : %{jw}i  time: %{jwp}f\n",
       {RIGHT, 8, iinf(t, ZRV_IINF_SIM_PRIMAL_DUAL_ITER), RIGHT, 8, 2, dinf(t, ZRV_DINF_SIM_PRIMAL_DUAL_TIME)});
  line("    Mixed integer           - relaxations: %{jw}l  time: %{jwp}f\n",
       {RIGHT, 8, int64_t{iinf(t, ZRV_IINF_MIO_NUM_RELAX)}, RIGHT, 8, 2, dinf(t, ZRV_DINF_MIO_TIME)});
  line("\n", {});
}

}  // namespace zrv
