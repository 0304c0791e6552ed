// Parameters: defaults, bound rules, access by name, text values, string unquoting, symbolic constants.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <string>

#include "common/capture.h"
#include "zirva.h"
#include "zirva/env.h"

namespace {

struct Params : zrvtest::TaskTest {
  int32_t ipar(int32_t id) {
    int32_t v = -12345;
    EXPECT_EQ(ZRV_getintparam(task, id, &v), ZRV_RES_OK);
    return v;
  }
  double dpar(int32_t id) {
    double v = -12345;
    EXPECT_EQ(ZRV_getdouparam(task, id, &v), ZRV_RES_OK);
    return v;
  }
  std::string spar(int32_t id) {
    char buf[2048];
    int32_t len = -1;
    EXPECT_EQ(ZRV_getstrparam(task, id, sizeof buf, &len, buf), ZRV_RES_OK);
    EXPECT_EQ(len, static_cast<int32_t>(std::strlen(buf)));
    return buf;
  }
};

}  // namespace

TEST_F(Params, CountsNamesAndDefaults) {
  int32_t n = 0;
  ZRV_getnumparam(task, ZRV_PAR_DOU_TYPE, &n);
  EXPECT_EQ(n, 67);
  ZRV_getnumparam(task, ZRV_PAR_INT_TYPE, &n);
  EXPECT_EQ(n, 203);
  ZRV_getparammax(task, ZRV_PAR_STR_TYPE, &n);
  EXPECT_EQ(n, 26);
  EXPECT_EQ(ZRV_getparammax(task, 7, &n), ZRV_RES_ERR_PARAM_TYPE);
  EXPECT_EQ(n, -1);
  // Samples from each table, by identifier and by name.
  EXPECT_EQ(ipar(ZRV_IPAR_LOG), 10);
  EXPECT_EQ(ipar(ZRV_IPAR_MAX_NUM_WARNINGS), 10);
  EXPECT_EQ(ipar(ZRV_IPAR_WRITE_LP_LINE_WIDTH), 80);
  EXPECT_EQ(ipar(ZRV_IPAR_INTPNT_MAX_NUM_COR), -1);
  EXPECT_EQ(ipar(ZRV_IPAR_SENSITIVITY_OPTIMIZER), ZRV_OPTIMIZER_FREE_SIMPLEX);
  EXPECT_EQ(dpar(ZRV_DPAR_DATA_TOL_BOUND_INF), 1e16);
  EXPECT_EQ(dpar(ZRV_DPAR_LOWER_OBJ_CUT), -1e30);
  EXPECT_EQ(dpar(ZRV_DPAR_INTPNT_NL_TOL_REL_STEP), 0.995);
  EXPECT_EQ(spar(ZRV_SPAR_PARAM_COMMENT_SIGN), "%%");
  EXPECT_EQ(spar(ZRV_SPAR_WRITE_LP_GEN_VAR_NAME), "XZRVGEN");
  EXPECT_EQ(spar(ZRV_SPAR_DATA_FILE_NAME), "");
  // Names round-trip through getparamname and whichparam; the reserved identifiers have no name.
  std::set<std::string> names;
  for (int32_t type : {ZRV_PAR_DOU_TYPE, ZRV_PAR_INT_TYPE, ZRV_PAR_STR_TYPE}) {
    int32_t count = 0;
    ZRV_getnumparam(task, type, &count);
    for (int32_t id = 0; id < count; ++id) {
      char name[ZRV_MAX_STR_LEN];
      ASSERT_EQ(ZRV_getparamname(task, type, id, name), ZRV_RES_OK);
      if (!*name) {
        EXPECT_TRUE(type == ZRV_PAR_INT_TYPE && (id == 10 || (id >= 37 && id <= 42))) << id;
        continue;
      }
      EXPECT_TRUE(names.insert(name).second) << "duplicate " << name;
      ZRVparametertypee t = -1;
      int32_t back = -1;
      ZRV_whichparam(task, name, &t, &back);
      EXPECT_EQ(t, type);
      EXPECT_EQ(back, id);
    }
  }
  EXPECT_EQ(names.size(), 67u + 196u + 26u);
  EXPECT_EQ(ZRV_getparamname(task, ZRV_PAR_INT_TYPE, 203, nullptr), ZRV_RES_ERR_PARAM_INDEX);
  ZRVparametertypee t = -1;
  ZRV_whichparam(task, "ZRV_IPAR_NOPE", &t, nullptr);
  EXPECT_EQ(t, ZRV_PAR_INVALID_TYPE);
  int32_t id = -1;
  ZRV_isintparname(task, "ZRV_DPAR_LOWER_OBJ_CUT", &id);
  EXPECT_EQ(id, 203);
  ZRV_isdouparname(task, "ZRV_DPAR_LOWER_OBJ_CUT", &id);
  EXPECT_EQ(id, ZRV_DPAR_LOWER_OBJ_CUT);
  ZRV_isstrparname(task, "zrv_spar_stat_name", &id);  // names are case-sensitive
  EXPECT_EQ(id, 26);
}

TEST_F(Params, BoundRulesOfAllKinds) {
  // at least 0
  EXPECT_EQ(ZRV_putintparam(task, ZRV_IPAR_LOG, -1), ZRV_RES_ERR_PARAM_IS_TOO_SMALL);
  EXPECT_EQ(ipar(ZRV_IPAR_LOG), 10);
  EXPECT_EQ(ZRV_putintparam(task, ZRV_IPAR_LOG, 1000000), ZRV_RES_OK);
  EXPECT_EQ(ipar(ZRV_IPAR_LOG), 1000000);
  // at most 3
  EXPECT_EQ(ZRV_putintparam(task, ZRV_IPAR_MIO_FEASPUMP_LEVEL, 4), ZRV_RES_ERR_PARAM_IS_TOO_LARGE);
  EXPECT_EQ(ZRV_putintparam(task, ZRV_IPAR_MIO_FEASPUMP_LEVEL, -100), ZRV_RES_OK);
  EXPECT_EQ(ipar(ZRV_IPAR_MIO_FEASPUMP_LEVEL), -100);
  // range
  EXPECT_EQ(ZRV_putintparam(task, ZRV_IPAR_OPTIMIZER, 12), ZRV_RES_ERR_PARAM_IS_TOO_LARGE);
  EXPECT_EQ(ZRV_putintparam(task, ZRV_IPAR_OPTIMIZER, -1), ZRV_RES_ERR_PARAM_IS_TOO_SMALL);
  EXPECT_EQ(ZRV_putintparam(task, ZRV_IPAR_OPTIMIZER, 11), ZRV_RES_OK);
  EXPECT_EQ(ZRV_putdouparam(task, ZRV_DPAR_INTPNT_TOL_REL_STEP, 1.0), ZRV_RES_ERR_PARAM_IS_TOO_LARGE);
  EXPECT_EQ(ZRV_putdouparam(task, ZRV_DPAR_INTPNT_TOL_REL_STEP, 1e-5), ZRV_RES_ERR_PARAM_IS_TOO_SMALL);
  EXPECT_EQ(dpar(ZRV_DPAR_INTPNT_TOL_REL_STEP), 0.9999);
  EXPECT_EQ(ZRV_putdouparam(task, ZRV_DPAR_DATA_TOL_AIJ, 1e-6), ZRV_RES_OK);  // inclusive upper end
  // any
  EXPECT_EQ(ZRV_putdouparam(task, ZRV_DPAR_UPPER_OBJ_CUT, -1e300), ZRV_RES_OK);
  EXPECT_EQ(ZRV_putintparam(task, 10, -77), ZRV_RES_OK);  // a reserved identifier accepts anything
  EXPECT_EQ(ipar(10), -77);
  // NaN is refused under every rule; identifiers out of range are refused.
  EXPECT_EQ(ZRV_putdouparam(task, ZRV_DPAR_UPPER_OBJ_CUT, std::nan("")), ZRV_RES_ERR_NAN_IN_DOUBLE_DATA);
  EXPECT_EQ(dpar(ZRV_DPAR_UPPER_OBJ_CUT), -1e300);
  EXPECT_EQ(ZRV_putdouparam(task, 67, 1.0), ZRV_RES_ERR_PARAM_INDEX);
  EXPECT_EQ(ZRV_putintparam(task, -1, 1), ZRV_RES_ERR_PARAM_INDEX);
  EXPECT_EQ(ZRV_getstrparam(task, 26, 10, nullptr, nullptr), ZRV_RES_ERR_PARAM_INDEX);
  task->streams.flush(ZRV_STREAM_ERR);
  EXPECT_NE(err.text.find("The parameter index -1 is invalid for a parameter of type int."), std::string::npos);
  // A task's change never reaches another task, and setdefaults restores everything.
  ZRVtask_t other = nullptr;
  ASSERT_EQ(ZRV_maketask(env, 0, 0, &other), ZRV_RES_OK);
  int32_t v = 0;
  ZRV_getintparam(other, ZRV_IPAR_LOG, &v);
  EXPECT_EQ(v, 10);
  ZRV_deletetask(&other);
  ZRV_putstrparam(task, ZRV_SPAR_STAT_KEY, "k");
  EXPECT_EQ(ZRV_setdefaults(task), ZRV_RES_OK);
  EXPECT_EQ(ipar(ZRV_IPAR_LOG), 10);
  EXPECT_EQ(ipar(10), 0);
  EXPECT_EQ(dpar(ZRV_DPAR_UPPER_OBJ_CUT), 1e30);
  EXPECT_EQ(spar(ZRV_SPAR_STAT_KEY), "");
}

TEST_F(Params, PutParamFromText) {
  EXPECT_EQ(ZRV_putparam(task, "  ZRV_IPAR_ LOG ", "5"), ZRV_RES_OK);
  EXPECT_EQ(ipar(ZRV_IPAR_LOG), 5);
  EXPECT_EQ(ZRV_putparam(task, "ZRV_IPAR_LOG", "ZRV_ON"), ZRV_RES_OK);
  EXPECT_EQ(ipar(ZRV_IPAR_LOG), 1);
  EXPECT_EQ(ZRV_putparam(task, "ZRV_IPAR_OPTIMIZER", "ZRV_OPTIMIZER_INTPNT"), ZRV_RES_OK);
  EXPECT_EQ(ipar(ZRV_IPAR_OPTIMIZER), ZRV_OPTIMIZER_INTPNT);
  EXPECT_EQ(ZRV_putparam(task, "ZRV_IPAR_LOG", "7 trailing words"), ZRV_RES_OK);  // stops at a blank
  EXPECT_EQ(ipar(ZRV_IPAR_LOG), 7);
  EXPECT_EQ(ZRV_putparam(task, "ZRV_IPAR_LOG", "5x"), ZRV_RES_ERR_PARAM_VALUE_STR);
  EXPECT_EQ(ZRV_putparam(task, "ZRV_IPAR_LOG", "99999999999"), ZRV_RES_ERR_PARAM_VALUE_STR);
  EXPECT_EQ(ipar(ZRV_IPAR_LOG), 7);
  EXPECT_EQ(ZRV_putparam(task, "ZRV_IPAR_LOG", ""), ZRV_RES_OK);  // empty reads as 0
  EXPECT_EQ(ipar(ZRV_IPAR_LOG), 0);
  EXPECT_EQ(ZRV_putparam(task, "ZRV_IPAR_LOG", "-3"), ZRV_RES_ERR_PARAM_IS_TOO_SMALL);
  // Doubles: a single character must be a digit; longer texts end at their end or at a blank.
  EXPECT_EQ(ZRV_putparam(task, "ZRV_DPAR_INTPNT_TOL_PFEAS", "1e-9"), ZRV_RES_OK);
  EXPECT_EQ(dpar(ZRV_DPAR_INTPNT_TOL_PFEAS), 1e-9);
  EXPECT_EQ(ZRV_putparam(task, "ZRV_DPAR_INTPNT_TOL_PFEAS", "1"), ZRV_RES_OK);
  EXPECT_EQ(dpar(ZRV_DPAR_INTPNT_TOL_PFEAS), 1.0);
  EXPECT_EQ(ZRV_putparam(task, "ZRV_DPAR_INTPNT_TOL_PFEAS", "x"), ZRV_RES_ERR_PARAM_VALUE_STR);
  EXPECT_EQ(ZRV_putparam(task, "ZRV_DPAR_INTPNT_TOL_PFEAS", "0.5e"), ZRV_RES_ERR_PARAM_VALUE_STR);
  EXPECT_EQ(ZRV_putparam(task, "ZRV_DPAR_INTPNT_TOL_PFEAS", "0.5q"), ZRV_RES_ERR_PARAM_VALUE_STR);
  EXPECT_EQ(ZRV_putparam(task, "ZRV_DPAR_INTPNT_TOL_PFEAS", "nan"), ZRV_RES_ERR_PARAM_VALUE_STR);
  EXPECT_EQ(ZRV_putparam(task, "ZRV_SPAR_STAT_NAME", "\"quoted text\""), ZRV_RES_OK);
  EXPECT_EQ(spar(ZRV_SPAR_STAT_NAME), "quoted text");
  EXPECT_EQ(ZRV_putparam(task, "ZRV_IPAR_NOT_THERE", "1"), ZRV_RES_ERR_PARAM_NAME);
  task->streams.flush(ZRV_STREAM_ERR);
  EXPECT_NE(err.text.find("The parameter name 'ZRV_IPAR_NOT_THERE' is invalid."), std::string::npos);
  EXPECT_EQ(ZRV_putparam(task, nullptr, "1"), ZRV_RES_ERR_NULL_POINTER);
}

TEST_F(Params, StringValues) {
  EXPECT_EQ(ZRV_putstrparam(task, ZRV_SPAR_STAT_NAME, "\"a\\\"b\""), ZRV_RES_OK);
  EXPECT_EQ(spar(ZRV_SPAR_STAT_NAME), "a\"b");
  EXPECT_EQ(ZRV_putstrparam(task, ZRV_SPAR_STAT_NAME, "\"unterminated"), ZRV_RES_OK);
  EXPECT_EQ(spar(ZRV_SPAR_STAT_NAME), "unterminated");
  EXPECT_EQ(ZRV_putstrparam(task, ZRV_SPAR_STAT_NAME, nullptr), ZRV_RES_OK);
  EXPECT_EQ(spar(ZRV_SPAR_STAT_NAME), "");
  std::string longv(3000, 'q');
  EXPECT_EQ(ZRV_putnastrparam(task, "ZRV_SPAR_STAT_NAME", longv.c_str()), ZRV_RES_OK);
  int32_t len = 0;
  ZRV_getstrparamlen(task, ZRV_SPAR_STAT_NAME, &len);
  EXPECT_EQ(len, 3000);
  // A short buffer gets a truncated copy and the warning; the length is still the full one.
  char small[8];
  EXPECT_EQ(ZRV_getnastrparam(task, "ZRV_SPAR_STAT_NAME", sizeof small, &len, small), ZRV_RES_OK);
  EXPECT_STREQ(small, "qqqqqqq");
  EXPECT_EQ(len, 3000);
  char* al = nullptr;
  ASSERT_EQ(ZRV_getnastrparamal(task, "ZRV_SPAR_STAT_NAME", 10, &al), ZRV_RES_OK);
  EXPECT_EQ(std::strlen(al), 3000u);
  std::strcat(al, "0123456789");  // the extra room is really there (checked by the sanitizer build)
  ZRV_freetask(task, al);
  EXPECT_EQ(ZRV_getnastrparamal(task, "ZRV_SPAR_NOPE", 0, &al), ZRV_RES_ERR_PARAM_NAME_STR);
  EXPECT_EQ(ZRV_getstrparamal(task, ZRV_SPAR_STAT_NAME, 0, nullptr), ZRV_RES_ERR_NULL_POINTER);
  EXPECT_EQ(ZRV_putnaintparam(task, "ZRV_DPAR_LOWER_OBJ_CUT", 1), ZRV_RES_ERR_PARAM_NAME_INT);
  EXPECT_EQ(ZRV_putnadouparam(task, "ZRV_DPAR_LOWER_OBJ_CUT", -5.0), ZRV_RES_OK);
  double d = 0;
  EXPECT_EQ(ZRV_getnadouparam(task, "ZRV_DPAR_LOWER_OBJ_CUT", &d), ZRV_RES_OK);
  EXPECT_EQ(d, -5.0);
}

TEST_F(Params, SymbolicConstantsAndConversions) {
  char value[ZRV_MAX_STR_LEN];
  EXPECT_EQ(ZRV_symnamtovalue("ZRV_OPTIMIZER_CONCURRENT", value), 1);
  EXPECT_STREQ(value, "10");
  EXPECT_EQ(ZRV_symnamtovalue("ZRV_IPAR_LOG", value), 1);
  EXPECT_STREQ(value, "43");
  EXPECT_EQ(ZRV_symnamtovalue("ZRV_DINF_SOL_ITR_PVIOLVAR", value), 1);
  EXPECT_STREQ(value, "64");
  EXPECT_EQ(ZRV_symnamtovalue("ZRV_CALLBACK_WRITE_OPF", value), 1);
  EXPECT_STREQ(value, "113");
  EXPECT_EQ(ZRV_symnamtovalue("ZRV_RES_TRM_MAX_ITERATIONS", value), 1);
  EXPECT_EQ(ZRV_symnamtovalue("ZRV_MAX_STR_LEN", value), 1);
  EXPECT_STREQ(value, "1024");
  EXPECT_EQ(ZRV_symnamtovalue("ZRV_NOTHING", value), 0);
  EXPECT_STREQ(value, "");

  char name[ZRV_MAX_STR_LEN];
  ZRV_iparvaltosymnam(env, ZRV_IPAR_OPTIMIZER, ZRV_OPTIMIZER_DUAL_SIMPLEX, name);
  EXPECT_STREQ(name, "ZRV_OPTIMIZER_DUAL_SIMPLEX");
  ZRV_iparvaltosymnam(env, ZRV_IPAR_ANA_SOL_BASIS, 1, name);
  EXPECT_STREQ(name, "ZRV_ON");
  ZRV_iparvaltosymnam(env, ZRV_IPAR_OPTIMIZER, 99, name);
  EXPECT_STREQ(name, "");
  ZRV_iparvaltosymnam(env, ZRV_IPAR_LOG, 1, name);  // no group
  EXPECT_STREQ(name, "");
  ZRV_iparvaltosymnam(env, 500, 1, name);
  EXPECT_STREQ(name, "");

  int32_t num = 0;
  size_t maxlen = 0;
  ASSERT_EQ(ZRV_getsymbcondim(env, &num, &maxlen), ZRV_RES_OK);
  EXPECT_EQ(ZRV_getsymbcondim(nullptr, &num, &maxlen), ZRV_RES_ERR_NULL_ENV);
  // Every entry is found again by its name with its value.
  std::set<std::string> seen;
  for (int32_t i = 0; i < num; ++i) {
    int32_t v = 0;
    ASSERT_EQ(ZRV_getsymbcon(task, i, sizeof name, name, &v), ZRV_RES_OK);
    EXPECT_LE(std::strlen(name), maxlen);
    EXPECT_TRUE(seen.insert(name).second) << name;
    ASSERT_EQ(ZRV_symnamtovalue(name, value), 1);
    EXPECT_EQ(std::atoi(value), v) << name;
  }
  EXPECT_TRUE(seen.count("ZRV_SOLVE_FREE") && seen.count("ZRV_IINF_RD_PROTYPE") && seen.count("ZRV_RES_OK"));
  EXPECT_EQ(ZRV_getsymbcon(task, num, sizeof name, name, nullptr), ZRV_RES_ERR_INDEX_IS_TOO_LARGE);
  EXPECT_EQ(ZRV_getsymbcon(task, -1, sizeof name, name, nullptr), ZRV_RES_ERR_INDEX_IS_TOO_SMALL);

  char s[64];
  EXPECT_EQ(ZRV_bktostr(task, ZRV_BK_RA, s), ZRV_RES_OK);
  EXPECT_STREQ(s, "RA");
  EXPECT_EQ(ZRV_bktostr(task, 5, s), ZRV_RES_ERR_INV_BK);
  EXPECT_STREQ(s, "");
  EXPECT_EQ(ZRV_sktostr(task, ZRV_SK_FIX, s), ZRV_RES_OK);
  EXPECT_STREQ(s, "EQ");
  EXPECT_EQ(ZRV_sktostr(task, ZRV_SK_INF, s), ZRV_RES_ERR_INV_SK);
  ZRVstakeye sk = -1;
  EXPECT_EQ(ZRV_strtosk(task, "**", &sk), ZRV_RES_OK);
  EXPECT_EQ(sk, ZRV_SK_INF);
  EXPECT_EQ(ZRV_strtosk(task, "bs", &sk), ZRV_RES_ERR_INV_SK_STR);
  EXPECT_EQ(ZRV_conetypetostr(task, ZRV_CT_RQUAD, s), ZRV_RES_OK);
  EXPECT_STREQ(s, "ZRV_CT_RQUAD");
  EXPECT_EQ(ZRV_conetypetostr(task, 2, s), ZRV_RES_ERR_CONE_TYPE);
  EXPECT_EQ(ZRV_strtoconetype(task, "ZRV_CT_QUAD", nullptr), ZRV_RES_ERR_CONE_TYPE_STR);
  ZRV_prostatostr(task, ZRV_PRO_STA_PRIM_INFEAS_OR_UNBOUNDED, s);
  EXPECT_STREQ(s, "PRIMAL_INFEASIBLE_OR_UNBOUNDED");
  ZRV_prostatostr(task, 12, s);
  EXPECT_STREQ(s, "INVALID CODE(12)");
  ZRV_solstatostr(task, ZRV_SOL_STA_NEAR_DUAL_INFEAS_CER, s);
  EXPECT_STREQ(s, "NEAR_DUAL_INFEASIBLE_CER");
  ZRV_solstatostr(task, 7, s);
  EXPECT_STREQ(s, "INVALID code(7)");
  ZRV_probtypetostr(task, ZRV_PROBTYPE_CONIC, s);
  EXPECT_STREQ(s, "CONIC (conic optimization problem)");
  ZRV_probtypetostr(task, 6, s);
  EXPECT_STREQ(s, "INVALID");
  ZRV_callbackcodetostr(ZRV_CALLBACK_BEGIN_INTPNT, s);
  EXPECT_STREQ(s, "ZRV_CALLBACK_BEGIN_INTPNT");
  ZRV_callbackcodetostr(11, s);
  EXPECT_STREQ(s, "[UNDEFINED CODE]");
  EXPECT_EQ(ZRV_callbackcodetostr(0, nullptr), ZRV_RES_OK);
}

TEST_F(Params, NullInputsAreReportedNotDereferenced) {
  int32_t i = 0;
  double d = 0;
  char buf[8];
  EXPECT_EQ(ZRV_getnaintparam(task, nullptr, &i), ZRV_RES_ERR_NULL_POINTER);
  EXPECT_EQ(ZRV_putnadouparam(task, nullptr, 1.0), ZRV_RES_ERR_NULL_POINTER);
  EXPECT_EQ(ZRV_getnastrparam(task, nullptr, 8, &i, buf), ZRV_RES_ERR_NULL_POINTER);
  EXPECT_EQ(ZRV_getnadouinf(task, nullptr, &d), ZRV_RES_ERR_NULL_POINTER);
  EXPECT_EQ(ZRV_getinfindex(task, ZRV_INF_INT_TYPE, nullptr, &i), ZRV_RES_ERR_NULL_POINTER);
  EXPECT_EQ(ZRV_strtosk(task, nullptr, &i), ZRV_RES_ERR_NULL_POINTER);
  EXPECT_EQ(ZRV_echotask(task, ZRV_STREAM_MSG, nullptr), ZRV_RES_ERR_NULL_POINTER);
  task->streams.flush(ZRV_STREAM_ERR);
  EXPECT_NE(err.text.find("Argument 'paramname' is unexpectedly a NULL pointer."), std::string::npos) << err.text;
  // Null outputs of getters are skipped.
  EXPECT_EQ(ZRV_getintparam(task, ZRV_IPAR_LOG, nullptr), ZRV_RES_OK);
  EXPECT_EQ(ZRV_getdouinf(task, 0, nullptr), ZRV_RES_OK);
  EXPECT_EQ(ZRV_getparamname(task, ZRV_PAR_STR_TYPE, 0, nullptr), ZRV_RES_OK);
}
