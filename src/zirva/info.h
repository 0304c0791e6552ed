// The task's information items: public double, integer and long integer items and the private ones beside them.
#pragma once
#include <cstdint>

#include "zirva/tables.h"

namespace zrv {

struct InfoItems {
  double dou[NUM_DINF] = {};
  int32_t int32[NUM_IINF] = {};
  int64_t lint[NUM_LIINF] = {};
  double dou_priv[NUM_DINF_PRIV] = {};
  int32_t int_priv[NUM_IINF_PRIV] = {};
  int64_t lint_priv[NUM_LIINF_PRIV] = {};

  void reset() { *this = InfoItems{}; }
};

}  // namespace zrv

struct ZRVtask_s;

namespace zrv {

// Internal access for the parts that fill the items. An identifier out of range is an internal fatal error.
double inf_getdou(ZRVtask_s* t, int32_t id);
void inf_setdou(ZRVtask_s* t, int32_t id, double v);
int32_t inf_getint(ZRVtask_s* t, int32_t id);
void inf_setint(ZRVtask_s* t, int32_t id, int32_t v);
int64_t inf_getlint(ZRVtask_s* t, int32_t id);
void inf_setlint(ZRVtask_s* t, int32_t id, int64_t v);
double inf_getdoupriv(ZRVtask_s* t, int32_t id);
void inf_setdoupriv(ZRVtask_s* t, int32_t id, double v);
int32_t inf_getintpriv(ZRVtask_s* t, int32_t id);
void inf_setintpriv(ZRVtask_s* t, int32_t id, int32_t v);
int64_t inf_getlintpriv(ZRVtask_s* t, int32_t id);
void inf_setlintpriv(ZRVtask_s* t, int32_t id, int64_t v);
// Copies all six arrays.
void inf_copy(ZRVtask_s* dst, const ZRVtask_s* src);

}  // namespace zrv
