// Internal outcome codes that every optimizer engine returns; the driver turns them into response codes by one
// fixed table (optimize/driver).
#pragma once

namespace zrv::opt {

enum Outcome : int {
  OUT_FINISHED = 0,
  OUT_NOMEM = 1,
  OUT_MAX_ITERATIONS = 4,
  OUT_MAX_TIME = 5,
  OUT_CALLBACK = 6,
  OUT_CALLBACK_IM = 7,
  OUT_STALL = 8,
  OUT_NUMERICAL = 9,
  OUT_FACTOR = 10,
  OUT_NLO_FUNC = 11,
  OUT_INTERNAL = 12,
  OUT_OBJECTIVE_RANGE = 15,
  OUT_HESSUBI = 16,
  OUT_HESSUBJ = 17,
  OUT_INV_PROBLEM = 18,
  OUT_BASIS = 20,
  OUT_BASIS2 = 21,
  OUT_INTERNAL2 = 23,
  OUT_POSTSOLVE = 24,
  OUT_NONCONVEX = 25,
  OUT_BASIS_SINGULAR = 26,
  OUT_SETBACKS = 27,
  OUT_LU_TRIES = 29,
  OUT_UNB_STEP = 31,
  OUT_INTERNAL_STOP = 33,
};

}  // namespace zrv::opt
